// The random keys a position is hashed with, kept where the searcher's inner loops can
// read them without a call.
#pragma once

#include "engine/Tables.h"

#include <cstdint>

namespace tarvenko::engine {

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

inline constexpr Keys keys = makeKeys();

constexpr int handIndex(int n) {
    return n < 0 ? 0 : n > 19 ? 19 : n;
}

} // namespace tarvenko::engine
