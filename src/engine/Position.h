// A compact position with its lines of attack and winning squares kept up to date drop by
// drop. A drop on d changes the maps only locally: d leaves both sides' maps and winning
// squares, sliding pieces whose rays passed d stop there, the new piece adds its reach,
// and only the mover's runs through d can gain or lose a winning square.
#pragma once

#include "engine/Keys.h"
#include "engine/Tables.h"
#include "rules/pieces.h"

#include <cstdint>

namespace tarvenko::engine {

// The game's piece codes (rules/pieces.h) in the engine's terms: side 0 is 先手, 1 後手,
// and the kinds are numbered alike.
static_assert(Pawn == piece::歩 && King == piece::王 && kindCount == piece::種類数);

// The kind 1..8 of a piece code, 0 for any other value.
constexpr int kindOfCode(int code) {
    return piece::kindOf(code);
}
// The side a cell counts for in a row: 0 at ≤ −10, 1 at ≥ 10, −1 otherwise.
constexpr int sideOfCode(int code) {
    return code <= -10 ? 0 : code >= 10 ? 1 : -1;
}
constexpr int codeOf(int side, int kind) {
    return piece::codeOf(side == 0 ? piece::先手 : piece::後手, kind);
}

// Writes a set as a 9 × 9 map indexed (X, Y), 1..9 used: `yes` on its squares, `no` elsewhere.
inline void writeMap(Bits b, int (&map)[10][10], int yes, int no) {
    for (int x = 1; x <= 9; ++x) {
        const auto column = static_cast<unsigned>(b >> ((x - 1) * 9));
        for (int y = 1; y <= 9; ++y) map[x][y] = (column >> (y - 1)) & 1 ? yes : no;
    }
}

struct Position {
    Bits occ[2] = {};     // the cells each side's runs count
    Bits full = 0;        // every occupied square
    Bits steps[2] = {};   // reach of each side's non-sliding pieces
    Bits sliders[2] = {}; // squares of each side's 香, 角 and 飛
    Bits slide[2] = {};   // their reach on `full`, each ray up to its first occupied square
    Bits attacks[2] = {}; // lines of attack: the empty squares a side's pieces could move to
    Bits wins[2] = {};    // empty squares where one more piece of a side makes exactly three
    std::uint8_t kind[squareCount] = {}; // the kind standing on a square, 0 for none
    std::uint8_t hand[2][kindCount + 1] = {};
    std::uint16_t pawnColumns[2] = {}; // bit X: the side has a 歩 in column X
    int toMove = 0;
    std::uint64_t key = 0; // the board, the hands and the side to move, hashed

    // The board in game codes, indexed (X, Y) with 1..9 used. Every map is computed from
    // scratch; the hands are empty and 先手 is to move until setHands.
    void load(const int (&board)[10][10]);
    // The same without the winning squares, for the lines of attack alone.
    void loadBoard(const int (&board)[10][10]);
    void setHands(const int (&sente)[kindCount + 1], const int (&gote)[kindCount + 1],
                  int sideToMove);

    // The side to move drops a piece of `kind` on the empty square sq, and the turn passes.
    void drop(int sq, int kind);
    // The key the position would have after the side to move dropped `kind` on sq.
    std::uint64_t keyAfter(int sq, int kind) const {
        const int c = toMove;
        return key ^ keys.piece[c][kind][sq] ^ keys.hand[c][kind][handIndex(hand[c][kind])] ^
               keys.hand[c][kind][handIndex(hand[c][kind] - 1)] ^ keys.side;
    }
    // The side to move has no drop: the turn passes.
    void pass() {
        toMove ^= 1;
        key ^= sideKey();
    }

    // The lines of attack `side` would have after dropping `kind` on the empty square sq.
    Bits attacksAfterDrop(int side, int sq, int kind) const;
    // The same without the dropped piece's own reach: what a piece on sq leaves of the
    // lines of attack `side` has.
    Bits attacksPast(int side, int sq) const;
    // Exactly three of `side`'s cells in a straight row through sq on some axis, sq counted
    // as one of them whatever stands on it.
    bool rowOfThree(int side, int sq) const;
    // The squares where the side to move may drop `kind` now: where the opponent attacks
    // if it attacks any empty square, else any empty square; minus the far rows the kind
    // may not use and, for 歩, the columns that already hold one of the side's 歩.
    Bits dropTargets(int kind) const;
    // The squares where `side` may drop `kind` by the drop limits alone: far rows and 二歩.
    Bits droppable(int side, int kind) const;
    // The pieces left in the larger hand: no search need look beyond that many drops a side.
    int mostInHand() const {
        int n[2] = {};
        for (int side = 0; side < 2; ++side) {
            for (int k = 1; k <= kindCount; ++k) n[side] += hand[side][k];
        }
        return n[0] > n[1] ? n[0] : n[1];
    }
    // Squares the side to move may use at all under the placement rule.
    Bits allowedSquares() const {
        return attacks[toMove ^ 1] ? attacks[toMove ^ 1] : ~full & allSquares;
    }

  private:
    static std::uint64_t sideKey();
    Bits slideUnion(int side, Bits on) const;
    void findWins();
};

} // namespace tarvenko::engine
