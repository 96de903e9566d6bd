#include "engine/Analysis.h"

#include <algorithm>

namespace tarvenko::engine {

int Analyser::analyse(const Position& p, long budget, DropValue* out,
                      const std::atomic<bool>* cancel, Found found, void* context) {
    s_.beginExact(cancel);
    cancelled_ = false;
    value_ = {};
    const int n = generateDrops(p, moves_);
    if (n == 0) {
        value_ = valueOf(p, budget, cancel);
        return 0;
    }
    int bestWin = 99, longestLoss = 0, losses = 0;
    int notWithin[maxMoves];
    for (int i = 0; i < n; ++i) {
        out[i] = {moves_[i], {}};
        notWithin[i] = 0;
    }
    for (int i = 0; i < n; ++i) {
        const Value v = s_.dropValue(p, moves_[i], budget, notWithin[i]);
        if (s_.stopped_ && s_.cancel_ && s_.cancel_->load()) {
            cancelled_ = true;
            break;
        }
        out[i].value = v;
        if (v.kind == Value::Win) bestWin = std::min<int>(bestWin, v.n);
        if (v.kind == Value::Loss) {
            ++losses;
            longestLoss = std::max<int>(longestLoss, v.n);
        }
        if (found) found(context, i, out[i]);
    }
    nodes_ = s_.nodes();
    if (cancelled_) return n;
    if (bestWin < 99) {
        // The fastest win is the position's only if no drop left open could be faster.
        bool fastest = true;
        for (int i = 0; i < n; ++i) {
            if (!out[i].value.known() && notWithin[i] < bestWin - 1) fastest = false;
        }
        if (fastest) value_ = {Value::Win, static_cast<std::int8_t>(bestWin)};
    } else if (losses == n) {
        value_ = {Value::Loss, static_cast<std::int8_t>(longestLoss)};
    }
    return n;
}

Value Analyser::valueOf(const Position& p, long budget, const std::atomic<bool>* cancel) {
    s_.beginExact(cancel);
    cancelled_ = false;
    s_.allow(budget);
    Value v;
    // Beyond the pieces left in the hands nothing more can happen.
    const int most = p.mostInHand();
    for (int d = 1; d <= most && !s_.stopped_; ++d) {
        if (s_.winsWithin(p, d, 0, false)) {
            v = {Value::Win, static_cast<std::int8_t>(d)};
            break;
        }
        if (s_.stopped_) break;
        if (s_.losesWithin(p, d, 0, false)) {
            v = {Value::Loss, static_cast<std::int8_t>(d)};
            break;
        }
    }
    if (s_.stopped_) v = {};
    cancelled_ = s_.stopped_ && cancel && cancel->load();
    nodes_ = s_.nodes();
    return v;
}

} // namespace tarvenko::engine
