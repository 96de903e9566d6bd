// The drops a side may make, as every search of the engine sees them: the full list, the
// shorter list the estimating searches try, the rows a side threatens and the drops that stop
// them, and the lists the searches keep per ply. No search is here, and nothing is counted.
#pragma once

#include "engine/Position.h"

#include <cstdint>

namespace tarvenko::engine {

struct Move {
    std::int8_t sq = -1; // −1: no drop, the turn passes
    std::int8_t kind = 0;
    bool isPass() const { return sq < 0; }
    bool operator==(const Move&) const = default;
};

constexpr int maxMoves = kindCount * squareCount;

// Every drop the side to move may make, by kind 1..8 and then square in scan order; only
// on the squares of `only` when given. Returns how many were written to out (room for
// maxMoves).
inline int generateDrops(const Position& p, Move* out, Bits only = allSquares) {
    int n = 0;
    const int c = p.toMove;
    for (int k = 1; k <= kindCount; ++k) {
        if (p.hand[c][k] == 0) continue;
        for (Bits t = p.dropTargets(k) & only; t;) {
            out[n++] = {static_cast<std::int8_t>(popLowest(t)), static_cast<std::int8_t>(k)};
        }
    }
    return n;
}

// The side to move completes exactly three with a drop it may make now.
inline bool hasWinningDrop(const Position& p) {
    const int c = p.toMove;
    if (!(p.allowedSquares() & p.wins[c])) return false;
    for (int k = 1; k <= kindCount; ++k) {
        if (p.hand[c][k] != 0 && (p.dropTargets(k) & p.wins[c])) return true;
    }
    return false;
}

// The empty squares where `side` would complete a row with a piece it holds and may drop
// there, the placement rule left aside: whether it will be allowed there depends on the
// drop before.
inline Bits threatsOf(const Position& p, int side) {
    const Bits w = p.wins[side];
    if (!w) return 0;
    Bits can = 0;
    for (int k = 1; k <= kindCount && (w & can) != w; ++k) {
        if (p.hand[side][k] != 0) can |= p.droppable(side, k);
    }
    return w & can;
}

// Whether a drop on sq whose own reach over the empty squares is `own` leaves the opponent
// no row on one of `threats`. `open`: the mover's lines of attack take in one of them
// already. `past()` gives the mover's lines of attack past sq, asked for only when they
// matter.
template <class Past>
bool stops(const Position& p, int sq, Bits own, Bits threats, bool open, Past past) {
    const Bits b = bit(sq);
    const Bits on = p.full | b;
    // While the mover's lines of attack miss them all, only a drop whose own reach takes
    // one in, or one that leaves the mover no line of attack at all, lets the opponent in.
    if (!open && (p.steps[p.toMove] & ~on)) return !(own & threats);
    const Bits after = past() | own;
    const Bits allowed = after ? after : ~on & allSquares;
    return !(threats & ~b & allowed);
}

// Whether the mover's drop m leaves the opponent no row on one of `threats`: it is on such a
// square, or the mover's lines of attack after it leave them out.
inline bool defends(const Position& p, Move m, Bits threats, bool open) {
    const int c = p.toMove;
    const Bits on = p.full | bit(m.sq);
    const Bits own =
        slides(m.kind) ? slideReach(c, m.kind, m.sq, on) : tables.step[c][m.kind][m.sq];
    return stops(p, m.sq, own & ~on, threats, open, [&] { return p.attacksPast(c, m.sq); });
}

// The drops the alpha-beta and proof searches try: square by square, and on each square one
// drop for each different reach. Two kinds that would reach the same empty squares from a
// square keep doing so for the rest of the game (pieces never move, rays only get shorter),
// so only the first of them, the weaker piece, is tried there. With `threats`, the
// opponent's rows to stop, only the drops that stop them all are written; `all` is set to
// the number there were before. Sifting them here uses the reach each drop already has, and
// the lines of attack past a square once for all its kinds. `made(i, sq, kind)` hears of
// each drop as it is written to out[i].
//
// The two positions still differ in the piece left in hand, so a forced row found over
// these drops is a good guess, not a proof: a drop left out may refute it. After the drops
// N76 l84 L86 p64, the proof search finds a forced row for 後手, though 先手 is to move and
// forces one in ten drops. Tried with every drop, the proofs come out right, but 最強 wins
// fewer games against 強い, so the searches keep the guess. The exact search, whose values
// are shown and played, tries every drop.
template <class Made>
int searchDrops(const Position& p, Move* out, Bits threats, int* all, Made made) {
    const int c = p.toMove;
    const Bits allowed = p.allowedSquares();
    const Bits full = p.full;
    // The kinds in hand and where each may go, worked out once.
    int kinds[kindCount];
    Bits targets[kindCount];
    int held = 0;
    Bits any = 0;
    for (int k = 1; k <= kindCount; ++k) {
        if (p.hand[c][k] == 0) continue;
        kinds[held] = k;
        any |= targets[held++] = allowed & p.droppable(c, k);
    }
    const bool open = (threats & p.attacks[c]) != 0;
    const Bits stepsFree = p.steps[c] & ~full;
    int n = 0, total = 0;
    while (any) {
        const int sq = popLowest(any);
        const Bits b = bit(sq);
        const Bits on = full | b;
        // stops' first test is the same for every kind on the square.
        const bool quick = !open && (stepsFree & ~b);
        Bits past = 0;
        bool havePast = false;
        const auto pastSq = [&] {
            if (!havePast) {
                past = p.attacksPast(c, sq);
                havePast = true;
            }
            return past;
        };
        Bits reach[kindCount];
        int distinct = 0;
        for (int j = 0; j < held; ++j) {
            if (!has(targets[j], sq)) continue;
            const int k = kinds[j];
            const Bits r = (slides(k) ? slideReach(c, k, sq, on) : tables.step[c][k][sq]) & ~on;
            bool same = false;
            for (int i = 0; i < distinct && !same; ++i) same = reach[i] == r;
            if (same) continue;
            reach[distinct++] = r;
            ++total;
            if (threats && (quick ? (r & threats) != 0 : !stops(p, sq, r, threats, open, pastSq)))
                continue;
            made(n, sq, k);
            out[n++] = {static_cast<std::int8_t>(sq), static_cast<std::int8_t>(k)};
        }
    }
    if (all) *all = total;
    return n;
}
inline int searchDrops(const Position& p, Move* out, Bits threats = 0, int* all = nullptr) {
    return searchDrops(p, out, threats, all, [](int, int, int) {});
}

// How deep any search goes: the lists below hold a ply each.
constexpr int maxPly = 64;

// The drop lists of a search, one per ply, and room to sort one. The searches of one
// Searcher never run at once and work in the same lists: what one leaves at a ply is there
// for the next to read, until it writes its own.
struct DropLists {
    Move at[maxPly][maxMoves];
    std::uint64_t keys[maxMoves]; // sort keys, or the keys of the positions after the drops
    Move sorted[maxMoves];
};

} // namespace tarvenko::engine
