// The alpha-beta search: its estimate of a position, its order of drops, and the search
// itself with its table. Which drops to try, and when 最強 asks it, are decided elsewhere.
#include "engine/AlphaBeta.h"

#include <algorithm>
#include <cstring>

namespace tarvenko::engine {

namespace {

constexpr int infinity = 32000;
constexpr int winScore = AlphaBeta::winScore;
constexpr int winThreshold = AlphaBeta::winThreshold;

enum Bound : std::uint8_t { Exact, Lower, Upper };

// A line of three squares along an axis starts at sq when all three are on the board;
// `shift` is the index step along the axis.
struct Axis {
    int shift;
    Bits starts;
};

constexpr Bits lineStarts(int dx, int dy) {
    Bits b = 0;
    for (int sq = 0; sq < squareCount; ++sq) {
        const int x2 = columnOf(sq) + 2 * dx, y2 = rowOf(sq) + 2 * dy;
        if (x2 >= 1 && x2 <= 9 && y2 >= 1 && y2 <= 9) b |= bit(sq);
    }
    return b;
}

constexpr Axis axes[4] = {
    {1, lineStarts(0, 1)}, {9, lineStarts(1, 0)}, {10, lineStarts(1, 1)}, {8, lineStarts(1, -1)}};

// Open lines of a side: groups of three squares in a row holding only its pieces and
// empty squares, weighted by how many of the three it already has.
int openLines(Bits own, Bits empty) {
    int value = 0;
    for (const Axis& a : axes) {
        const Bits a0 = own, a1 = own >> a.shift, a2 = own >> (2 * a.shift);
        const Bits usable = own | empty;
        const Bits open = a.starts & usable & (usable >> a.shift) & (usable >> (2 * a.shift));
        const Bits two = open & ((a0 & a1 & ~a2) | (a0 & ~a1 & a2) | (~a0 & a1 & a2));
        const Bits one = open & ((a0 & ~a1 & ~a2) | (~a0 & a1 & ~a2) | (~a0 & ~a1 & a2));
        value += 12 * count(two) + 2 * count(one);
    }
    return value;
}

int toTable(int score, int ply) {
    if (score > winThreshold) return score + ply;
    if (score < -winThreshold) return score - ply;
    return score;
}
int fromTable(int score, int ply) {
    if (score > winThreshold) return score - ply;
    if (score < -winThreshold) return score + ply;
    return score;
}

} // namespace

int AlphaBeta::evaluate(const Position& p) const {
    const int c = p.toMove, o = c ^ 1;
    const Bits empty = ~p.full & allSquares;
    int v = openLines(p.occ[c], empty) - openLines(p.occ[o], empty);
    v += 40 * (count(p.wins[c]) - count(p.wins[o]));
    // The side to move cannot win now. Where the opponent can complete a row on a square
    // the side to move may not drop on, and the side to move already attacks it (so the
    // opponent will be allowed there), only cutting that line of attack saves it.
    if (p.attacks[o] && (p.wins[o] & ~p.attacks[o] & p.attacks[c])) v -= 600;
    return v;
}

// Sorts the moves best first: the remembered best move, drops on the opponent's winning
// squares, drops next to pieces, then what cut off elsewhere in this search.
void AlphaBeta::orderMoves(const Position& p, Move* moves, int n, Move first) {
    const int c = p.toMove, o = c ^ 1;
    const Bits nearOwn = neighbours(p.occ[c]), nearOther = neighbours(p.occ[o]);
    std::uint64_t* const order = lists_.keys;
    for (int i = 0; i < n; ++i) {
        const Move m = moves[i];
        std::uint64_t key = 0;
        if (m == first) key += 1u << 30;
        if (has(p.wins[c], m.sq)) key += 1u << 27;
        if (has(p.wins[o], m.sq)) key += 1u << 26;
        if (has(nearOwn, m.sq)) key += 4000;
        if (has(nearOther, m.sq)) key += 1000;
        key += static_cast<std::uint64_t>(std::min(history_[c][m.kind][m.sq], 999));
        // Unique keys: ties keep the generator's order.
        order[i] = (key << 16) | static_cast<std::uint64_t>(0xFFFF - i);
    }
    // The first few in full order; past them a cut-off is rare and order matters little.
    std::partial_sort(order, order + std::min(n, 16), order + n,
                      [](std::uint64_t a, std::uint64_t b) { return a > b; });
    // The copy goes through a list kept with the searcher: a local one would be filled
    // with empty moves at every position, which costs more than the sort.
    Move* sorted = lists_.sorted;
    for (int i = 0; i < n; ++i) sorted[i] = moves[0xFFFF - (order[i] & 0xFFFF)];
    std::copy(sorted, sorted + n, moves);
}

int AlphaBeta::search(const Position& p, int depth, int alpha, int beta, int ply, bool passed) {
    if (++nodes_ > limit_) {
        stopped_ = true;
        return 0;
    }
    if (hasWinningDrop(p)) return winScore - ply;
    if (ply >= maxPly - 1) return evaluate(p);
    // A side that must stop a row the opponent is already allowed to complete has only the
    // drops that stop it; they are searched a drop further, also at the end of the depth,
    // so that a row that comes one drop beyond it is not missed.
    const Bits threats = threatsOf(p, p.toMove ^ 1);
    const Bits own = p.attacks[p.toMove];
    if (threats & own) {
        depth = std::max(depth, 0) + 1;
    } else {
        // A side held to one square has little choice: look a drop further there.
        const Bits allowed = p.allowedSquares();
        if ((allowed & (allowed - 1)) == 0 && ply < maxPly / 2) ++depth;
        if (depth <= 0) return evaluate(p);
    }
    Move* moves = lists_.at[ply];
    int all = 0;
    const int n = searchDrops(p, moves, threats, &all);
    if (all == 0) {
        // No drop: the turn passes; when neither side can drop the game cannot go on.
        if (passed) return 0;
        Position q = p;
        q.pass();
        return -search(q, depth, -beta, -alpha, ply + 1, true);
    }
    // Making, sifting and ordering a long list costs about as much as visiting a few
    // positions.
    nodes_ += all / 16;
    if (n == 0) return -(winScore - ply - 1);

    Entry& e = table_[p.key & ((std::uint64_t{1} << tableBits) - 1)];
    Move remembered{};
    if (e.key == p.key && e.generation == generation_) {
        remembered = e.move;
        if (e.depth >= depth) {
            const int v = fromTable(e.score, ply);
            if (e.bound == Exact || (e.bound == Lower && v >= beta) ||
                (e.bound == Upper && v <= alpha))
                return v;
        }
    }
    orderMoves(p, moves, n, remembered);

    const int alpha0 = alpha;
    int best = -infinity;
    Move bestMove = moves[0];
    for (int i = 0; i < n; ++i) {
        const Move m = moves[i];
        Position q = p;
        q.drop(m.sq, m.kind);
        // After the first drop, a narrow window only asks whether a drop is better; the
        // few that are get a full search.
        int v = i == 0 ? -search(q, depth - 1, -beta, -alpha, ply + 1, false)
                       : -search(q, depth - 1, -alpha - 1, -alpha, ply + 1, false);
        if (i > 0 && v > alpha && v < beta && !stopped_)
            v = -search(q, depth - 1, -beta, -alpha, ply + 1, false);
        if (stopped_) return 0;
        if (v > best) {
            best = v;
            bestMove = m;
            if (v > alpha) {
                alpha = v;
                if (alpha >= beta) {
                    history_[p.toMove][m.kind][m.sq] += depth * depth;
                    break;
                }
            }
        }
    }
    e.key = p.key;
    e.generation = generation_;
    e.score = static_cast<std::int16_t>(toTable(best, ply));
    e.depth = static_cast<std::int8_t>(depth);
    e.bound = best <= alpha0 ? Upper : best >= beta ? Lower : Exact;
    e.move = bestMove;
    return best;
}

Move AlphaBeta::choose(const Position& p, int depth, long nodes) {
    ++generation_;
    nodes_ = 0;
    limit_ = nodes;
    stopped_ = false;
    depth_ = 0;
    score_ = 0;
    std::memset(history_, 0, sizeof history_);
    Move* moves = lists_.at[0];
    const int n = tried_ = searchDrops(p, moves);
    if (n == 0) return Move{};
    orderMoves(p, moves, n, Move{});
    Move best = moves[0];
    for (int d = 1; d <= depth; ++d) {
        int alpha = -infinity;
        Move iterationBest = moves[0];
        int bestIndex = 0;
        for (int i = 0; i < n; ++i) {
            Position q = p;
            q.drop(moves[i].sq, moves[i].kind);
            int v = i == 0 ? -search(q, d - 1, -infinity, -alpha, 1, false)
                           : -search(q, d - 1, -alpha - 1, -alpha, 1, false);
            if (i > 0 && v > alpha && !stopped_) v = -search(q, d - 1, -infinity, -alpha, 1, false);
            if (stopped_) break;
            if (v > alpha) {
                alpha = v;
                iterationBest = moves[i];
                bestIndex = i;
            }
        }
        if (stopped_) break;
        best = iterationBest;
        score_ = alpha;
        depth_ = d;
        // The best move first in the next iteration, the others in their order.
        std::rotate(moves, moves + bestIndex, moves + bestIndex + 1);
        // A forced result is final.
        if (alpha > winThreshold || alpha < -winThreshold) break;
    }
    return best;
}

} // namespace tarvenko::engine
