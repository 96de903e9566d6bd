// Sets of board squares as 81-bit masks. Square (X, Y), X and Y in 1..9, is bit
// (X − 1) · 9 + (Y − 1): the lowest set bit is the first square in the game's scan order
// (column by column from the left, each column from the top).
#pragma once

#include <bit>
#include <cstdint>

namespace tarvenko::engine {

using Bits = unsigned __int128;

constexpr int squareCount = 81;

constexpr int squareOf(int X, int Y) {
    return (X - 1) * 9 + (Y - 1);
}
constexpr int columnOf(int sq) {
    return sq / 9 + 1;
}
constexpr int rowOf(int sq) {
    return sq % 9 + 1;
}

constexpr Bits bit(int sq) {
    return Bits{1} << sq;
}
constexpr bool has(Bits b, int sq) {
    return ((b >> sq) & 1) != 0;
}
constexpr Bits allSquares = (Bits{1} << squareCount) - 1;

constexpr int lowest(Bits b) {
    const auto lo = static_cast<std::uint64_t>(b);
    return lo ? std::countr_zero(lo) : 64 + std::countr_zero(static_cast<std::uint64_t>(b >> 64));
}
constexpr int highest(Bits b) {
    const auto hi = static_cast<std::uint64_t>(b >> 64);
    return hi ? 127 - std::countl_zero(hi) : 63 - std::countl_zero(static_cast<std::uint64_t>(b));
}
// Counted in place: without a population-count instruction in the baseline instruction
// set, the library call would cost more than the count.
constexpr int count64(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}
constexpr int count(Bits b) {
    return count64(static_cast<std::uint64_t>(b)) + count64(static_cast<std::uint64_t>(b >> 64));
}
// Removes and returns the lowest square of a non-empty set.
inline int popLowest(Bits& b) {
    const int sq = lowest(b);
    b &= b - 1;
    return sq;
}

} // namespace tarvenko::engine
