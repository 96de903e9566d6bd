// A Window and a SoundLibrary with no screen and no audio: they remember what the game
// asked of them; Files held in memory. Message boxes are answered OK at once; the clock is virtual,
// so waits take no real time. Used by the headless driver and the tests.
#pragma once

#include "platform/Files.h"
#include "platform/SoundLibrary.h"
#include "platform/Window.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarvenko {

class RecordingWindow : public Window {
  public:
    struct Message {
        std::string text, title;
        MessageIcon icon;
    };
    enum class OpKind { Background, Picture, Box, Fill, Text, Refresh };
    struct Op {
        OpKind kind;
        Picture picture = Picture::KARA_MASU;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        int colour = 0;
        std::string text;
        float points = 0;
        bool bold = false;
        double at = 0; // virtual time of the operation
    };

    void setBackground(int colour) override;
    void drawPicture(Picture picture, float x, float y) override;
    void drawBox(float x1, float y1, float x2, float y2, int colour) override;
    void fillBox(float x1, float y1, float x2, float y2, int colour) override;
    void drawText(float x, float y, std::string_view text, float points, bool bold,
                  int colour) override;
    void refresh() override;
    void messageBox(std::string_view text, std::string_view title, MessageIcon icon) override;
    void setMusicChecked(bool checked) override { music = checked; }
    bool musicChecked() const override { return music; }
    double seconds() override { return clock; }
    void sleep(double s) override;
    float top() const override { return top_; }
    void place(float left, float top, float width, float height) override;
    std::int32_t handle() const override { return 1; }
    void quit() override { quitCalled = true; }
    void showCursor(bool shown, float x1, float y1, float, float, int colour) override {
        cursorShown = shown;
        cursorX = x1;
        cursorY = y1;
        cursorColour = colour;
    }

    void setItemChecked(const char* item, bool checked) override {
        if (std::string_view(item) == "ANALYSIS") analysisChecked = checked;
    }
    void showAnalysis(const AnalysisView& view) override {
        analysis = view;
        if (onAnalysis) onAnalysis(view);
    }
    void showReview(const ReviewView& view) override {
        review = view;
        ++reviews;
    }
    // Answered with `nextChoice` (then −1 again: closed without a button).
    int choiceBox(std::string_view text, std::string_view title, const std::string_view* buttons,
                  int count) override;
    // Answered with `nextPuzzle` (then −1 again: cancelled); the list is kept as shown.
    int choosePuzzle(const PuzzleList& list) override;

    // Drawing is remembered only while this is set (it allocates).
    bool logDrawing = false;
    std::vector<Op> ops;
    std::vector<Message> messages;
    std::function<void(const Message&)> onMessage;
    std::function<void(const Op&)> onOp;
    bool music = false;
    double clock = 0;
    bool quitCalled = false;
    bool cursorShown = false;
    float cursorX = 0, cursorY = 0; // top-left corner of the cursor's square, twips
    int cursorColour = 0;
    bool analysisChecked = false;
    AnalysisView analysis; // the last shown; its line's text lives in the game
    std::function<void(const AnalysisView&)> onAnalysis;
    ReviewView review; // the last shown
    int reviews = 0;
    struct Choice {
        std::string text, title;
        std::vector<std::string> buttons;
        int chosen;
    };
    std::vector<Choice> choices;
    int nextChoice = -1;
    std::function<void(const Choice&)> onChoice;
    struct Chooser {
        std::vector<PuzzleEntry> entries;
        std::string title, groups[8], none;
    };
    std::vector<Chooser> choosers;
    int nextPuzzle = -1;
    std::function<void(const Chooser&)> onChooser;
    float top_ = 0, left_ = 0, width_ = 0, height_ = 0;

  private:
    void record(Op op);
};

class RecordingSound : public SoundLibrary {
  public:
    struct Call {
        const char* op; // initialize create play loop stop free terminate
        std::int32_t handle;
    };
    std::int32_t dsInitialize(std::int32_t window) override;
    std::int32_t dsCreateDSB(std::int32_t instance, const void* data, std::int32_t size,
                             std::int32_t flag) override;
    // Only when streams is set, and only for a descriptor of an open file.
    std::int32_t dsStreamDSB(std::int32_t instance, int file, std::int32_t flag) override;
    std::int32_t dsPlay(std::int32_t sound) override { return add("play", sound); }
    std::int32_t dsPlayLooping(std::int32_t sound) override { return add("loop", sound); }
    std::int32_t dsStop(std::int32_t sound) override { return add("stop", sound); }
    std::int32_t dsFree(std::int32_t sound) override { return add("free", sound); }
    std::int32_t dsTerminate(std::int32_t instance) override { return add("terminate", instance); }

    bool failInitialize = false; // as if no audio output could be opened
    std::int32_t instance = 77;
    std::int32_t nextHandle = 101;
    std::vector<Call> calls;
    bool streams = false;
    std::vector<std::int32_t> createdSizes, createdFlags, streamedFlags;
    std::function<void(const Call&)> onCall;

  private:
    std::int32_t add(const char* op, std::int32_t handle);
};

// Files by name. A file may claim a size beyond the bytes it holds: the rest reads as zeros,
// so a test can have a 2 GiB file without 2 GiB of memory.
class MemoryFiles : public Files {
  public:
    struct Entry {
        std::string bytes;
        std::uint64_t size = 0; // at least bytes.size()
        Status status = Status::Ok;
    };
    // A 16-bit mono 44.1 kHz WAV of `frames` silent frames.
    static std::string wave(std::uint32_t frames = 8);
    // A WAV header alone: the data chunk declares dataBytes that are not held.
    static std::string waveHeader(std::uint16_t formatTag, std::uint16_t channels,
                                  std::uint32_t rate, std::uint16_t blockAlign, std::uint16_t bits,
                                  std::uint32_t dataBytes);
    void put(const std::string& name, std::string bytes, std::uint64_t size = 0);
    // The game's five sounds, each a short valid WAV.
    void putTheFive();

    Opened open(std::string_view name) override;
    bool read(int file, std::uint64_t offset, unsigned char* into, std::size_t n) override;
    void close(int file) override;
    // Stores the bytes as an Ok entry, or answers `writeResult` when that is not Ok.
    Written replace(std::string_view name, std::string_view bytes) override;

    std::map<std::string, Entry, std::less<>> entries;
    Written writeResult = Written::Ok;
    std::uint64_t bytesRead = 0;
    int openFiles = 0;

  private:
    std::vector<const Entry*> opened_;
};

} // namespace tarvenko
