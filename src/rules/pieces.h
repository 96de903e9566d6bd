// Piece facts: a piece's code carries its side in its sign (先手 negative) and its kind in
// its size. Every other file asks these functions instead of spelling the codes out.
#pragma once

namespace tarvenko::piece {

// The kinds, in the order of the hand boards.
inline constexpr int 歩 = 1, 香 = 2, 桂 = 3, 銀 = 4, 金 = 5, 角 = 6, 飛 = 7, 王 = 8;
inline constexpr int 種類数 = 8;

// A side is written as the code of its 歩.
inline constexpr int 先手 = -10, 後手 = 10;

// How many of each kind a side holds at the start; index 0 is no kind.
inline constexpr int 初期数[種類数 + 1] = {0, 9, 2, 2, 2, 2, 1, 1, 1};

// The size of each kind's code; index 0 is no kind.
inline constexpr int 値[種類数 + 1] = {0, 10, 20, 30, 100, 110, 800, 900, 950};

// The kind 1..8 of a piece code of either side, 0 for any other value.
constexpr int kindOf(int code) {
    // The size without overflow for any int, and a switch rather than a walk of 値: the
    // computer asks this for every square it tries.
    switch (code < 0 ? 0u - static_cast<unsigned>(code) : static_cast<unsigned>(code)) {
    case 10:
        return 歩;
    case 20:
        return 香;
    case 30:
        return 桂;
    case 100:
        return 銀;
    case 110:
        return 金;
    case 800:
        return 角;
    case 900:
        return 飛;
    case 950:
        return 王;
    default:
        return 0;
    }
}

// 先手 or 後手 for a piece code, 0 for any other value.
constexpr int sideOf(int code) {
    return kindOf(code) == 0 ? 0 : code < 0 ? 先手 : 後手;
}

// The code of a side's piece of a kind, 0 when either is not one.
constexpr int codeOf(int side, int kind) {
    if (kind < 1 || kind > 種類数) return 0;
    return side == 先手 ? -値[kind] : side == 後手 ? 値[kind] : 0;
}

// The hand boards hold one slot a kind: 先手's column from 歩 in row 2 down to 王 in row 9,
// 後手's from 歩 in row 8 up to 王 in row 1. handRow is the slot of a kind; kindAtRow the
// kind index of a row (outside 1..8 for a row that holds no slot).
constexpr int handRow(int side, int kind) {
    return side == 先手 ? kind + 1 : 9 - kind;
}
constexpr int kindAtRow(int side, int row) {
    return side == 先手 ? row - 1 : 9 - row;
}
// The highest slot row of a side's hand board; its eight slots follow it downwards.
constexpr int topHandRow(int side) {
    return side == 先手 ? handRow(先手, 歩) : handRow(後手, 王);
}

} // namespace tarvenko::piece
