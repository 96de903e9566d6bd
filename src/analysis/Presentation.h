// The exact analysis shown to the player: on the board the best value of a drop on every
// square the side to move may use (解析), and for a whole game the value after every move
// (棋譜解析). What is shown is decided here, in plain C++; a Runner does the valuing, beside
// the game in the real window, at once in the driver and the tests.
#pragma once

#include "analysis/WinningLine.h"
#include "engine/ExactValues.h"
#include "engine/Position.h"
#include "engine/Search.h"
#include "platform/Window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvenko {
class Form1;
}

namespace tarvenko::analysis {

// A proved value for one side: a win in n of its own drops (the winning drop counted), a loss
// in n of the opponent's drops when it resists longest, or unknown within the budget.
using Value = engine::Value;

// The same value for the other side.
constexpr Value flip(Value v) {
    return {v.kind == Value::Win    ? Value::Loss
            : v.kind == Value::Loss ? Value::Win
                                    : Value::Unknown,
            v.n};
}

// True when a is better than b for the side both belong to: a win, the faster the better,
// then unknown, then a loss, the slower the better.
bool better(Value a, Value b);

inline constexpr int kMaxRecord = 40; // every piece dropped

// What a runner is asked to value.
struct Request {
    enum Kind : std::uint8_t { Board, Record, Line };
    Kind kind = Board;
    std::uint64_t generation = 0;
    // Board: every drop of this position. Record: this position and every one after a drop.
    // Line: the proved line from this position, whose value is `value`; moves[0], when count
    // is 1, is a drop already proved to have it.
    engine::Position start;
    Value value;
    int count = 0;
    int from = 0; // Record: the first position to value; those before it were valued already
    std::uint64_t known = 0; // Record: bit k for each position before `from` valued known
    engine::Move moves[kMaxRecord];
    std::int8_t sides[kMaxRecord] = {}; // 0 先手, 1 後手: a side may have passed before it
};

struct Result {
    Request::Kind kind = Request::Board;
    std::uint64_t generation = 0;
    // Board: the drop's place in the generator's order, −1 for the whole position once every
    // drop is valued; Record: the position; Line: the drop's place in the line, −1 once the
    // line is done, its value a win when it reaches the row and unknown when the proofs ran out.
    int index = 0;
    engine::Move move;    // Board, Line: the drop
    Value value;          // for the side that drops; for the side to move
    std::int8_t side = 0; // Line: the side that drops, 0 先手, 1 後手
};

// Where results go, on the game's thread.
class Sink {
  public:
    virtual void take(const Result& r) = 0;
    // After a batch of results: time to show them.
    virtual void flush() = 0;

  protected:
    ~Sink() = default;
};

// Does a request's work with the engine's exact analysis, handing out each result as it is
// found, until done or `stop` is set. Every runner uses it, so the driver's values are the
// window's. With `more`, a board's drops, or a record's positions, left unknown are then valued
// again with more positions until that flag is set, and each one settled is handed out again.
using Emit = void (*)(void* context, const Result& r);
void work(const Request& r, engine::Analyser& analyser, const std::atomic<bool>& stop, Emit found,
          void* context, const std::atomic<bool>* more = nullptr);

class Runner {
  public:
    virtual ~Runner() = default;
    // Replaces any earlier request of the same kind.
    virtual void start(const Request& r) = 0;
    // No result of that kind is wanted any more.
    virtual void cancel(Request::Kind kind) = 0;
};

// Does the work at once, on the caller's thread.
class SyncRunner final : public Runner {
  public:
    explicit SyncRunner(Sink& sink) : sink_(sink) {}
    void start(const Request& r) override;
    void cancel(Request::Kind) override {}

  private:
    Sink& sink_;
    std::unique_ptr<engine::Analyser> analyser_; // made when first needed
};

class Analysis final : public Sink {
  public:
    explicit Analysis(Form1& f);
    ~Analysis();
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;

