// A Window and a SoundLibrary with no screen and no audio: they remember what the game
// asked of them. Message boxes are answered OK at once; the clock is virtual, so waits
// take no real time. Used by the headless driver and the tests.
#pragma once

#include "platform/SoundLibrary.h"
#include "platform/Window.h"

#include <cstdint>
#include <functional>
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

    // Drawing is remembered only while this is set (it allocates).
    bool logDrawing = false;
    std::vector<Op> ops;
    std::vector<Message> messages;
    std::function<void(const Message&)> onMessage;
    std::function<void(const Op&)> onOp;
    bool music = false;
    double clock = 0;
    bool quitCalled = false;
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
    std::int32_t dsPlay(std::int32_t sound) override { return add("play", sound); }
    std::int32_t dsPlayLooping(std::int32_t sound) override { return add("loop", sound); }
    std::int32_t dsStop(std::int32_t sound) override { return add("stop", sound); }
    std::int32_t dsFree(std::int32_t sound) override { return add("free", sound); }
    std::int32_t dsTerminate(std::int32_t instance) override { return add("terminate", instance); }

    bool failInitialize = false; // as if no audio output could be opened
    std::int32_t instance = 77;
    std::int32_t nextHandle = 101;
    std::vector<Call> calls;
    std::vector<std::int32_t> createdSizes, createdFlags;
    std::function<void(const Call&)> onCall;

  private:
    std::int32_t add(const char* op, std::int32_t handle);
};

} // namespace tarvenko
