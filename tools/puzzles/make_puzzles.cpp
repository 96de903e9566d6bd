// Makes the game's puzzles (res/puzzles.txt): plays random legal games from the empty board,
// asks of every position reached whether it is a puzzle (puzzles/Proof.h), and keeps each new
// one that is not the same position as one kept, or its mirror image. It saves the file after
// each puzzle it keeps and every minute, and resumes from the file's progress line, so it may
// be stopped at any time and started again:
//
//   nice -n 15 build/tools/puzzles/make_puzzles res/puzzles.txt [--most N] [--seconds S]
//
// --most N keeps at most N puzzles of each length (50); positions of a length already full
// are not examined further. --seconds S stops after S seconds of this run. It ends by itself
// once every length is full. Each puzzle it keeps is written to standard error with what its
// line of play cost the game to answer.
#include "engine/ExactValues.h"
#include "puzzles/Collection.h"
#include "puzzles/Proof.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace tarvenko;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLengths = puzzles::kLongest + 1;

struct Progress {
    long games = 0, positions = 0, seconds = 0;
    long found[kLengths] = {}; // puzzles found, before the mirror test and --most
};

std::string header(const Progress& g) {
    std::ostringstream o;
    o << puzzles::kHeader << "\n"
      << "# Made by tools/puzzles/make_puzzles.cpp, run as\n"
      << "#   nice -n 15 build/tools/puzzles/make_puzzles res/puzzles.txt\n"
      << "# Positions are those reached by random legal games from the empty board, game by\n"
      << "# game from the progress line below. A position is kept when its side to move forces\n"
      << "# a row of three in 2 to 5 of its drops, exactly one of its drops does so, every other\n"
      << "# drop is proved not to, and no puzzle above it is the same position or its mirror\n"
      << "# image (column X and 10 - X swapped). Every reply along its line of play has a proved\n"
      << "# value. Fields: length, the drops from the empty board, the key, and the positions\n"
      << "# the exact analysis needed to prove the key against every reply: within a length the\n"
      << "# puzzles go from the fewest (easiest) to the most.\n"
      << "# progress\tgames " << g.games << "\tpositions " << g.positions << "\tseconds "
      << g.seconds << "\tfound";
    for (int n = puzzles::kShortest; n <= puzzles::kLongest; ++n) o << ' ' << g.found[n];
    o << '\n';
    return o.str();
}

void readProgress(const std::string& text, Progress& g) {
    const auto at = text.find("# progress\t");
    if (at == std::string::npos) return;
    std::istringstream in(text.substr(at + 11, text.find('\n', at) - at - 11));
    std::string word;
    while (in >> word) {
        if (word == "games") in >> g.games;
        if (word == "positions") in >> g.positions;
        if (word == "seconds") in >> g.seconds;
        if (word == "found") {
            for (int n = puzzles::kShortest; n <= puzzles::kLongest; ++n) in >> g.found[n];
        }
    }
}

bool save(const std::string& path, const Progress& g, std::vector<puzzles::Puzzle> all) {
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return a.length != b.length ? a.length < b.length : a.measure < b.measure;
    });
    std::string text = header(g);
    for (const auto& p : all) text += puzzles::line(p) + '\n';
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