    // Whether 解析 is on, for the settings to keep; setOn marks the menu item.
    bool on() const { return on_; }
    void setOn(bool on);
    // Who values: nullptr (the start) does it at once on the game's thread.
    void use(Runner* runner);

    // The position is changing: its marks go at once, before anything else is shown.
    void positionChanged();
    // After every event: asks for the values of what should be shown now.
    void update();
    // 棋譜解析: values every position of the game's record and shows them.
    void review();
    // The 棋譜解析 window was closed: its values are no longer wanted.
    void endReview();
    // The position after k moves of the record, reached as 戻 and 進 reach it.
    void goTo(int k);
    // The fastest winning drop of the side to move, once every drop has its value.
    bool fastestWin(engine::Move& m) const;

    // The line under the board is at (x, y) twips and tells a known value: a click there
    // shows the proved line, or hides it again.
    bool lineAt(float x, float y) const;
    // Shows the proved line under the board, or hides it; false when there is none to show.
    bool toggleLine();
    // Every kind the side to move may drop on square (X, Y), best first, a line each with its
    // value (歩　先手の勝ち（あと 4 手）); empty while no marks are shown.
    std::string tip(int X, int Y) const;
    // The kind of the hand slot selected, whose drops the marks then show; 0 for none.
    int selectedKind() const;

    void take(const Result& r) override;
    void flush() override;

  private:
    bool wanted() const;
    engine::Position current() const;
    bool recordChanged() const;
    void requestRecord();
    void showBoard();
    void showRecord();
    void hide();
    Runner& runner();
    // The value of the position on the board and a drop proved to keep it, when known.
    bool lineValue(Value& v, engine::Move& first) const;
    void requestLine();
    void forgetLine();
    // The line's drops as shown, then what is still to come or left unproved.
    void lineMoves(std::string& out) const;
    // The line telling a side's win, or the position's state, for the side to move `side`.
    void valueLine(char (&out)[128], Value v, int side) const;

    Form1& f_;
    bool on_ = false;
    Runner* runner_ = nullptr;
    std::unique_ptr<SyncRunner> sync_;
    std::uint64_t generation_ = 0;

    // The board: the position asked about, its drops and those valued so far.
    bool asked_ = false;
    bool shown_ = false;
    bool boardDirty_ = false;
    std::uint64_t boardGeneration_ = 0;
    std::uint64_t key_ = 0;
    int side_ = 0;
    int drops_ = 0, known_ = 0;
    bool whole_ = false; // the position's value is in
    Value value_;
    engine::Move moves_[engine::maxMoves];
    Value values_[engine::maxMoves];
    bool have_[engine::maxMoves] = {};
    Request board_;
    AnalysisView view_;
    char line_[128] = {};
    int shownKind_ = 0; // the kind whose drops the marks show, 0 the best of any

    // The proved line of the position on the board: asked for while the player wants it on
    // the board or 棋譜解析 is open, its drops as they come.
    bool lineShown_ = false;
    bool lineAsked_ = false;
    bool lineDirty_ = false;
    bool lineDone_ = false, lineComplete_ = false;
    std::uint64_t lineKey_ = 0, lineGeneration_ = 0;
    Value lineValue_;
    int lineSide_ = 0;
    int lineCount_ = 0;
    LineStep lineSteps_[WinningLine::kMost];
    Request lineRequest_;
    std::string lineText_;   // under the board
    std::string reviewLine_; // in 棋譜解析

    // The record under review and the value of each of its positions for the side to move.
    bool reviewing_ = false;
    bool recordDirty_ = false;
    std::uint64_t recordGeneration_ = 0;
    Request record_;
    Value positions_[kMaxRecord + 1];
    bool positionKnown_[kMaxRecord + 1] = {};
    bool rowMade_[kMaxRecord + 1] = {};
    ReviewView review_;
    char status_[64] = {};
};

} // namespace tarvenko::analysis
