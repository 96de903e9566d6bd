// Per-square tables computed at compile time: neighbours and rays in the eight
// directions, the reach of every non-sliding piece, and the squares a kind may be dropped
// on. Sides are 0 (先手, moving toward row 1) and 1 (後手, toward row 9); kinds are 1..8,
// 歩 香 桂 銀 金 角 飛 王 (Pawn … King).
#pragma once

#include "engine/Bits.h"

#include <array>

namespace tarvenko::engine {

enum Kind : int { Pawn = 1, Lance, Knight, Silver, Gold, Bishop, Rook, King };
constexpr int kindCount = 8;

// Directions, in opposite pairs along the four axes in the order the row test examines
// them: up/down, left/right, up-left/down-right, down-left/up-right.
constexpr int dirX[8] = {0, 0, -1, 1, -1, 1, -1, 1};
constexpr int dirY[8] = {-1, 1, 0, 0, -1, 1, 1, -1};
// A direction whose squares have growing indexes meets its nearest blocker at the
// lowest set bit, the others at the highest.
constexpr bool dirUp[8] = {false, true, false, true, false, true, false, true};

constexpr bool slides(int kind) {
    return kind == Lance || kind == Bishop || kind == Rook;
}

struct Tables {
    Bits ray[8][squareCount] = {};                 // squares beyond sq in a direction, to the edge
    signed char next[8][squareCount] = {};         // the neighbour, or −1 off the board
    Bits step[2][kindCount + 1][squareCount] = {}; // reach of a non-sliding piece
    Bits dropSquares[2][kindCount + 1] = {};       // rows a kind may be dropped on
    Bits column[10] = {};                          // the squares of column X
};

constexpr Tables makeTables() {
    Tables t{};
    auto on = [](int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9; };
    for (int sq = 0; sq < squareCount; ++sq) {
        const int X = columnOf(sq), Y = rowOf(sq);
        t.column[X] |= bit(sq);
        for (int d = 0; d < 8; ++d) {
            t.next[d][sq] = static_cast<signed char>(
                on(X + dirX[d], Y + dirY[d]) ? squareOf(X + dirX[d], Y + dirY[d]) : -1);
            for (int x = X + dirX[d], y = Y + dirY[d]; on(x, y); x += dirX[d], y += dirY[d])
                t.ray[d][sq] |= bit(squareOf(x, y));
        }
        for (int side = 0; side < 2; ++side) {
            const int f = side == 0 ? -1 : 1;
            auto add = [&](int kind, int dx, int dy) {
                if (on(X + dx, Y + dy)) t.step[side][kind][sq] |= bit(squareOf(X + dx, Y + dy));
            };
            add(Pawn, 0, f);
            add(Knight, -1, 2 * f);
            add(Knight, 1, 2 * f);
            for (int dx = -1; dx <= 1; ++dx) {
                add(Silver, dx, f);
                add(Gold, dx, f);
            }
            add(Silver, -1, -f);
            add(Silver, 1, -f);
            add(Gold, -1, 0);
            add(Gold, 1, 0);
            add(Gold, 0, -f);
            for (int dx = -1; dx <= 1; ++dx) {
                for (int dy = -1; dy <= 1; ++dy) {
                    if (dx != 0 || dy != 0) add(King, dx, dy);
                }
            }
            // 歩 and 香 never on the far row, 桂 never on the two far rows.
            const int far = side == 0 ? Y : 10 - Y;
            for (int kind = 1; kind <= kindCount; ++kind) {
                const bool closed =
                    ((kind == Pawn || kind == Lance) && far == 1) || (kind == Knight && far <= 2);
                if (!closed) t.dropSquares[side][kind] |= bit(sq);
            }
        }
    }
    return t;
}

inline constexpr Tables tables = makeTables();

// Whole sets moved one step in a direction: the index step, and the squares that have a
// neighbour that way.
struct Shifts {
    int by[8];
    Bits from[8];
};
constexpr Shifts makeShifts() {
    Shifts s{};
    for (int d = 0; d < 8; ++d) {
        s.by[d] = dirX[d] * 9 + dirY[d];
        for (int sq = 0; sq < squareCount; ++sq) {
            if (tables.next[d][sq] >= 0) s.from[d] |= bit(sq);
        }
    }
    return s;
}
inline constexpr Shifts shifts = makeShifts();

// The neighbours in direction d of the squares of b.
inline Bits stepped(Bits b, int d) {
    b &= shifts.from[d];
    return shifts.by[d] >= 0 ? b << shifts.by[d] : b >> -shifts.by[d];
}
// The squares whose neighbour in direction d is in b.
inline Bits before(Bits b, int d) {
    return (shifts.by[d] >= 0 ? b >> shifts.by[d] : b << -shifts.by[d]) & shifts.from[d];
}

// The squares next to a set, in all eight directions.
inline Bits neighbours(Bits b) {
    Bits r = 0;
    for (int d = 0; d < 8; ++d) r |= stepped(b, d);
    return r & ~b;
}

// The squares a slide from sq in direction d reaches on a board whose occupied squares are
// `full`, the first occupied square included.
inline Bits rayReach(int d, int sq, Bits full) {
    Bits r = tables.ray[d][sq];
    const Bits blockers = r & full;
    if (blockers) r ^= tables.ray[d][dirUp[d] ? lowest(blockers) : highest(blockers)];
    return r;
}

// The reach of a sliding piece of a side.
inline Bits slideReach(int side, int kind, int sq, Bits full) {
    switch (kind) {
    case Lance:
        return rayReach(side == 0 ? 0 : 1, sq, full);
    case Bishop:
        return rayReach(4, sq, full) | rayReach(5, sq, full) | rayReach(6, sq, full) |
               rayReach(7, sq, full);
    case Rook:
        return rayReach(0, sq, full) | rayReach(1, sq, full) | rayReach(2, sq, full) |
               rayReach(3, sq, full);
    default:
        return 0;
    }
}

} // namespace tarvenko::engine
