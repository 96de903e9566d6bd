// Makes the opening table: the exact value of every first drop, the best answer to each of
// them, and, further on, the best drop wherever 最強 on its own would miss it, down every
// defence. Every answer comes from the exact search, proved, never guessed.
//
//   make_openings PROGRESS             goes on proving, appending each answer to PROGRESS
//   make_openings PROGRESS --lines G   the same, first looking where 最強 let a win slip in
//                                      the games G (bench_openings' lines)
//   make_openings PROGRESS --first     values the first drops left open, however long it takes
//   make_openings PROGRESS --export T  writes the game's table T from what PROGRESS holds
//
// PROGRESS is the generator's own record and is committed beside the table, so that a run
// stopped at any moment (kill it) is taken up by the next from where it stood. Positions are
// written as their drops from the empty board, each a kind letter (P L N S G B R K, 先手's upper
// case) with the column X and the row Y of the board, joined by commas. A best drop serves
// the mirror image of its position too (column X ↔ 10 − X); 最強's own choice is checked on
// each, for its search is not symmetric.
#include "engine/ExactValues.h"
#include "engine/OpeningTable.h"
#include "engine/Search.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace tarvenko::engine;

namespace {

Position start() {
    return startPosition();
}

std::string dropText(int side, Move m) {
    char s[4] = {static_cast<char>("?PLNSGBRK"[m.kind] + (side ? 'a' - 'A' : 0)),
                 static_cast<char>('0' + columnOf(m.sq)), static_cast<char>('0' + rowOf(m.sq)), 0};
    return s;
}

bool parseDrop(const std::string& t, Move& m) {
    if (t.size() != 3) return false;
    const char* kinds = "PLNSGBRK";
    const char* k = std::strchr(kinds, t[0] >= 'a' ? t[0] - ('a' - 'A') : t[0]);
    if (!k || !*k || t[1] < '1' || t[1] > '9' || t[2] < '1' || t[2] > '9') return false;
    m = {static_cast<std::int8_t>(squareOf(t[1] - '0', t[2] - '0')),
         static_cast<std::int8_t>(k - kinds + 1)};
    return true;
}

std::string valueText(Value v) {
    if (!v.known()) return "unknown";
    return (v.kind == Value::Win ? "win " : "loss ") + std::to_string(v.n);
}

std::string joined(const std::string& seq, const std::string& drop) {
    return seq.empty() ? drop : seq + "," + drop;
}

// The same drops on the board seen in a mirror: column X becomes 10 − X.
std::string mirrored(const std::string& seq) {
    std::string out = seq;
    for (std::size_t i = 1; i < out.size(); i += 4)
        out[i] = static_cast<char>('0' + 10 - (out[i] - '0'));
    return out;
}

bool replay(const std::string& seq, Position& p) {
    p = start();
    std::stringstream in(seq);
    std::string t;
    while (std::getline(in, t, ',')) {
        Move m;
        if (!parseDrop(t, m) || !(p.dropTargets(m.kind) & bit(m.sq))) return false;
        p.drop(m.sq, m.kind);
    }
    return true;
}

std::uint64_t keyOf(const std::string& seq) {
    Position p;
    replay(seq, p);
    return p.key;
}

// The generator's record, one answer a line:
//   root DROP VALUE        a first drop's exact value
//   best DROPS DROP VALUE  the drop kept for the position after DROPS, with its exact value
//   ok DROPS DROP          最強 on its own plays DROP there, which wins within the bound
//   own DROPS              最強's own drop was weighed there against the best drop kept
//   (a later best line for the same DROPS replaces an earlier one)
struct Progress {
    std::map<std::string, std::string> root;  // first drop → value
    std::map<std::string, std::string> bound; // a winner's position → its bound
    std::map<std::string, std::pair<std::string, std::string>> best; // → drop, value
    std::set<std::string> ok;
    std::set<std::string> own; // positions where 最強's own drop was weighed against the best
    std::ofstream out;

