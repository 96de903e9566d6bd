// The two inner loops of the computer's scoring: the lines of attack of one side, and the
// three-in-a-row test.
#include "game/Form1.h"
#include "Recording.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

struct Game {
    RecordingWindow w;
    RecordingSound s;
    std::unique_ptr<Form1> f = std::make_unique<Form1>(w, s);
    Game() { f->初期設定(); }
};

// Drops `count` pieces of the side from its hand onto random squares where the rules let
// them go (row limits, two pawns), kinds in random order, so that the spread looks like a
// game's.
void 散らす(Form1& f, int side, int count, std::mt19937& rng) {
    const int col = side == F::先手 ? F::先手持駒列 : F::後手持駒列;
    std::uniform_int_distribution<int> square(1, 9);
    for (int placed = 0, attempts = 0; placed < count && attempts < 100000; ++attempts) {
        std::vector<int> rows;
        for (int r = 1; r <= 9; ++r) {
            if (f.取得_持駒数(side, r) > 0) rows.push_back(r);
        }
        if (rows.empty()) return;
        const int row = rows[std::uniform_int_distribution<std::size_t>(0, rows.size() - 1)(rng)];
        const int code = f.取得_持駒(side, row);
        const int x = square(rng), y = square(rng);
        f.調査_2歩フラグ設定();
        if (f.移動チェック(col, row, x, y, code) != F::真) continue;
        f.駒移動(col, row, x, y, code);
        ++placed;
    }
}

void BM_AttackMap_20Pieces(benchmark::State& state) {
    // Eight positions, each with all twenty 先手 pieces and fifteen 後手 pieces.
    std::vector<std::unique_ptr<Game>> games;
    std::mt19937 rng(1234);
    for (int i = 0; i < 8; ++i) {
        games.push_back(std::make_unique<Game>());
        散らす(*games.back()->f, F::先手, 20, rng);
        散らす(*games.back()->f, F::後手, 15, rng);
        if (games.back()->f->取得_全持駒数(F::先手) != 0) {
            state.SkipWithError("could not place twenty 先手 pieces");
            return;
        }
    }
    std::size_t i = 0;
    for (auto _ : state) {
        Form1& f = *games[i++ % games.size()]->f;
        f.調査_利き筋(F::先手);
        benchmark::DoNotOptimize(f.利き筋);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AttackMap_20Pieces);

void BM_ThreeInRow_CrowdedBoardSweep(benchmark::State& state) {
    // Sixty-odd pieces on the board; every square asked for both sides per iteration.
    std::vector<std::unique_ptr<Game>> games;
    std::mt19937 rng(5678);
    for (int i = 0; i < 8; ++i) {
        games.push_back(std::make_unique<Game>());
        Form1& f = *games.back()->f;
        std::uniform_int_distribution<int> cell(0, 15);
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                const int c = cell(rng);
                f.盤[x][y] = c < 4 ? F::空き : piece::codeOf(c < 10 ? F::先手 : F::後手, 1 + c % 8);
            }
        }
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const Form1& f = *games[i++ % games.size()]->f;
        int rows = 0;
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                rows += f.調査_3並び(F::先手, x, y);
                rows += f.調査_3並び(F::後手, x, y);
            }
        }
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * 162);
}
BENCHMARK(BM_ThreeInRow_CrowdedBoardSweep);

} // namespace

BENCHMARK_MAIN();
