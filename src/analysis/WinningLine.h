// The proved line of play from a position whose value is known: the winner's drops to its
// shortest forced row against the loser's longest resistance. A drop joins the line only once
// its own value is proved to be the one the line needs (a win one drop nearer for the winner,
// a loss as slow as the position's for the loser); where the proofs within the allowance run
// out, the line stops there and says so.
#pragma once

#include "engine/ExactValues.h"

#include <atomic>
#include <cstdint>

namespace tarvenko::analysis {

struct LineStep {
    engine::Move move;
    std::int8_t side = 0; // 0 先手, 1 後手; a side that can drop nowhere passes, unwritten
    engine::Value value;  // the drop's value for its side
};

struct WinningLine {
    static constexpr int kMost = 40; // every piece of both hands
    int count = 0;
    LineStep steps[kMost];
    bool complete = false; // it ends in the winner's row; else the proofs ran out there
};

// Called for each step as soon as it is proved.
using LineFound = void (*)(void* context, const LineStep& step);

// The line from p, whose value for its side to move is `value` (a win or a loss), into out.
// Each position is analysed drop by drop, `budget` positions a drop, until a drop of the value
// needed turns up, then in the analyser's rounds of more. `first`, when it is a drop, is one
// already proved to have p's value and is taken without a look. Returns false when stopped
// through `cancel`; what is in out then holds but may end early.
bool winningLine(engine::Analyser& analyser, const engine::Position& p, engine::Value value,
                 long budget, WinningLine& out, const std::atomic<bool>* cancel = nullptr,
                 engine::Move first = {}, LineFound found = nullptr, void* context = nullptr);

} // namespace tarvenko::analysis
