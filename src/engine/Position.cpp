#include "engine/Position.h"
#include "engine/Keys.h"

namespace tarvenko::engine {

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

namespace {

// The empty squares where one more piece makes exactly three of `own` in a row on some axis:
// the runs beside the square, one each way, add up to two.
Bits winningSquares(Bits own, Bits empty) {
    Bits w = 0;
    for (int axis = 0; axis < 4; ++axis) {
        const int a = 2 * axis, b = a + 1;
        const Bits a1 = before(own, a), a2 = before(own & a1, a), a3 = before(own & a2, a);
        const Bits b1 = before(own, b), b2 = before(own & b1, b), b3 = before(own & b2, b);
        w |= (a2 & ~a3 & ~b1) | (a1 & ~a2 & b1 & ~b2) | (b2 & ~b3 & ~a1);
    }
    return w & empty;
}

} // namespace

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
    const Bits empty = ~full & allSquares;
    for (int side = 0; side < 2; ++side) wins[side] = winningSquares(occ[side], empty);
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
    wins[c] = winningSquares(occ[c], ~full & allSquares);
    toMove = o;
}

Bits Position::attacksPast(int side, int sq) const {
    const Bits b = bit(sq);
    const Bits on = full | b;
    const Bits sl = (slide[side] & b) ? slideUnion(side, on) : slide[side];
    return (steps[side] | sl) & ~on;
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

namespace {
// The squares of the columns in a set of columns (bit X for column X).
struct ColumnSets {
    Bits of[1 << 10] = {};
};
constexpr ColumnSets makeColumnSets() {
    ColumnSets c{};
    for (unsigned m = 0; m < (1u << 10); ++m) {
        for (int x = 1; x <= 9; ++x) {
            if (m & (1u << x)) c.of[m] |= tables.column[x];
        }
    }
    return c;
}
constexpr ColumnSets columnSets = makeColumnSets();
} // namespace

Bits Position::droppable(int side, int k) const {
    const Bits targets = tables.dropSquares[side][k];
    return k == Pawn ? targets & ~columnSets.of[pawnColumns[side] & 0x3FF] : targets;
}

Bits Position::dropTargets(int k) const {
    return allowedSquares() & droppable(toMove, k);
}

} // namespace tarvenko::engine
