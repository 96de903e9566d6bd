// The stronger computer's choice of a drop: 強い asks the alpha-beta search alone; 最強 also
// asks the exact search and the proof search, in an order and with allowances set out in
// choose(). The searches themselves are in AlphaBeta.h, ProofSearch.h and ExactSearch.h.
// They are limited by counts of positions, never by the clock, so a position always gives the
// same drop. Every table is allocated when the searcher is made; a choice allocates nothing.
#pragma once

#include "engine/AlphaBeta.h"
#include "engine/Drops.h"
#include "engine/ExactSearch.h"
#include "engine/ProofSearch.h"

#include <memory>

namespace tarvenko::engine {

// 最強's looks beside the alpha-beta search, in positions; 0 for none, as 強い plays.
struct Looks {
    long exact = 0; // the exact search's first look; its later looks get twice as many
    long prove = 0; // the proof search, for a forced row of its own
    long check = 0; // each check of a chosen drop for a forced row of the opponent's
};

// The alpha-beta search goes up to `depth` drops deep within `nodes` positions.
struct Limits {
    int depth;
    long nodes;
    Looks looks = {};
};

// The strengths above the game's own one-move look-ahead: 1 強い, 2 最強.
Limits limitsFor(int strength);

class Searcher {
  public:
    Searcher();
    ~Searcher();
    Searcher(const Searcher&) = delete;
    Searcher& operator=(const Searcher&) = delete;

    // The drop to play, or a pass when there is none.
    Move choose(const Position& p, Limits limits);

    // Whether the side to move can force a row (+1), the opponent can (−1), or neither
    // was found by the proof search within limits.nodes positions for each side (0). The
    // search tries one kind of each reach on a square, so ±1 is a strong guess, not a proof;
    // Analyser gives proved values.
    int solve(const Position& p, Limits limits);

    // Positions visited by every search the last call asked.
    long nodes() const { return nodes_; }
    // The depth the alpha-beta search completed for the last choice, 0 when it was not asked.
    int depth() const { return depth_; }
    // The value of the last choice for the side that made it, on the alpha-beta search's
    // scale.
    int score() const { return score_; }

    static constexpr int winScore = AlphaBeta::winScore;
    // A score beyond ± this is a forced result, not an estimate.
    static constexpr int winThreshold = AlphaBeta::winThreshold;

  private:
    struct Parts; // the searches and their tables, made once
    // choose()'s steps, in its order; each a pass when it leaves the choice to the next.
    Move winningDrop(const Position& p);
    Move exactDrop(const Position& p, long nodes);
    Move provedWin(const Position& p, long nodes, long fastest);
    Move alphaBetaDrop(const Position& p, int depth, long nodes);
    Move settle(const Position& p, Move best, long nodes);
    Move checked(const Position& p, Move best, long nodes);
    Move unrefuted(const Position& p, Move chosen, long nodes);

    std::unique_ptr<Parts> parts_;
    long nodes_ = 0;
    int depth_ = 0;
    int score_ = 0;
};

} // namespace tarvenko::engine
