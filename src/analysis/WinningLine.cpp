#include "analysis/WinningLine.h"

namespace tarvenko::analysis {

namespace {

using engine::Value;

// What one look at a position is after: the first drop of the value wanted. Its own flag
// stops the analysis as soon as that drop is found or the caller asks to stop.
struct Look {
    const std::atomic<bool>* cancel;
    Value want;
    int index = -1;
    std::atomic<bool> enough{false};
};

void seen(void* context, int index, const engine::DropValue& v) {
    auto& look = *static_cast<Look*>(context);
    if (look.index < 0 && v.value == look.want) {
        look.index = index;
        look.enough = true;
    }
    if (look.cancel && look.cancel->load(std::memory_order_relaxed)) look.enough = true;
}

} // namespace

bool winningLine(engine::Analyser& analyser, const engine::Position& p, Value value, long budget,
                 WinningLine& out, const std::atomic<bool>* cancel, engine::Move first,
                 LineFound found, void* context) {
    out.count = 0;
    out.complete = false;
    if (!value.known()) return true;
    const auto stopped = [cancel] { return cancel && cancel->load(); };
    engine::Position q = p;
    // The value the next drop must have for its side: a win in n for the winner, whose drops
    // count down to its row, a loss in n for the loser, the longest any of its drops resists.
    Value want = value;
    engine::DropValue values[engine::maxMoves];
    engine::Move moves[engine::maxMoves];
    bool passed = false;
    while (out.count < WinningLine::kMost) {
        if (stopped()) return false;
        engine::Move m = first;
        if (out.count > 0 || m.isPass()) {
            if (engine::generateDrops(q, moves) == 0) {
                // Nowhere to drop: the turn passes and counts for nothing.
                if (passed) return true;
                passed = true;
                q.pass();
                want = {want.kind == Value::Win ? Value::Loss : Value::Win, want.n};
                continue;
            }
            Look look{cancel, want};
            analyser.analyse(q, budget, values, &look.enough, seen, &look);
            for (const auto& round : engine::Analyser::refineRounds) {
                if (look.enough.load()) break;
                analyser.refine(q, round.each, round.all, values, &look.enough, seen, &look);
            }
            if (look.index < 0) return !stopped(); // the proofs end here
            m = values[look.index].move;
        }
        passed = false;
        LineStep& step = out.steps[out.count++];
        step.move = m;
        step.side = static_cast<std::int8_t>(q.toMove);
        step.value = want;
        if (found) found(context, step);
        if (want.kind == Value::Win && want.n == 1) {
            out.complete = true;
            return true;
        }
        q.drop(m.sq, m.kind);
        // After the winner's drop the loser resists one drop less; after the loser's, the
        // winner's row is as far as the loser held it.
        want = want.kind == Value::Win ? Value{Value::Loss, static_cast<std::int8_t>(want.n - 1)}
                                       : Value{Value::Win, want.n};
    }
    return true;
}

} // namespace tarvenko::analysis
