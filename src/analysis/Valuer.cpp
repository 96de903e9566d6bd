// The engine's values for the analysis.
#include "analysis/Analysis.h"

namespace tarvenko::analysis {

namespace {
constexpr long kBudget = 20000; // positions for each proof
}

Valuer::Valuer() : searcher_(std::make_unique<engine::Searcher>()) {}

Valuer::~Valuer() = default;

Value Valuer::drop(const engine::Position& p, engine::Move m, const std::atomic<bool>& stop) {
    if (p.rowOfThree(p.toMove, m.sq)) return {Value::Win, 1};
    engine::Position next = p;
    next.drop(m.sq, m.kind);
    return flip(position(next, stop));
}

Value Valuer::position(const engine::Position& p, const std::atomic<bool>& /*stop*/) {
    const int r = searcher_->solve(p, engine::Limits{0, kBudget});
    return r > 0 ? Value{Value::Win, 0} : r < 0 ? Value{Value::Loss, 0} : Value{};
}

} // namespace tarvenko::analysis
