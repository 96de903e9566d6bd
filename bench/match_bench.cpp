// Matches between the computer's strengths. Every opening is two random allowed drops by
// each side; each pairing plays every opening twice, colours swapped. Each move is the
// game's own com_ban at the mover's strength, timed on its own.
//
//   bench_match [OPENINGS [SEED [show | games | positions FILE]]]
//                                                  (default 100 openings, seed 1234567)
//
// Prints wins, losses and unfinished games of the first-named strength for each pairing,
// the median and slowest time per move of each strength, the heap allocations made during
// all moves of 強い and 最強, and then the median of five more runs of each of their
// slowest moves. With `show`, every game that 最強 loses or leaves unfinished is printed as
// its moves, 先手's upper case, each of 最強's with the value its search gave; with `games`,
// every game of every pairing, each searched move with its value, so that two builds can be
// compared move for move. With `positions FILE`, every position a computer moved in is
// written to FILE, one a line: the side to move (0 先手, 1 後手), 先手's and 後手's hands by
// kind, then the 81 squares' codes column by column, for bench_analysis.
#include "engine/OpeningTable.h"
#include "game/Form1.h"
#include "AllocationCounter.h"
#include "Position.h"
#include "Recording.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string_view>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

struct QuietWindow : RecordingWindow {
    void messageBox(std::string_view, std::string_view, MessageIcon) override {}
};

struct Opening {
    int moves[4][5]; // col, row, x, y, code
};

struct Drop {
    int col, row, x, y, code;
};

int decided = 0;
bool every = false; // every game is printed, each searched move with its value

// Four random allowed drops that complete no row and decide nothing yet.
std::vector<Opening> openings(int count, unsigned seed) {
    std::mt19937 rng(seed);
    QuietWindow w;
    RecordingSound s;
    MemoryFiles files;
    auto f = std::make_unique<Form1>(w, s, files);
    engine::Searcher searcher;
    std::vector<Opening> out;
    while (static_cast<int>(out.size()) < count) {
        f->初期設定();
        Opening o{};
        bool ok = true;
        for (int i = 0; i < 4 && ok; ++i) {
            const int side = i % 2 ? F::後手 : F::先手;
            std::vector<Drop> drops;
            打てる手を調べる(*f, side, [&](int col, int row, int x, int y, int code) {
                drops.push_back({col, row, x, y, code});
            });
            const Drop d =
                drops[std::uniform_int_distribution<std::size_t>(0, drops.size() - 1)(rng)];
            f->駒移動(d.col, d.row, d.x, d.y, d.code);
            ok = f->調査_3並び(side, d.x, d.y) == F::偽;
            o.moves[i][0] = d.col, o.moves[i][1] = d.row, o.moves[i][2] = d.x, o.moves[i][3] = d.y,
            o.moves[i][4] = d.code;
        }
        if (!ok) continue;
        // Most random openings are already won: the side to move has a drop after which
        // every allowed answer loses. Those test nothing, so only openings where a search
        // of three million positions, over ten times what 最強 may use, finds no forced
        // result for either side are played. With a million, openings that 後手 wins with
        // its fourth drop came through, and 標準 won them against 最強.
        engine::Position p;
        p.load(f->盤);
        p.setHands(f->先手持駒, f->後手持駒, 0);
        searcher.choose(p, {40, 3000000});
        if (std::abs(searcher.score()) < engine::Searcher::winThreshold) {
            out.push_back(o);
        } else {
            ++decided;
        }
    }
    return out;
}

struct Tally {
    int wins = 0, losses = 0, unfinished = 0;
};

std::vector<double> times[3], cpuTimes[3];

// A searched move's position, kept so that the slowest can be timed again after the match:
// one run of a move on a shared machine can take half as long again as the next.
struct Timed {
    double ms;
    int side; // 0 先手, 1 後手
    int hands[2][9];
    int board[10][10];
};
std::vector<Timed> searched[3];

// This thread's processor time in milliseconds: on a shared machine it leaves out the
// time other programs held the processor.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}
long allocations = 0;

