#include "engine/Position.h"

namespace tarvenko::engine {

namespace {

// Random keys for hashing: one per piece on a square, per hand count, and the side to move.
struct Keys {
    std::uint64_t piece[2][kindCount + 1][squareCount] = {};
    std::uint64_t hand[2][kindCount + 1][20] = {};
    std::uint64_t side = 0;
};

constexpr Keys makeKeys() {
    Keys k{};
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    auto next = [&s] {
        s += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = s;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    for (auto& side : k.piece)
        for (auto& kind : side)
            for (auto& v : kind) v = next();
    for (auto& side : k.hand)
        for (auto& kind : side)
            for (auto& v : kind) v = next();
    k.side = next();
    return k;
}

constexpr Keys keys = makeKeys();

int handIndex(int n) {
    return n < 0 ? 0 : n > 19 ? 19 : n;
}

} // namespace

std::uint64_t Position::sideKey() {
    return keys.side;
}

Bits Position::slideUnion(int side, Bits on) const {
    Bits reach = 0;
    for (Bits s = sliders[side]; s;) {
        const int sq = popLowest(s);
        reach |= slideReach(side, kind[sq], sq, on);
    }
    return reach;
}

void Position::loadBoard(const int (&board)[10][10]) {
    *this = Position{};
    for (int sq = 0; sq < squareCount; ++sq) {
        const int code = board[columnOf(sq)][rowOf(sq)];
        if (code == 0) continue;
        full |= bit(sq);
        const int side = sideOfCode(code);
        if (side < 0) continue;
        occ[side] |= bit(sq);
        const int k = kindOfCode(code);
        if (k == 0) continue; // counts in a row, moves nowhere
        kind[sq] = static_cast<std::uint8_t>(k);
        key ^= keys.piece[side][k][sq];
        if (k == Pawn) pawnColumns[side] |= static_cast<std::uint16_t>(1u << columnOf(sq));
        if (slides(k)) {
            sliders[side] |= bit(sq);
        } else {
            steps[side] |= tables.step[side][k][sq];
        }
    }
    for (int side = 0; side < 2; ++side) {
        slide[side] = slideUnion(side, full);
        attacks[side] = (steps[side] | slide[side]) & ~full;
    }
}

void Position::load(const int (&board)[10][10]) {
    loadBoard(board);
    findWins();
}

void Position::setHands(const int (&sente)[kindCount + 1], const int (&gote)[kindCount + 1],
                        int sideToMove) {
    for (int side = 0; side < 2; ++side) {
        for (int k = 1; k <= kindCount; ++k) {
            key ^= keys.hand[side][k][handIndex(hand[side][k])];
            const int n = side == 0 ? sente[k] : gote[k];
            hand[side][k] = static_cast<std::uint8_t>(n < 0 ? 0 : n > 255 ? 255 : n);
            key ^= keys.hand[side][k][handIndex(hand[side][k])];
        }
    }
    if ((sideToMove & 1) != toMove) pass();
}

bool Position::rowOfThree(int side, int sq) const {
    const Bits own = occ[side];
    for (int axis = 0; axis < 4; ++axis) {
        int n = 0;
        for (int d = 2 * axis; d <= 2 * axis + 1 && n <= 2; ++d) {
            for (int s = tables.next[d][sq]; s >= 0 && has(own, s); s = tables.next[d][s]) {
                if (++n > 2) break;
            }
        }
        if (n == 2) return true;
    }
    return false;
}

void Position::findWins() {
    for (int side = 0; side < 2; ++side) {
        wins[side] = 0;
        // Only an empty square next to one of the side's pieces can complete a row.
        for (Bits e = ~full & allSquares; e;) {
            const int sq = popLowest(e);
            if ((tables.step[0][King][sq] & occ[side]) && rowOfThree(side, sq))
                wins[side] |= bit(sq);
        }
    }
}

// After `side` took sq: along each of the eight directions, the first empty square beyond
// the side's run from sq may have changed. Runs of three or more already spoil an exact
// three, so only squares within three steps need a look.
void Position::updateWins(int side, int sq) {
    for (int d = 0; d < 8; ++d) {
        int s = sq;
        for (int dist = 1; dist <= 3; ++dist) {
            s = tables.next[d][s];
            if (s < 0) break;
            if (has(occ[side], s)) continue;
            if (!has(full, s)) {
                if (rowOfThree(side, s)) {
                    wins[side] |= bit(s);
                } else {
                    wins[side] &= ~bit(s);
                }
            }
            break;
        }
    }
}

void Position::drop(int sq, int k) {
    const int c = toMove, o = c ^ 1;
    const Bits b = bit(sq);
    kind[sq] = static_cast<std::uint8_t>(k);
    occ[c] |= b;
    full |= b;
    key = keyAfter(sq, k);
    --hand[c][k];
    if (k == Pawn) pawnColumns[c] |= static_cast<std::uint16_t>(1u << columnOf(sq));
    // Rays through sq stop there now.
    if (slide[o] & b) slide[o] = slideUnion(o, full);
    if (slide[c] & b) slide[c] = slideUnion(c, full);
    if (slides(k)) {
        sliders[c] |= b;
        slide[c] |= slideReach(c, k, sq, full);
    } else {
        steps[c] |= tables.step[c][k][sq];
    }
    attacks[c] = (steps[c] | slide[c]) & ~full;
    attacks[o] = (steps[o] | slide[o]) & ~full;
    // The opponent's runs stopped at the empty sq before and stop at the new piece now.
    wins[o] &= ~b;
    wins[c] &= ~b;
    updateWins(c, sq);
    toMove = o;
}

std::uint64_t Position::keyAfter(int sq, int k) const {
    const int c = toMove;
    return key ^ keys.piece[c][k][sq] ^ keys.hand[c][k][handIndex(hand[c][k])] ^
           keys.hand[c][k][handIndex(hand[c][k] - 1)] ^ keys.side;
}

Bits Position::attacksAfterDrop(int side, int sq, int k) const {
    const Bits b = bit(sq);
    const Bits on = full | b;
    Bits reach = steps[side];
    Bits sl = (slide[side] & b) ? slideUnion(side, on) : slide[side];
    if (slides(k)) {
        sl |= slideReach(side, k, sq, on);
    } else {
        reach |= tables.step[side][k][sq];
    }
    return (reach | sl) & ~on;
}

Bits Position::droppable(int side, int k) const {
    Bits targets = tables.dropSquares[side][k];
    if (k == Pawn) {
        for (int x = 1; x <= 9; ++x) {
            if (pawnColumns[side] & (1u << x)) targets &= ~tables.column[x];
        }
    }
    return targets;
}

Bits Position::dropTargets(int k) const {
    return allowedSquares() & droppable(toMove, k);
}

} // namespace tarvenko::engine
