// The stronger computer: alpha-beta with iterative deepening over the game's drops, on the
// incrementally kept position, and for 最強 a proof-number search for forced rows on
// either side. It is limited by depth and by a count of positions visited, never by the
// clock, so a position always gives the same move. Every table it uses is allocated when
// the searcher is made; a search allocates nothing.
#pragma once

#include "engine/Position.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tarvenko::engine {

struct Move {
    std::int8_t sq = -1; // −1: no drop, the turn passes
    std::int8_t kind = 0;
    bool isPass() const { return sq < 0; }
    bool operator==(const Move&) const = default;
};

// What a position or a drop is worth to the side that moves (ExactValues.h says more).
struct Value {
    enum Kind : std::int8_t { Unknown, Win, Loss };
    Kind kind = Unknown;
    std::int8_t n = 0; // the drops, for Win and Loss
    bool known() const { return kind != Unknown; }
    bool operator==(const Value&) const = default;
};

struct DropValue {
    Move move;
    Value value;
};

constexpr int maxMoves = kindCount * squareCount;

// Every drop the side to move may make, by kind 1..8 and then square in scan order; only
// on the squares of `only` when given. Returns how many were written to out (room for
// maxMoves).
int generateDrops(const Position& p, Move* out, Bits only = allSquares);

// The side to move completes exactly three with a drop it may make now.
bool hasWinningDrop(const Position& p);

struct Limits {
    int depth;
    long nodes;
    // A forced row of its own is looked for first with up to `prove` positions; after the
    // search, its choice is checked with up to `check` for a forced row of the opponent's,
    // and a drop found lost gives way to the next, up to three drops.
    long prove = 0;
    long check = 0;
    // Before all of that, the exact search looks with up to `exact` positions for the
    // fastest forced row of its own, and, when every drop is lost, for the drop that
    // resists longest. When only the proof finds a forced row, the exact search looks once
    // more with twice `exact`, so that a won game draws nearer to its row each drop.
    // Otherwise, after the search, it looks once more with twice `exact` for a forced row
    // deeper than it saw at first. Both later looks show most two-drop attempts to fail
    // without making them.
    long exact = 0;
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

    long nodes() const { return nodes_; }
    int depth() const { return depthDone_; }
    int score() const { return score_; }

    static constexpr int winScore = 30000;
    // A score beyond ± this is a forced result, not an estimate.
    static constexpr int winThreshold = winScore - 1000;

  private:
    friend class Analyser;
    struct Entry;
    struct Memory; // the tables, the proofs, move lists and history, made once
    struct Proof;
    void begin(Limits limits);
    // The next `nodes` positions may be visited, from the count so far.
    void allow(long nodes);
    bool proves(const Position& p, int attacker, long nodes, int ply);
    void prove(const Position& p, std::uint32_t thpn, std::uint32_t thdn, int ply, bool passed);
    Proof& slot(std::uint64_t key) const;
    void lookup(std::uint64_t key, std::uint32_t& pn, std::uint32_t& dn) const;
    void record(std::uint64_t key, std::uint32_t pn, std::uint32_t dn);
    int search(const Position& p, int depth, int alpha, int beta, int ply, bool passed);
    int evaluate(const Position& p) const;
    void orderMoves(const Position& p, Move* moves, int n, Move first) const;

    std::unique_ptr<Memory> t_;
    long nodes_ = 0;
    long nodeLimit_ = 0;
    bool stopped_ = false;
    int depthDone_ = 0;
    int score_ = 0;
    std::uint32_t generation_ = 0;
    int attacker_ = 0; // the side a proof is sought for

    // The exact search: whether the side to move forces a row within k of its own drops,
    // and whether every drop it may make lets the opponent force one within k of theirs.
    // A position's answers are kept for the rest of the analysis.
    struct Known;
    Known& exactSlot(std::uint64_t key) const;
    // Keeps what a search of k drops proved of a position: for the side to move's own row
    // (win) or the opponent's (loss), that it comes within k drops, or that it does not.
    void rememberExact(std::uint64_t key, bool win, bool proved, int k);
    void beginExact(const std::atomic<bool>* cancel);
    bool tick();
    bool winsWithin(const Position& p, int k, int ply, bool passed);
    bool losesWithin(const Position& p, int k, int ply, bool passed);
    // The value of the drop m in p with up to `nodes` positions. `notWithin` is set to the
    // number of drops within which the mover is proved not to win with it.
    Value dropValue(const Position& p, Move m, long nodes, int& notWithin);
    // The drop that wins fastest or, when every drop loses, resists longest, found with up
    // to `nodes` positions; a pass when neither is proved.
    Move exactChoice(const Position& p, long nodes);
    // After the search chose `best`: the exact search once more, telling two-drop attempts
    // apart unmade, with up to `nodes` positions. Where it finds a forced row of its own,
    // `best` if it wins as fast, else the exact choice; a pass when it finds none.
    Move settle(const Position& p, Move best, long nodes);
    const std::atomic<bool>* cancel_ = nullptr;
    std::uint32_t exactGeneration_ = 0;
    // With two drops left, the analysis shows most drops to fail without making them. 最強's
    // first look makes and counts each, so that its allowance buys what it always has and
    // it chooses the same drops; its later looks do not.
    bool quickTwo_ = false;
};

} // namespace tarvenko::engine
