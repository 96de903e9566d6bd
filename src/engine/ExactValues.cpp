#include "engine/ExactValues.h"

#include "engine/OpeningTable.h"

#include <algorithm>
#include <cstring>

namespace tarvenko::engine {

struct Analyser::Parts {
    Parts() { std::memset(&table, 0, sizeof table); }

    DropLists lists;
    std::uint32_t generation = 0;
    ExactSearch::Table table;
    ExactSearch search{table, lists, generation};
};

Analyser::Analyser() : parts_(std::make_unique<Parts>()), s_(parts_->search) {}

Analyser::~Analyser() = default;

int Analyser::analyse(const Position& p, long budget, DropValue* out,
                      const std::atomic<bool>* cancel, Found found, void* context) {
    s_.begin(true, cancel);
    cancelled_ = false;
    value_ = {};
    key_ = 0;
    const int n = generateDrops(p, moves_);
    if (n == 0) {
        value_ = valueOf(p, budget, cancel);
        return 0;
    }
    for (int i = 0; i < n; ++i) {
        out[i] = {moves_[i], {}};
        notWithin_[i] = 0;
    }
    // The start position's drops come from the opening table, proved beforehand.
    const bool opening = openingTable().rootValues(p, table_) == n;
    for (int i = 0; i < n; ++i) {
        const bool known = opening && table_[i].value.known();
        const Value v = known ? table_[i].value : s_.dropValue(p, moves_[i], budget, notWithin_[i]);
        if (s_.cancelled()) {
            cancelled_ = true;
            break;
        }
        out[i].value = v;
        if (found) found(context, i, out[i]);
    }
    nodes_ = s_.nodes();
    if (cancelled_) return n;
    drops_ = n;
    key_ = p.key;
    value_ = whole(out);
    return n;
}

int Analyser::refine(const Position& p, long budget, long total, DropValue* out,
                     const std::atomic<bool>* cancel, Found found, void* context) {
    if (key_ == 0 || p.key != key_) return 0;
    // The exact table stays as the first call left it: its answers hold for this position.
    s_.resume(cancel);
    int settled = 0;
    for (int i = 0; i < drops_; ++i) {
        if (out[i].value.known()) continue;
        const long left = total - s_.nodes();
        if (left <= 0) break;
        int notWithin = 0;
        const Value v = s_.dropValue(p, out[i].move, std::min(budget, left), notWithin);
        if (s_.cancelled()) {
            cancelled_ = true;
            key_ = 0;
            break;
        }
        notWithin_[i] = std::max(notWithin_[i], notWithin);
        if (!v.known()) continue;
        out[i].value = v;
        ++settled;
        if (found) found(context, i, out[i]);
    }
    nodes_ = s_.nodes();
    if (settled > 0) value_ = whole(out);
    return settled;
}

Value Analyser::whole(const DropValue* out) const {
    int bestWin = 99, longestLoss = 0, losses = 0;
    for (int i = 0; i < drops_; ++i) {
        const Value v = out[i].value;
        if (v.kind == Value::Win) bestWin = std::min<int>(bestWin, v.n);
        if (v.kind == Value::Loss) {
            ++losses;
            longestLoss = std::max<int>(longestLoss, v.n);
        }
    }
    if (bestWin < 99) {
        // The fastest win is the position's only if no drop left open could be faster.
        for (int i = 0; i < drops_; ++i) {
            if (!out[i].value.known() && notWithin_[i] < bestWin - 1) return {};
        }
        return {Value::Win, static_cast<std::int8_t>(bestWin)};
    }
    if (losses == drops_) return {Value::Loss, static_cast<std::int8_t>(longestLoss)};
    return {};
}

Value Analyser::valueOf(const Position& p, long budget, const std::atomic<bool>* cancel) {
    s_.begin(true, cancel);
    cancelled_ = false;
    s_.allow(budget);
    Value v;
    // Beyond the pieces left in the hands nothing more can happen.
    const int most = p.mostInHand();
    for (int d = 1; d <= most && !s_.stopped(); ++d) {
        if (s_.winsWithin(p, d)) {
            v = {Value::Win, static_cast<std::int8_t>(d)};
            break;
        }
        if (s_.stopped()) break;
        if (s_.losesWithin(p, d)) {
            v = {Value::Loss, static_cast<std::int8_t>(d)};
            break;
        }
    }
    if (s_.stopped()) v = {};
    cancelled_ = s_.cancelled();
    nodes_ = s_.nodes();
    return v;
}

} // namespace tarvenko::engine
