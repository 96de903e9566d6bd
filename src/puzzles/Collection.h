// The puzzles (詰め問題) as the game keeps them: each one is the drops that lead to its
// position from the empty board, the number of its side's drops to a row of three, and its
// one key drop. The file is UTF-8 text:
//
//   Tarvenko 詰め問題 1
//   # comments, and blank lines, anywhere after the first line
//   LENGTH <TAB> DROPS <TAB> KEY <TAB> MEASURE
//
// DROPS are written as a game record writes them (▲５五歩 △５四金 …), one space apart; KEY
// is the drop that solves it, MEASURE what ordered it among the puzzles of its length.
#pragma once

#include "engine/Position.h"
#include "engine/Search.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenko::puzzles {

inline constexpr std::string_view kHeader = "Tarvenko 詰め問題 1";
inline constexpr int kShortest = 2, kLongest = 5;
inline constexpr int kMostDrops = 40; // every piece of both sides

struct Puzzle {
    int length = 0; // the side to move's drops to its row, the key included
    int count = 0;  // drops from the empty board to the position
    engine::Move drops[kMostDrops];
    std::int8_t sides[kMostDrops] = {}; // who made each: 0 先手, 1 後手
    engine::Move key;
    long measure = 0;
    std::uint32_t id = 0; // from the drops alone: what the solved marks remember

    // The position after the drops, as play reached it.
    engine::Position position() const;
};

// The empty board, full hands, 先手 to move.
engine::Position startPosition();

// A drop in a record's notation, "▲５五歩" (side 0 先手, 1 後手).
std::string notation(int side, engine::Move m);
// Reads one such drop; false when `text` is not one.
bool readDrop(std::string_view text, int& side, engine::Move& m);

// The position and its mirror image (column X ↔ 10 − X) give the same text: the pieces on
// the board and the side to move (the hands follow from the board, for every puzzle is
// reached by play).
std::string shapeKey(const engine::Position& p);

// One puzzle's line of the file (no newline).
std::string line(const Puzzle& p);

struct Collection {
    std::vector<Puzzle> puzzles; // by length, then as the file lists them
    // Why the file was refused, with its line; empty when it was read.
    std::string error;
    int errorLine = 0;
    // How many puzzles of a length.
    int countOf(int length) const;
};

// Reads a whole file: the header first, then every puzzle line, each drop legal where it
// stands and nothing after a row of three. Any fault refuses the whole file (no puzzles).
Collection read(std::string_view text);

} // namespace tarvenko::puzzles