// A game's moves as text: piece letter (歩 香 桂 銀 金 角 飛 王 as P L N S G B R K, 先手's
// upper case) and square, a searched move followed by its value, a pass as "--".
struct Moves {
    char text[2048]; // 80 turns and the opening, each at most a dozen characters
    int used = 0;
    void add(int code, int x, int y, int value, bool searched) {
        const int kind = piece::kindOf(code);
        const char letter = "?PLNSGBRK"[kind] + (code > 0 ? 'a' - 'A' : 0);
        used += std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used),
                              searched ? "%c%d%d(%d) " : "%c%d%d ", letter, x, y, value);
    }
    void pass() {
        used += std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), "-- ");
    }
};
Moves lastGame;
std::FILE* positions = nullptr;

void writePosition(const Form1& f, int side) {
    std::fprintf(positions, "%d", side == F::先手 ? 0 : 1);
    for (int k = 1; k <= 8; ++k) std::fprintf(positions, " %d", f.先手持駒[k]);
    for (int k = 1; k <= 8; ++k) std::fprintf(positions, " %d", f.後手持駒[k]);
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) std::fprintf(positions, " %d", f.盤[x][y]);
    }
    std::fputc('\n', positions);
}

// Plays one game; returns the winning side, or 0 when it does not end.
int play(const Opening& o, int senteStrength, int goteStrength) {
    lastGame.used = 0;
    QuietWindow w;
    RecordingSound s;
    MemoryFiles files;
    auto f = std::make_unique<Form1>(w, s, files);
    f->初期設定();
    f->対局モード = F::モード_COM;
    f->対局中 = F::真;
    f->LEVEL_STRONG_Click(); // the searcher's tables exist before any move is timed
    engine::openingTable();  // and the opening table is read, as choosing 最強 does
    for (const auto& m : o.moves) {
        f->手順保存(m[0], m[1], m[2], m[3], m[4], F::空き);
        f->手数 += 1;
        f->駒移動(m[0], m[1], m[2], m[3], m[4]);
        lastGame.add(m[4], m[2], m[3], 0, false);
    }
    f->手番 = F::先手;
    s.calls.reserve(1024);
    int passes = 0;
    for (int turn = 0; turn < 80 && passes < 2; ++turn) {
        const int side = f->手番;
        const int strength = side == F::先手 ? senteStrength : goteStrength;
        f->COM側 = side;
        f->人間側 = -side;
        f->強さ = strength;
        const int before = f->手数;
        if (positions) writePosition(*f, side);
        Timed timed{0, side == F::先手 ? 0 : 1, {}, {}};
        std::copy(std::begin(f->先手持駒), std::end(f->先手持駒), timed.hands[0]);
        std::copy(std::begin(f->後手持駒), std::end(f->後手持駒), timed.hands[1]);
        std::copy(&f->盤[0][0], &f->盤[0][0] + 100, &timed.board[0][0]);
        s.calls.clear();
        const long a0 = 確保数.load();
        数える = true;
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        f->com_ban();
        const auto t1 = std::chrono::steady_clock::now();
        const double c1 = cpuMs();
        数える = false;
        if (strength > 0) allocations += 確保数.load() - a0;
        times[strength].push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        cpuTimes[strength].push_back(c1 - c0);
        if (strength > 0) {
            timed.ms = c1 - c0;
            searched[strength].push_back(timed);
        }
        if (f->手数 == before) {
            lastGame.pass();
        } else {
            const int n = f->手順数;
            lastGame.add(f->手順_移動元駒[n], f->手順_移動先X[n], f->手順_移動先Y[n], f->探索の評価,
                         strength == 2 || (every && strength == 1));
        }
        if (f->対局中 == F::偽) return side;
        passes = f->手数 == before ? passes + 1 : 0;
        f->手番 = -side;
    }
    return 0;
}