    void load(const std::string& path) {
        std::ifstream in(path);
        std::string line, text;
        while (std::getline(in, line)) {
            if (in.eof()) break; // a last line cut short by a kill is proved again
            std::stringstream s(line);
            std::string what, a, b, c, d;
            s >> what >> a >> b >> c >> d;
            if (what == "root") root[a] = b + " " + c;
            if (what == "val") bound[a] = b + " " + c;
            if (what == "best") best[a] = {b, c + " " + d};
            if (what == "ok") ok.insert(a);
            if (what == "own") own.insert(a);
            text += line + "\n";
        }
        in.close();
        std::ofstream rewrite(path, std::ios::trunc);
        rewrite << text;
        rewrite.close();
        out.open(path, std::ios::app);
    }
    void write(const std::string& line) {
        out << line << '\n';
        out.flush();
    }
};

Value parseValue(const std::string& t) {
    std::stringstream s(t);
    std::string k;
    int n = 0;
    s >> k >> n;
    if (k == "win") return {Value::Win, static_cast<std::int8_t>(n)};
    if (k == "loss") return {Value::Loss, static_cast<std::int8_t>(n)};
    return {};
}

Analyser analyser;
Searcher searcher;
DropValue values[maxMoves];
long positions = 0;

// Values the drops of p until `done` holds, with ever more positions for those left open.
template <class Done> int settle(const Position& p, Done done, long most = 4'000'000'000L) {
    const int n = analyser.analyse(p, Analyser::defaultBudget, values);
    positions += analyser.nodes();
    for (long each = 4 * Analyser::defaultBudget; !done(n) && each <= most; each *= 4) {
        analyser.refine(p, each, 1'000'000'000'000L, values);
        positions += analyser.nodes();
        int open = 0;
        for (int i = 0; i < n; ++i) open += !values[i].value.known();
        if (each >= 20'000'000)
            std::cerr << "  " << open << " drops open after " << each << " each\n";
    }
    if (!done(n) && most >= 4'000'000'000L) {
        std::cerr << "not settled; stopping\n";
        std::exit(1);
    }
    return n;
}
bool allKnown(int n) {
    for (int i = 0; i < n; ++i)
        if (!values[i].value.known()) return false;
    return true;
}

struct Node {
    std::string seq; // the drops from the empty board
    Value value;     // the side to move's: Win K, a win within K drops; Loss N exactly
    bool always;     // its best drop is kept whatever 最強 would play
};

// Whether the side to move in p, the loser, is proved to lose within k of the winner's drops.
bool losesWithin(const Position& p, int k) {
    for (long budget = 400'000; budget <= 25'600'000; budget *= 4) {
        const Value v = analyser.valueOf(p, budget);
        positions += analyser.nodes();
        if (v.known()) return v.kind == Value::Loss && v.n <= k;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // A progress file named like an option is a slip of the hand, not a record to start.
    if (argc < 2 || argv[1][0] == '-') {
        std::cerr << "usage: make_openings PROGRESS [--first | --lines GAMES | --export TABLE]\n";
        return 2;
    }
    Progress progress;
    const std::string path = argv[1];
    progress.load(path);
    const auto began = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    };

    if (argc >= 4 && std::string(argv[2]) == "--export") {
        std::ofstream t(argv[3]);
        t << "tarvenko-openings 1\n"
             "# Made by tools/opening/make_openings from its record tools/opening/progress.txt:\n"
             "#   make_openings tools/opening/progress.txt --export res/openings.txt\n"
             "# root DROP VALUE: a first drop and its exact value for 先手.\n"
             "# best DROPS DROP VALUE: after DROPS from the empty board, the drop to play and its\n"
             "# exact value for the side to move: a forced row, or the longest resistance.\n";
        for (auto& [drop, v] : progress.root) t << "root " << drop << ' ' << v << '\n';
        // A position's own line first, then the mirror images of the others.
        for (auto& [seq, b] : progress.best)
            t << "best " << seq << ' ' << b.first << ' ' << b.second << '\n';
        for (auto& [seq, b] : progress.best) {
            const std::string s = mirrored(seq);
            if (!progress.best.count(s))
                t << "best " << s << ' ' << mirrored(b.first) << ' ' << b.second << '\n';
        }
        return 0;
    }

    // The start position: every drop valued.
    // The start position: every drop valued, first those that settle within 20 M positions
    // each, the others once everything else is done.
    const Position root = start();
    auto valueRoot = [&](long most) {
        const int n = settle(root, allKnown, most);
        for (int i = 0; i < n; ++i) {
            const std::string d = dropText(0, values[i].move);
            if (!values[i].value.known() || progress.root.count(d)) continue;
            progress.write("root " + d + " " + valueText(values[i].value));
            progress.root[d] = valueText(values[i].value);
        }
        std::cerr << "start position: " << progress.root.size() << " drops valued, " << positions
                  << " positions, " << seconds() << " s\n";
        return n;
    };
    Move firstDrops[maxMoves];
    // The drops left open by the first pass are valued on their own, however long it takes:
    // with --first, on a copy of the record, whose new lines are then added to it.
    if (progress.root.empty()) valueRoot(20'480'000);
    if (argc >= 3 && std::string(argv[2]) == "--first") {
        valueRoot(4'000'000'000L);
        return 0;
    }

    std::deque<Node> queue;
    std::set<std::uint64_t> seen;
    for (auto& [drop, v] : progress.root) {
        const Value first = parseValue(v);
        // After a winning first drop 後手 loses by as many of 先手's drops less one; after a
        // losing one 後手 wins as fast as 先手 loses.
        const Value after = first.kind == Value::Win
                                ? Value{Value::Loss, static_cast<std::int8_t>(first.n - 1)}
                                : Value{Value::Win, first.n};
        if (seen.insert(keyOf(drop)).second) queue.push_back({drop, after, true});
    }

    // Games 最強 lost from a won first drop (bench_openings' lines, the drops separated by
    // spaces): the first position of each where the winner's drop let the bound slip is
    // searched like any position where 最強 misses the win.
    if (argc >= 4 && std::string(argv[2]) == "--lines") {
        std::ifstream lines(argv[3]);
        std::string line;
        while (std::getline(lines, line)) {
            const auto colon = line.find(": ");
            std::stringstream in(colon == std::string::npos ? line : line.substr(colon + 2));
            std::string first, t, seq;
            in >> first;
            const auto it = progress.root.find(first);
            if (it == progress.root.end()) continue;
            const Value v = parseValue(it->second);
            const int winner = v.kind == Value::Win ? 0 : 1;
            int bound = v.kind == Value::Win ? v.n - 1 : v.n; // of the winner's drops to come
            seq = first;
            Position p;
            replay(seq, p);
            while (in >> t) {
                Move m;
                if (!parseDrop(t, m)) break;
                if (p.toMove == winner) {
                    Position after = p;
                    after.drop(m.sq, m.kind);
                    const bool keeps =
                        (p.wins[winner] & bit(m.sq)) || losesWithin(after, bound - 1);
                    if (!keeps) {
                        std::cerr << "the win slips at " << seq << " (" << t << ")\n";
                        progress.ok.erase(seq);
                        seen.insert(keyOf(seq));
                        queue.push_front(
                            {seq, {Value::Win, static_cast<std::int8_t>(bound)}, true});
                        break;
                    }
                    --bound;
                }
                p.drop(m.sq, m.kind);
                seq = joined(seq, t);
            }
        }
    }

    long checked = 0, kept = 0;
    while (!queue.empty()) {
        const Node node = queue.front();
        queue.pop_front();
        if (progress.ok.count(node.seq)) continue;
        Position p;
        replay(node.seq, p);
        const int side = p.toMove;
        // A best drop holds for the mirror image too, mirrored; 最強's own choice need not.
        auto known = progress.best.find(node.seq);
        bool mirror = false;
        if (known == progress.best.end()) {
            known = progress.best.find(mirrored(node.seq));
            mirror = known != progress.best.end();
        }
        if (known == progress.best.end() && !node.always) {
            // What 最強 plays on its own: enough where it wins within the bound again.
            const Move m = searcher.choose(p, limitsFor(2));
            bool wins = false;
            if (!m.isPass() && (p.wins[side] & bit(m.sq))) {
                wins = true;
            } else if (!m.isPass() && node.value.n > 1) {
                Position after = p;
                after.drop(m.sq, m.kind);
                wins = losesWithin(after, node.value.n - 1);
            }
            ++checked;
            if (wins) {
                progress.write("ok " + node.seq + " " + dropText(side, m));
                progress.ok.insert(node.seq);
                continue;
            }
        }
        std::string drop;
        Value value;
        if (known != progress.best.end()) {
            drop = mirror ? mirrored(known->second.first) : known->second.first;
            value = parseValue(known->second.second);
            // Where 最強's own drop is as good, it is the one kept: the table then changes
            // nothing of what 最強 already plays well.
            if (node.always && !progress.own.count(node.seq)) {
                const Move m = searcher.choose(p, limitsFor(2));
                if (!m.isPass() && dropText(side, m) != drop) {
                    Position after = p;
                    after.drop(m.sq, m.kind);
                    Value reply{};
                    for (long budget = 400'000; budget <= 25'600'000 && !reply.known();
                         budget *= 4) {
                        reply = analyser.valueOf(after, budget);
                        positions += analyser.nodes();
                    }
                    const Value mine =
                        reply.kind == Value::Loss
                            ? Value{Value::Win, static_cast<std::int8_t>(reply.n + 1)}
                        : reply.kind == Value::Win ? Value{Value::Loss, reply.n}
                                                   : Value{};
                    if (mine == value) {
                        drop = dropText(side, m);
                        progress.write("best " + node.seq + " " + drop + " " + valueText(value));
                        progress.best[node.seq] = {drop, valueText(value)};
                    }
                }
                progress.write("own " + node.seq);
                progress.own.insert(node.seq);
            }
        } else {
            // The fastest win found within the bound, or the longest resistance.
            const int n = settle(p, [&](int c) {
                for (int i = 0; i < c; ++i) {
                    const Value v = values[i].value;
                    if (node.value.kind == Value::Win && v.kind == Value::Win &&
                        v.n <= node.value.n)
                        return true;
                    if (v == node.value) return true;
                }
                return false;
            });
            int pick = -1;
            for (int i = 0; i < n; ++i) {
                const Value v = values[i].value;
                const bool better = node.value.kind == Value::Win
                                        ? v.kind == Value::Win && v.n <= node.value.n &&
                                              (pick < 0 || v.n < values[pick].value.n)
                                        : v == node.value && pick < 0;
                if (better) pick = i;
            }
            drop = dropText(side, values[pick].move);
            value = values[pick].value;
            progress.write("best " + node.seq + " " + drop + " " + valueText(value));
            progress.best[node.seq] = {drop, valueText(value)};
            ++kept;
        }
        // Every defence leads to a position the winner must win again, within one drop less.
        Position next = p;
        std::string base = node.seq;
        int within = 0;
        if (value.kind == Value::Win) {
            if (value.n == 1) continue;
            Move m;
            parseDrop(drop, m);
            next.drop(m.sq, m.kind);
            base = joined(node.seq, drop);
            within = value.n - 1;
        } else {
            within = value.n; // the loser is to move here: its drops are the defences
        }
        Move replies[maxMoves];
        const int r = generateDrops(next, replies);
        for (int i = 0; i < r; ++i) {
            const std::string s = joined(base, dropText(next.toMove, replies[i]));
            if (!seen.insert(keyOf(s)).second) continue;
            queue.push_back({s, {Value::Win, static_cast<std::int8_t>(within)}, false});
        }
        std::cerr << node.seq << ": " << checked << " checked, " << kept << " kept, queue "
                  << queue.size() << ", " << positions << " positions, " << seconds() << " s\n";
    }
    if (static_cast<int>(progress.root.size()) < generateDrops(root, firstDrops))
        std::cerr << "first drops left open: run again with --first\n";
    std::cerr << "complete: " << checked << " checked, " << kept << " kept, " << seconds()
              << " s\n";
    return 0;
}
