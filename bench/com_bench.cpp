// The computer's turn, timed over positions taken from games of the computer against a
// random opponent that drops only where a human could. The window records nothing and
// answers its message boxes at once; the sound library only notes its calls.
//
// After the benchmark proper, a summary pass times every position on its own (best of a
// few runs) and prints the median, the slowest position and the number of heap
// allocations made during all the computer turns.
#include "game/Form1.h"
#include "AllocationCounter.h"
#include "Position.h"
#include "Recording.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

// A recording window whose message boxes are only counted: the win announcement of a
// computer turn then stores no text.
struct QuietWindow : RecordingWindow {
    long boxes = 0;
    void messageBox(std::string_view, std::string_view, MessageIcon) override { ++boxes; }
};

struct Game {
    QuietWindow w;
    RecordingSound s;
    std::unique_ptr<Form1> f = std::make_unique<Form1>(w, s);
};

// The human's drop, chosen at random among those the board input accepts: on a square
// the computer attacks if it attacks any, then two pawns and the drop rules. Returns
// false when the game is over (a row of three) or the human has no drop.
bool 人間のでたらめな手(Form1& f, std::mt19937& rng) {
    struct Drop {
        int row, x, y, code;
    };
    static std::vector<Drop> drops;
    drops.clear();
    const int side = f.人間側;
    const int col = side == F::先手 ? F::先手持駒列 : F::後手持駒列;
    打てる手を調べる(f, side, [](int, int row, int x, int y, int code) {
        drops.push_back({row, x, y, code});
    });
    if (drops.empty()) return false;
    const Drop d = drops[std::uniform_int_distribution<std::size_t>(0, drops.size() - 1)(rng)];
    f.記録して打つ(col, d.row, d.x, d.y, d.code);
    if (f.終了_判定(side, d.x, d.y) == F::真) return false;
    f.手番 = f.COM側;
    return true;
}

// Positions where the computer searches (its opening drop has no search), from whole
// games, the computer first in even games and second in odd ones, until each side has
// at least `perSide`.
std::vector<局面> 局面を集める(int perSide) {
    std::vector<局面> out;
    std::mt19937 rng(20240607);
    int counts[2] = {0, 0};
    for (int game = 0; counts[0] < perSide || counts[1] < perSide; ++game) {
        const int com = game % 2 ? F::後手 : F::先手;
        int& count = counts[com == F::先手 ? 0 : 1];
        if (count >= perSide) continue;
        Game g;
        Form1& f = *g.f;
        f.初期設定();
        f.対局モード = F::モード_COM;
        f.COM側 = com;
        f.人間側 = -com;
        f.対局中 = F::真;
        f.手番 = F::先手;
        if (com == F::後手 && !人間のでたらめな手(f, rng)) continue;
        for (int turn = 0; turn < 100; ++turn) {
            if (f.手数 > 0) {
                out.emplace_back(f);
                ++count;
            }
            f.com_ban();
            if (f.対局中 == F::偽) break;
            if (!人間のでたらめな手(f, rng)) break;
        }
    }
    return out;
}

std::vector<局面>& 局面一覧() {
    static std::vector<局面> all = 局面を集める(600);
    return all;
}

void BM_ComTurn_AllPositions(benchmark::State& state) {
    const std::vector<局面>& all = 局面一覧();
    Game g;
    g.f->初期設定();
    g.s.calls.reserve(4096);
    for (auto _ : state) {
        for (const 局面& p : all) {
            g.s.calls.clear();
            p.戻す(*g.f);
            g.f->com_ban();
        }
        benchmark::DoNotOptimize(g.f->盤);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(all.size()));
    state.counters["positions"] = static_cast<double>(all.size());
    // Seconds per position, shown with its unit prefix.
    state.counters["per_position"] = benchmark::Counter(
        static_cast<double>(all.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ComTurn_AllPositions)->Unit(benchmark::kMillisecond);

// Each position on its own, best of five runs; the restore is outside the timing.
void 要約() {
    using clock = std::chrono::steady_clock;
    const std::vector<局面>& all = 局面一覧();
    Game g;
    g.f->初期設定();
    g.s.calls.reserve(4096);
    struct Time {
        double us;
        std::size_t index;
    };
    std::vector<Time> times;
    times.reserve(all.size());
    long allocations = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        double best = 1e300;
        for (int run = 0; run < 5; ++run) {
            g.s.calls.clear();
            all[i].戻す(*g.f);
            const long before = 確保数.load();
            数える = true;
            const auto t0 = clock::now();
            g.f->com_ban();
            const auto t1 = clock::now();
            数える = false;
            allocations += 確保数.load() - before;
            best = std::min(best, std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
        times.push_back({best, i});
    }
    std::vector<Time> sorted = times;
    std::sort(sorted.begin(), sorted.end(),
              [](const Time& a, const Time& b) { return a.us < b.us; });
    const Time& median = sorted[sorted.size() / 2];
    const Time& p90 = sorted[sorted.size() * 9 / 10];
    const Time& slowest = sorted.back();
    double sum = 0;
    int sides[2] = {0, 0};
    for (const Time& t : times) {
        sum += t.us;
        ++sides[all[t.index].COM側 == F::先手 ? 0 : 1];
    }
    const 局面& s = all[slowest.index];
    const int n = s.COM側 == F::先手 ? s.先手持駒合計 : s.後手持駒合計;

    // What the slowest position played.
    s.戻す(*g.f);
    g.f->com_ban();
    const int k = g.f->手順数;
    std::printf("\ncom_ban per position (best of 5, %zu positions: %d as 先手, %d as 後手)\n",
                all.size(), sides[0], sides[1]);
    std::printf("  median %.1f us, mean %.1f us, 90th percentile %.1f us\n", median.us,
                sum / static_cast<double>(times.size()), p90.us);
    std::printf("  slowest %.1f us: computer %s at 手数 %d with %d pieces in hand, played "
                "(%d,%d)→(%d,%d) %d, best score %d\n",
                slowest.us, s.COM側 == F::先手 ? "先手" : "後手", s.手数, n, g.f->手順_移動元X[k],
                g.f->手順_移動元Y[k], g.f->手順_移動先X[k], g.f->手順_移動先Y[k],
                g.f->手順_移動元駒[k], g.f->指し手[0]);
    std::printf("  heap allocations during %zu computer turns: %ld\n", times.size() * 5,
                allocations);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    要約();
    return 0;
}