double milliseconds(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Plays the puzzle as the game would: the computer's answers, and the player's fastest drops.
// False when an answer is left unknown. `measure` gets the positions the answer to the key
// needed; `answers` the longest an answer took and `hints` the longest the search for the
// player's next drop took (what ヒント does after the first drop), in milliseconds.
bool playable(engine::Analyser& a, engine::Position p, engine::Move key, int length, long& measure,
              double& answers, double& hints) {
    engine::Move m = key;
    for (int left = length; left > 0; --left) {
        if (p.rowOfThree(p.toMove, m.sq)) return true;
        p.drop(m.sq, m.kind);
        auto t = Clock::now();
        const puzzles::Answer reply = puzzles::answer(a, p);
        answers = std::max(answers, milliseconds(t));
        if (left == length) measure = reply.nodes;
        if (reply.value.kind != engine::Value::Loss || reply.value.n > left - 1) return false;
        if (reply.pass) {
            p.pass();
        } else {
            p.drop(reply.move.sq, reply.move.kind);
        }
        int n = 0;
        t = Clock::now();
        if (!puzzles::fastestWin(a, p, left - 1, m, n)) return false;
        hints = std::max(hints, milliseconds(t));
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_puzzles FILE [--most N] [--seconds S]\n");
        return 2;
    }
    const std::string path = argv[1];
    long most = 50, limit = -1;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--most") most = std::atol(argv[i + 1]);
        if (option == "--seconds") limit = std::atol(argv[i + 1]);
    }

    Progress g;
    std::vector<puzzles::Puzzle> kept;
    std::set<std::string> shapes;
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            const std::string text((std::istreambuf_iterator<char>(in)), {});
            const puzzles::Collection c = puzzles::read(text);
            if (!c.error.empty()) {
                std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), c.errorLine, c.error.c_str());
                return 1;
            }
            kept = c.puzzles;
            for (const auto& p : kept) shapes.insert(puzzles::shapeKey(p.position()));
            readProgress(text, g);
        }
    }
    int count[kLengths] = {};
    for (const auto& p : kept) ++count[p.length];
    auto full = [&](int n) { return count[n] >= most; };
    auto allFull = [&] {
        for (int n = puzzles::kShortest; n <= puzzles::kLongest; ++n) {
            if (!full(n)) return false;
        }
        return true;
    };

    auto analyser = std::make_unique<engine::Analyser>();
    const auto begun = Clock::now();
    const long secondsBefore = g.seconds;
    auto lastSave = Clock::now();
    auto elapsed = [&] {
        return std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - begun).count();
    };

    engine::Move moves[engine::maxMoves];
    while (!allFull() && (limit < 0 || elapsed() < limit)) {
        std::mt19937_64 random(0x7A3E5u + static_cast<std::uint64_t>(g.games) * 1000003u);
        engine::Position p = puzzles::startPosition();
        puzzles::Puzzle line;
        for (int ply = 0; ply < puzzles::kMostDrops; ++ply) {
            int n = engine::generateDrops(p, moves);
            if (n == 0) {
                p.pass();
                n = engine::generateDrops(p, moves);
                if (n == 0) break;
            }
            if (ply >= 4) {
                ++g.positions;
                const engine::Value quick = analyser->valueOf(p, engine::Analyser::defaultBudget);
                const bool wanted = quick.kind == engine::Value::Win &&
                                    quick.n >= puzzles::kShortest && quick.n <= puzzles::kLongest &&
                                    !full(quick.n);
                const puzzles::Proof proof =
                    wanted ? puzzles::prove(*analyser, p) : puzzles::Proof{};
                if (proof.verdict == puzzles::Proof::Puzzle) {
                    ++g.found[proof.length];
                    const std::string shape = puzzles::shapeKey(p);
                    long measure = 0;
                    double answers = 0, hints = 0;
                    if (!full(proof.length) && !shapes.count(shape) &&
                        playable(*analyser, p, proof.key, proof.length, measure, answers, hints)) {
                        line.length = proof.length;
                        line.key = proof.key;
                        line.measure = measure;
                        kept.push_back(line);
                        shapes.insert(shape);
                        ++count[proof.length];
                        g.seconds = secondsBefore + elapsed();
                        save(path, g, kept);
                        lastSave = Clock::now();
                        std::fprintf(stderr,
                                     "game %ld ply %d: length %d, measure %ld, slowest answer "
                                     "%.1f ms, hint %.1f ms; kept %d %d %d %d\n",
                                     g.games, ply, proof.length, measure, answers, hints, count[2],
                                     count[3], count[4], count[5]);
                    }
                }
            }
            const engine::Move m = moves[std::uniform_int_distribution<int>(0, n - 1)(random)];
            const bool row = p.rowOfThree(p.toMove, m.sq);
            line.drops[line.count] = m;
            line.sides[line.count] = static_cast<std::int8_t>(p.toMove);
            ++line.count;
            if (row) break;
            p.drop(m.sq, m.kind);
        }
        ++g.games;
        if (milliseconds(lastSave) > 60000) {
            g.seconds = secondsBefore + elapsed();
            save(path, g, kept);
            lastSave = Clock::now();
            std::fprintf(stderr, "games %ld, positions %ld, %ld s; kept %d %d %d %d\n", g.games,
                         g.positions, g.seconds, count[2], count[3], count[4], count[5]);
        }
    }
    g.seconds = secondsBefore + elapsed();
    save(path, g, kept);
    std::fprintf(stderr, "games %ld, positions %ld, %ld s; kept %d %d %d %d\n", g.games,
                 g.positions, g.seconds, count[2], count[3], count[4], count[5]);
    return 0;
}
