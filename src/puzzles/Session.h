// A puzzle on the board: set up from its drops as a record would be, the player's side to move,
// the goal on the line under the board. The computer answers each drop at once with the reply
// that resists longest; a row within the puzzle's drops solves it, and a drop after which the
// row can no longer be forced is told, with 戻 and the answer offered. Form1 asks it at a few
// points (the computer's turn, a row of three, ヒント, a new game or record); the kept game and
// the statistics leave puzzles alone (home/).
#pragma once

#include "engine/ExactValues.h"
#include "puzzles/Collection.h"

#include <memory>
#include <string>

namespace tarvenko {
class Form1;
}

namespace tarvenko::puzzles {

// The file the puzzles are read from, in the game's folder beside its sounds.
inline constexpr const char* kFile = "puzzles.txt";

class Session {
  public:
    explicit Session(Form1& f);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The puzzles, read when first asked for. A file that is missing or damaged gives none,
    // and a message box says why unless `quiet`.
    const Collection& collection(bool quiet = false);

    // 対局 → 詰め問題…: the chooser, then the puzzle chosen.
    void choose();
    // Puzzle k (from 1, in the chooser's order), as the chooser starts it. False, with a
    // message box, when there is none such or a game under way stands in the way.
    bool start(int k);

    bool active() const { return active_; }
    int length() const { return length_; }
    // The record's moves before the puzzle's first drop: 戻 goes no further back.
    int firstMove() const { return start_; }
    // The puzzle gives way to another game: its goal line goes.
    void end();

    // The computer's turn in a puzzle.
    void answer();
    // A row of three by `side` while a puzzle is on: true when it solved the puzzle, which is
    // then told and kept as solved.
    bool solvedBy(int side);
    // The drop that keeps the puzzle within its drops, for ヒント and the answer; false when
    // the player is not to move or no longer can.
    bool hint(engine::Move& m);
    // The goal line, in the language now in use.
    void drawGoal();
    // 成績's lines of puzzles solved per length; empty before the first one is solved.
    std::string statistics();

  private:
    // A game under way stands in the way, and is told so.
    bool blocked();
    engine::Analyser& analyser();
    // The position on the board with `side` to move.
    engine::Position current(int side) const;
    int playerDrops() const;
    bool failed() const;
    void offer();
    void eraseGoal();

    Form1& f_;
    Collection collection_;
    bool read_ = false;
    std::unique_ptr<engine::Analyser> analyser_; // made when first needed

    bool active_ = false;
    int index_ = -1;   // in collection_.puzzles
    int length_ = 0;   // the player's drops to the row
    int start_ = 0;    // moves of the record before the puzzle's first drop
    int failedAt_ = 0; // the record's entry of the player's drop that lost the puzzle, 0 none
    bool goalShown_ = false;
};

} // namespace tarvenko::puzzles
