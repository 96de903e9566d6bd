// What the game needs from its window: a persistent image drawn in twips, message boxes,
// the one check mark of the menu, a clock and placement. Form1 sees nothing else of the
// platform, so every handler can run in a test without a screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvenko {

// The eighteen bitmaps held by the window.
enum class Picture : int {
    KARA_MASU,
    PG_NA,
    SITA_HU,
    SITA_KYOU,
    SITA_KEI,
    SITA_GIN,
    SITA_KIN,
    SITA_KAKU,
    SITA_SYA,
    SITA_OU,
    UE_HU,
    UE_KYOU,
    UE_KEI,
    UE_GIN,
    UE_KIN,
    UE_KAKU,
    UE_SYA,
    UE_OU,
};
inline constexpr int kPictureCount = 18;

enum class MessageIcon { None, Exclamation };

// What the analysis shows over the board: its marks on squares and the line that tells the
// whole position, in twips. The game decides what they say; the window how they look.
struct AnalysisMark {
    float x1, y1, x2, y2; // the square
    bool win;             // a win for the side to move in n of its drops; else a loss in n
    int n;
};
struct AnalysisView {
    int count = 0; // marks in use
    AnalysisMark marks[81];
    std::string_view line; // UTF-8, or empty for none
    float lineX = 0, lineY = 0, points = 10;
    // The proved line of play, under the line and wrapped at the picture's right edge; UTF-8,
    // or empty for none.
    std::string_view moves;
};

// The game's moves as 棋譜解析 shows them, with the value after each for the side that made it.
struct ReviewRow {
    char move[32];         // in the record's notation, ▲５五歩
    char value[64];        // as shown
    std::string_view mark; // 敗着, 疑問手 or empty, as shown
    int weight;            // 2 敗着, 1 疑問手, 0 none
    float bar; // −1..1: above the axis where 先手 wins, below where 後手 wins, taller the
               // nearer the row; 0 where unknown
};
struct ReviewView {
    int count = 0;
    ReviewRow rows[40];
    int shown = 0; // the moves on the board
    std::string_view title, status;
    // The proved line of play from the position on the board with its value, or empty.
    std::string_view line;
};

// The puzzles the chooser lists, grouped by length in the order given; the game writes
// every text, the window lays them out.
struct PuzzleEntry {
    int length; // drops to the row
    int number; // from 1 within its length
    bool solved;
};
struct PuzzleList {
    const PuzzleEntry* entries = nullptr;
    int count = 0;
    std::string_view title;
    std::string_view groups[8];       // the heading of each length, by length
    std::string_view start, unsolved; // the buttons: the puzzle chosen, the first unsolved
    std::string_view none;            // shown instead of the list when it is empty
};

class Window {
  public:
    virtual ~Window() = default;

    // Persistent image. Coordinates are twips of the client area (15 per logical pixel),
    // colours are indexes of the 16-colour palette.
    virtual void setBackground(int colour) = 0;
    // Copies the picture at its own size with its top-left corner at (x, y).
    virtual void drawPicture(Picture picture, float x, float y) = 0;
    // One-pixel outline of the rectangle whose corners are (x1, y1) and (x2, y2).
    virtual void drawBox(float x1, float y1, float x2, float y2, int colour) = 0;
    // The rectangle with corners (x1, y1) and (x2, y2), border and inside in one colour.
    virtual void fillBox(float x1, float y1, float x2, float y2, int colour) = 0;
    // UTF-8 text with its top-left corner at (x, y), in the window's font.
    virtual void drawText(float x, float y, std::string_view text, float points, bool bold,
                          int colour) = 0;
    // Shows the image now, even in the middle of a handler.
    virtual void refresh() = 0;

    // A modal box with one OK button; returns when it is closed.
    virtual void messageBox(std::string_view text, std::string_view title, MessageIcon icon) = 0;

    // The check mark of the music item, the only checkable one.
    virtual void setMusicChecked(bool checked) = 0;
    virtual bool musicChecked() const = 0;

    // Seconds on a monotonic clock, and a pause that handles no input.
    virtual double seconds() = 0;
    virtual void sleep(double seconds) = 0;

    // Window placement in twips (left, top of the frame; width, height).
    virtual float top() const = 0;
    virtual void place(float left, float top, float width, float height) = 0;

    // The value handed to the sound library as the window's handle.
    virtual std::int32_t handle() const = 0;

    // Ends the program once the current handler returns; nothing more is handled.
    virtual void quit() = 0;

    // The keyboard cursor: a two-pixel outline just inside the rectangle (x1, y1)-(x2, y2)
    // of a square, shown over the image and never part of it, so moving it leaves the
    // square's own outline as it was. Hidden when `shown` is false.
    virtual void showCursor(bool /*shown*/, float /*x1*/, float /*y1*/, float /*x2*/, float /*y2*/,
                            int /*colour*/) {}

    // The desktop's dialog for choosing a game record to save (or to open); the chosen
    // file's path, or an empty string when the player cancels.
    virtual std::string askRecordPath(bool /*save*/) { return {}; }

    // Marks the strength's item under ｵﾌﾟｼｮﾝ → 強さ (0 標準, 1 強い, 2 最強), for a strength
    // that did not come from a click there (a game record's).
    virtual void showStrength(int /*strength*/) {}

    // Shows the window that explains the game, beside this one.
    virtual void showHelp() {}

    // The 成績 box: the text with an OK button and a リセット button that asks before it
    // answers; true when the player chose リセット and confirmed it.
    virtual bool statisticsBox(std::string_view text, std::string_view title) {
        messageBox(text, title, MessageIcon::None);
        return false;
    }

    // The game in progress could not be kept as the program ends; the text says why. True
    // when the player chooses to save its record elsewhere (the record dialog follows), false
    // to end without it. A program ending for a signal answers false without asking.
    virtual bool askSaveElsewhere(std::string_view text, std::string_view title) {
        messageBox(text, title, MessageIcon::Exclamation);
        return false;
    }

    // The check mark of a checkable item other than the music's, by its name in the menu.
    virtual void setItemChecked(const char* /*item*/, bool /*checked*/) {}
    // The analysis's marks and line over the image, like the cursor never part of it;
    // replaces what was shown before. An empty view hides them.
    virtual void showAnalysis(const AnalysisView& /*view*/) {}
    // Shows (or brings up to date) the 棋譜解析 window beside this one.
    virtual void showReview(const ReviewView& /*view*/) {}

    // A modal box with one button for each of `buttons` (UTF-8); the index of the one chosen,
    // or −1 when the box was closed without one.
    virtual int choiceBox(std::string_view text, std::string_view title,
                          const std::string_view* /*buttons*/, int /*count*/) {
        messageBox(text, title, MessageIcon::None);
        return -1;
    }
    // The puzzle chooser, modal; the index in `list.entries` of the puzzle to start, or −1.
    virtual int choosePuzzle(const PuzzleList& /*list*/) { return -1; }
};

} // namespace tarvenko
