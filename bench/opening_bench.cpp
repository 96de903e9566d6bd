// Games from every first drop: whether the computer keeps what the first drop gave it.
//
//   bench_openings self             最強 against itself from each of the 612 first drops
//   bench_openings defend STRENGTH  最強 as 後手 against STRENGTH (0 標準, 1 強い) as 先手,
//                                   from each first drop that loses for 先手
//
// The truth of each first drop is the opening table's. Prints one line for each game that
// ends otherwise than the truth (its drops), then how many did, and the slowest move.
#include "engine/OpeningTable.h"
#include "game/Form1.h"
#include "Recording.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

using namespace tarvenko;
using F = Form1;

namespace {

struct QuietWindow : RecordingWindow {
    void messageBox(std::string_view, std::string_view, MessageIcon) override {}
};

double slowest = 0;

// Plays on from the first drop; returns the winner (F::先手 or F::後手), or 0 when nobody
// wins, and the game's drops in `moves`.
int play(engine::Move first, int senteStrength, int goteStrength, std::string& moves) {
    QuietWindow w;
    RecordingSound s;
    MemoryFiles files;
    auto f = std::make_unique<Form1>(w, s, files);
    f->初期設定();
    f->対局モード = F::モード_COM;
    f->対局中 = F::真;
    f->LEVEL_STRONGEST_Click();
    const int x = engine::columnOf(first.sq), y = engine::rowOf(first.sq);
    const int code = engine::codeOf(0, first.kind);
    f->手順保存(F::先手持駒列, first.kind + 1, x, y, code, F::空き);
    f->手数 += 1;
    f->駒移動(F::先手持駒列, first.kind + 1, x, y, code);
    moves = std::string(1, "?PLNSGBRK"[first.kind]) + std::to_string(x) + std::to_string(y);
    f->手番 = F::後手;
    int passes = 0;
    for (int turn = 0; turn < 80 && passes < 2; ++turn) {
        const int side = f->手番;
        f->COM側 = side;
        f->人間側 = -side;
        f->強さ = side == F::先手 ? senteStrength : goteStrength;
        const int before = f->手数;
        const auto t0 = std::chrono::steady_clock::now();
        f->com_ban();
        slowest = std::max(slowest, std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - t0)
                                        .count());
        if (f->手数 != before) {
            const int n = f->手順数;
            const int c = f->手順_移動元駒[n];
            moves += ' ';
            moves += static_cast<char>("?PLNSGBRK"[piece::kindOf(c)] + (c > 0 ? 'a' - 'A' : 0));
            moves += std::to_string(f->手順_移動先X[n]) + std::to_string(f->手順_移動先Y[n]);
        }
        if (f->対局中 == F::偽) return side;
        passes = f->手数 == before ? passes + 1 : 0;
        f->手番 = -side;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    const int against = argc > 2 ? std::atoi(argv[2]) : 0;
    if ((mode != "self" && mode != "defend") || against < 0 || against > 1) {
        std::fprintf(stderr, "usage: bench_openings self | defend 0|1\n");
        return 2;
    }
    engine::DropValue first[engine::maxMoves];
    const int n = engine::openingTable().rootValues(engine::startPosition(), first);
    int games = 0, true_ = 0, unknown = 0;
    for (int i = 0; i < n; ++i) {
        const engine::Value v = first[i].value;
        if (!v.known()) {
            ++unknown;
            continue;
        }
        if (mode == "defend" && v.kind != engine::Value::Loss) continue;
        std::string moves;
        const int winner = mode == "self" ? play(first[i].move, 2, 2, moves)
                                          : play(first[i].move, against, 2, moves);
        const int truth = v.kind == engine::Value::Win ? F::先手 : F::後手;
        ++games;
        if (winner == truth) {
            ++true_;
        } else {
            std::printf("%s: %s\n", winner == 0 ? "unfinished" : "lost by the first drop's winner",
                        moves.c_str());
        }
        std::fflush(stdout);
    }
    std::printf("%d games, %d as the first drop's value says; %d first drops not valued; "
                "slowest move %.0f ms\n",
                games, true_, unknown, slowest);
    return 0;
}