const char* const names[3] = {"標準", "強い", "最強"};

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    const long seed = argc > 2 ? std::atol(argv[2]) : 1234567;
    const bool show = argc > 3 && std::string_view(argv[3]) == "show";
    every = argc > 3 && std::string_view(argv[3]) == "games";
    if (count <= 0 || seed < 0) return 2;
    if (argc > 4 && std::string_view(argv[3]) == "positions") {
        positions = std::fopen(argv[4], "w");
        if (!positions) return 2;
    }
    const std::vector<Opening> all = openings(count, static_cast<unsigned>(seed));
    const int pairings[3][2] = {{1, 0}, {2, 0}, {2, 1}};
    std::printf("%d openings from seed %ld, each played twice with colours swapped (%d random "
                "openings left out as already won by one side)\n\n",
                count, seed, decided);
    std::printf("%-12s %6s %6s %6s %11s\n", "pairing", "wins", "losses", "unfin.", "games");
    for (const auto& pr : pairings) {
        Tally t;
        for (const Opening& o : all) {
            for (int colour = 0; colour < 2; ++colour) {
                const int first = colour == 0 ? F::先手 : F::後手;
                const int winner = colour == 0 ? play(o, pr[0], pr[1]) : play(o, pr[1], pr[0]);
                const char* told = nullptr;
                if (winner == 0) {
                    ++t.unfinished;
                    told = "does not finish";
                } else if (winner == first) {
                    ++t.wins;
                } else {
                    ++t.losses;
                    told = "loses";
                }
                if (told && show && pr[0] == 2)
                    std::printf("%s %s as %s: %.*s\n", names[pr[0]], told,
                                first == F::先手 ? "先手" : "後手", lastGame.used, lastGame.text);
                if (every)
                    std::printf("%s-%s, %s as %s: %.*s\n", names[pr[0]], names[pr[1]], names[pr[0]],
                                first == F::先手 ? "先手" : "後手", lastGame.used, lastGame.text);
            }
        }
        const int games = 2 * count;
        std::printf("%s-%s    %6d %6d %6d %11d   (%.1f %% won, %.1f %% lost)\n", names[pr[0]],
                    names[pr[1]], t.wins, t.losses, t.unfinished, games, 100.0 * t.wins / games,
                    100.0 * t.losses / games);
    }
    std::printf("\ntime per move in ms, wall clock | processor time of the thread\n");
    for (int s = 0; s < 3; ++s) {
        std::vector<double>& v = times[s];
        std::vector<double>& c = cpuTimes[s];
        if (v.empty()) continue;
        std::sort(v.begin(), v.end());
        std::sort(c.begin(), c.end());
        std::printf("  %s: %zu moves, median %.3f | %.3f, 90th percentile %.3f | %.3f, slowest "
                    "%.3f | %.3f\n",
                    names[s], v.size(), v[v.size() / 2], c[c.size() / 2], v[v.size() * 9 / 10],
                    c[c.size() * 9 / 10], v.back(), c.back());
    }
    std::printf("heap allocations during the moves of 強い and 最強: %ld\n", allocations);
    // The ten slowest searched moves of each strength, searched again five times each: the
    // median of its runs is what a move costs, the slowest run of the match partly noise.
    engine::Searcher searcher;
    for (int s = 1; s < 3; ++s) {
        std::vector<Timed>& v = searched[s];
        if (v.empty()) continue;
        const std::size_t top = std::min<std::size_t>(10, v.size());
        std::partial_sort(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(top), v.end(),
                          [](const Timed& a, const Timed& b) { return a.ms > b.ms; });
        // Round by round, so that each run follows another position's, as in a game.
        double runs[10][5];
        for (int round = 0; round < 5; ++round) {
            for (std::size_t i = 0; i < top; ++i) {
                engine::Position p;
                p.load(v[i].board);
                p.setHands(v[i].hands[0], v[i].hands[1], v[i].side);
                const double c0 = cpuMs();
                searcher.choose(p, engine::limitsFor(s));
                runs[i][round] = cpuMs() - c0;
            }
        }
        double worst = 0, low = 0, high = 0, inMatch = 0;
        for (std::size_t i = 0; i < top; ++i) {
            std::sort(std::begin(runs[i]), std::end(runs[i]));
            if (runs[i][2] > worst)
                worst = runs[i][2], low = runs[i][0], high = runs[i][4], inMatch = v[i].ms;
        }
        std::printf("  %s's %zu slowest moves searched again 5 times each, processor time: the "
                    "slowest median %.3f (runs %.3f to %.3f; %.3f in the match)\n",
                    names[s], top, worst, low, high, inMatch);
    }
    if (positions) std::fclose(positions);
    return 0;
}
