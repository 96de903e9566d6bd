#include "puzzles/Proof.h"

#include <atomic>

namespace tarvenko::puzzles {

namespace {

using engine::Analyser;
using engine::Value;

// Wins first, the faster the better; then what is unknown; then losses, the slower the better.
int rank(Value v) {
    return v.kind == Value::Win ? 1000 - v.n : v.kind == Value::Loss ? -1000 + v.n : 0;
}

bool allKnown(const engine::DropValue* v, int n) {
    for (int i = 0; i < n; ++i) {
        if (!v[i].value.known()) return false;
    }
    return true;
}

// The rounds of more positions after the first look, while a drop is left unknown.
void refine(Analyser& a, const engine::Position& p, engine::DropValue* out, int n, long& nodes,
            const std::atomic<bool>* stop = nullptr) {
    for (const auto& round : Analyser::refineRounds) {
        if (allKnown(out, n) || (stop && stop->load())) return;
        a.refine(p, round.each, round.all, out, stop);
        nodes += a.nodes();
    }
}

} // namespace

Proof prove(Analyser& a, const engine::Position& p) {
    Proof proof;
    if (engine::hasWinningDrop(p)) return proof; // a row at once is no puzzle
    const Value whole = a.valueOf(p, 4 * Analyser::defaultBudget);
    proof.nodes = a.nodes();
    if (whole.kind != Value::Win || whole.n < kShortest || whole.n > kLongest) return proof;
    proof.length = whole.n;

    // Every drop, stopping as soon as a second one wins within the length.
    struct Watch {
        int length, wins = 0;
        std::atomic<bool> stop{false};
    } watch{whole.n};
    engine::DropValue values[engine::maxMoves];
    const Analyser::Found found = [](void* c, int, const engine::DropValue& v) {
        auto& w = *static_cast<Watch*>(c);
        if (v.value.kind == Value::Win && v.value.n <= w.length && ++w.wins > 1) w.stop = true;
    };
    const int n = a.analyse(p, Analyser::defaultBudget, values, &watch.stop, found, &watch);
    proof.nodes += a.nodes();
    if (watch.stop.load()) {
        proof.verdict = Proof::NotUnique;
        return proof;
    }
    refine(a, p, values, n, proof.nodes);
    int wins = 0;
    for (int i = 0; i < n; ++i) {
        const Value v = values[i].value;
        if (!v.known()) {
            proof.verdict = Proof::Unknown;
            return proof;
        }
        if (v.kind == Value::Win && v.n <= whole.n) {
            ++wins;
            proof.key = values[i].move;
        }
    }
    // The position's value was its fastest drop's: exactly that one drop makes it.
    proof.verdict = wins == 1 && a.value() == whole ? Proof::Puzzle : Proof::NotUnique;
    return proof;
}

Answer answer(Analyser& a, const engine::Position& p, int within) {
    engine::DropValue values[engine::maxMoves];
    Answer out;
    const int n = a.analyse(p, Analyser::defaultBudget, values);
    out.nodes = a.nodes();
    if (n == 0) {
        out.pass = true;
        out.value = a.value();
        return out;
    }
    bool escapes = false;
    for (int i = 0; i < n; ++i) {
        const Value v = values[i].value;
        escapes = escapes || v.kind == Value::Win || (v.kind == Value::Loss && v.n > within);
    }
    if (!escapes) refine(a, p, values, n, out.nodes);
    int best = 0;
    for (int i = 1; i < n; ++i) {
        if (rank(values[i].value) > rank(values[best].value)) best = i;
    }
    out.move = values[best].move;
    out.value = values[best].value;
    return out;
}

bool fastestWin(Analyser& a, const engine::Position& p, int within, engine::Move& m, int& n) {
    engine::DropValue values[engine::maxMoves];
    const int count = a.analyse(p, Analyser::defaultBudget, values);
    const auto fastest = [&] {
        int best = -1;
        for (int i = 0; i < count; ++i) {
            const Value v = values[i].value;
            if (v.kind == Value::Win && (best < 0 || v.n < values[best].value.n)) best = i;
        }
        if (best < 0 || values[best].value.n > within) return false;
        m = values[best].move;
        n = values[best].value.n;
        return true;
    };
    if (fastest()) return true;
    long nodes = 0;
    refine(a, p, values, count, nodes);
    return fastest();
}

} // namespace tarvenko::puzzles
