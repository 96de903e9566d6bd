// The exact analysis and 最強's play, on positions from bench_match games:
//
//   bench_match 100 1234567 positions FILE && bench_analysis FILE [COUNT [BUDGET]]
//
// First COUNT positions (default 1000), spread evenly over the file, each have every drop
// valued with BUDGET positions a drop (default the analysis's own): the time per position
// (median, 95th percentile, slowest), the share of drops left unknown and the heap
// allocations made. After each, the drops it left unknown are valued again in the rounds
// the window goes on to: their time and the share still unknown. Then, on every position
// where the side to move forces a row within five drops, 最強's drop is checked against the
// analysis: whether it keeps the win, and whether it wins in the fewest drops.
#include "engine/ExactValues.h"
#include "AllocationCounter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace tarvenko;
namespace e = tarvenko::engine;

namespace {

struct Recorded {
    int side;
    int hands[2][9];
    int board[10][10];
};

std::vector<Recorded> read(const char* path) {
    std::vector<Recorded> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        Recorded r{};
        w >> r.side;
        for (auto& hand : r.hands)
            for (int k = 1; k <= 8; ++k) w >> hand[k];
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) w >> r.board[x][y];
        if (w) out.push_back(r);
    }
    return out;
}

e::Position positionOf(const Recorded& r) {
    e::Position p;
    p.load(r.board);
    p.setHands(r.hands[0], r.hands[1], r.side);
    return p;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_analysis POSITIONS [COUNT [BUDGET]]\n");
        return 2;
    }
    const std::vector<Recorded> all = read(argv[1]);
    const int count =
        std::min<int>(argc > 2 ? std::atoi(argv[2]) : 1000, static_cast<int>(all.size()));
    const long budget = argc > 3 ? std::atol(argv[3]) : e::Analyser::defaultBudget;
    if (count <= 0 || budget <= 0) return 2;
    auto analyser = std::make_unique<e::Analyser>();
    static e::DropValue values[e::maxMoves];
    using e::has;

    std::vector<double> wall, cpu, refineCpu;
    long drops = 0, unknown = 0, allocations = 0, knownPositions = 0;
    long unknownAfter = 0, knownAfter = 0;
    for (int i = 0; i < count; ++i) {
        const e::Position p = positionOf(all[static_cast<std::size_t>(i) * all.size() / count]);
        const long a0 = 確保数.load();
        数える = true;
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        const int n = analyser->analyse(p, budget, values);
        const auto t1 = std::chrono::steady_clock::now();
        const double c1 = cpuMs();
        数える = false;
        wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        cpu.push_back(c1 - c0);
        drops += n;
        for (int j = 0; j < n; ++j) unknown += !values[j].value.known();
        knownPositions += analyser->value().known();
        // What the window goes on to do while the position stays on the board.
        数える = true;
        const double c2 = cpuMs();
        for (const auto& round : e::Analyser::refineRounds)
            analyser->refine(p, round.each, round.all, values);
        const double c3 = cpuMs();
        数える = false;
        refineCpu.push_back(c3 - c2);
        allocations += 確保数.load() - a0;
        for (int j = 0; j < n; ++j) unknownAfter += !values[j].value.known();
        knownAfter += analyser->value().known();
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::sort(refineCpu.begin(), refineCpu.end());
    const auto at = [&](const std::vector<double>& v, double q) {
        return v[std::min(v.size() - 1,
                          static_cast<std::size_t>(q * static_cast<double>(v.size())))];
    };
    std::printf("%d positions of %zu, every drop valued with up to %ld positions each\n", count,
                all.size(), budget);
    std::printf("time per position in ms, wall clock | processor time of the thread:\n"
                "  median %.2f | %.2f, 95th percentile %.2f | %.2f, slowest %.2f | %.2f\n",
                at(wall, 0.5), at(cpu, 0.5), at(wall, 0.95), at(cpu, 0.95), wall.back(),
                cpu.back());
    std::printf("drops %ld, unknown %ld (%.2f %%); positions with a known value %ld (%.1f %%)\n",
                drops, unknown, 100.0 * static_cast<double>(unknown) / static_cast<double>(drops),
                knownPositions, 100.0 * static_cast<double>(knownPositions) / count);
    std::printf("then the drops left unknown again, in the rounds the window goes on to:\n"
                "  processor time median %.2f, 95th percentile %.2f, slowest %.2f ms; unknown "
                "%ld (%.2f %%); positions with a known value %ld (%.1f %%)\n",
                at(refineCpu, 0.5), at(refineCpu, 0.95), refineCpu.back(), unknownAfter,
                100.0 * static_cast<double>(unknownAfter) / static_cast<double>(drops), knownAfter,
                100.0 * static_cast<double>(knownAfter) / count);
    std::printf("heap allocations during the analyses: %ld\n", allocations);

    // 最強 on the positions it should win within five drops: its drop keeps the win when the
    // opponent is lost after it, and is the fastest when the opponent is lost in one drop
    // fewer than the position's win.
    e::Searcher searcher;
    int checked = 0, kept = 0, fastest = 0, unsure = 0;
    for (const Recorded& r : all) {
        if (checked >= 2000) break;
        const e::Position p = positionOf(r);
        const e::Value v = analyser->valueOf(p, 20 * budget);
        if (v.kind != e::Value::Win || v.n > 5) continue;
        ++checked;
        const e::Move m = searcher.choose(p, e::limitsFor(2));
        e::Value got;
        if (!m.isPass() && has(p.wins[p.toMove], m.sq)) {
            got = {e::Value::Win, 1};
        } else if (!m.isPass()) {
            e::Position q = p;
            q.drop(m.sq, m.kind);
            const e::Value after = analyser->valueOf(q, 20 * budget);
            if (after.kind == e::Value::Loss)
                got = {e::Value::Win, static_cast<std::int8_t>(after.n + 1)};
            if (after.kind == e::Value::Win) got = {e::Value::Loss, after.n};
        }
        if (!got.known()) {
            ++unsure;
        } else if (got.kind == e::Value::Win) {
            ++kept;
            fastest += got.n == v.n;
        }
        if (got.kind != e::Value::Win || got.n != v.n)
            std::printf("  position %td: a win in %d, 最強's drop (kind %d on square %d) %s %d\n",
                        &r - all.data(), v.n, m.kind, m.sq,
                        got.kind == e::Value::Win    ? "wins in"
                        : got.kind == e::Value::Loss ? "loses in"
                                                     : "not settled",
                        got.n);
    }
    std::printf("最強 on %d positions with a forced row within five drops: keeps the win in %d, "
                "wins in the fewest drops in %d, its drop's value not settled in %d\n",
                checked, kept, fastest, unsure);
    return 0;
}
