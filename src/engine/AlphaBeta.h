// The alpha-beta search of 強い and 最強: iterative deepening over the drops the estimating
// searches try, with a table of positions seen, an estimate from open lines, and cut-offs
// remembered by square. It estimates: it proves nothing beyond its depth and its drops.
#pragma once

#include "engine/Drops.h"

#include <cstdint>

namespace tarvenko::engine {

class AlphaBeta {
  public:
    static constexpr int winScore = 30000;
    // A score beyond ± this is a forced result, not an estimate.
    static constexpr int winThreshold = winScore - 1000;

    // Works in `lists`. Its table takes 3 MiB: it is made once, inside a Searcher's memory.
    explicit AlphaBeta(DropLists& lists) : lists_(lists) {}
    AlphaBeta(const AlphaBeta&) = delete;
    AlphaBeta& operator=(const AlphaBeta&) = delete;

    // The drop it finds best, up to `depth` drops deep, within `nodes` positions; a pass
    // when the side to move has no drop. Leaves the tried() drops of the root in
    // lists.at[0], its choice first.
    Move choose(const Position& p, int depth, long nodes);

    int tried() const { return tried_; }
    // The value of its choice for the side to move, from the last depth it completed (0
    // when it completed none); ± beyond winThreshold for a forced row.
    int score() const { return score_; }
    int depth() const { return depth_; }
    long nodes() const { return nodes_; }

  private:
    struct Entry {
        std::uint64_t key;
        std::uint32_t generation;
        std::int16_t score;
        std::int8_t depth;
        std::uint8_t bound;
        Move move;
    };
    static constexpr int tableBits = 17;

    int search(const Position& p, int depth, int alpha, int beta, int ply, bool passed);
    int evaluate(const Position& p) const;
    void orderMoves(const Position& p, Move* moves, int n, Move first);

    DropLists& lists_;
    long nodes_ = 0;
    long limit_ = 0;
    bool stopped_ = false;
    int tried_ = 0;
    int depth_ = 0;
    int score_ = 0;
    std::uint32_t generation_ = 0; // of this search: the table's other entries are older
    int history_[2][kindCount + 1][squareCount] = {};
    Entry table_[std::size_t{1} << tableBits] = {};
};

} // namespace tarvenko::engine
