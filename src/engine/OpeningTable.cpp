#include "engine/OpeningTable.h"

#include "rules/pieces.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tarvenko::engine {

extern const char openingTableText[]; // made by the build from res/openings.txt

namespace {

constexpr std::string_view header = "tarvenko-openings 1";

// A drop as the generator writes it: kind letter (先手's upper case), column X, row Y.
bool parseDrop(std::string_view t, int side, Move& m) {
    static constexpr std::string_view kinds = "PLNSGBRK";
    if (t.size() != 3 || t[1] < '1' || t[1] > '9' || t[2] < '1' || t[2] > '9') return false;
    const bool lower = t[0] >= 'a' && t[0] <= 'z';
    const auto k = kinds.find(static_cast<char>(lower ? t[0] - ('a' - 'A') : t[0]));
    if (k == std::string_view::npos || lower != (side == 1)) return false;
    m = {static_cast<std::int8_t>(squareOf(t[1] - '0', t[2] - '0')),
         static_cast<std::int8_t>(k + 1)};
    return true;
}

// Drops m in p when the side to move may make it now.
bool play(Position& p, std::string_view t) {
    Move m;
    if (!parseDrop(t, p.toMove, m) || !(p.dropTargets(m.kind) & bit(m.sq))) return false;
    p.drop(m.sq, m.kind);
    return true;
}

bool parseValue(std::string_view kind, std::string_view n, Value& v) {
    if ((kind != "win" && kind != "loss") || n.empty() || n.size() > 2) return false;
    int count = 0;
    for (char c : n) {
        if (c < '0' || c > '9') return false;
        count = count * 10 + (c - '0');
    }
    if (count < 1 || count > 81) return false;
    v = {kind == "win" ? Value::Win : Value::Loss, static_cast<std::int8_t>(count)};
    return true;
}

// The words of a line, up to six: how many there were, or 7 for more.
int words(std::string_view line, std::string_view (&out)[6]) {
    int n = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const std::size_t from = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i == from) continue;
        if (n == 6) return 7;
        out[n++] = line.substr(from, i - from);
    }
    return n;
}

} // namespace

Position startPosition() {
    Position p;
    int board[10][10] = {};
    p.load(board);
    int hand[kindCount + 1];
    std::copy(std::begin(piece::初期数), std::end(piece::初期数), hand);
    p.setHands(hand, hand, 0);
    return p;
}

bool OpeningTable::read(std::string_view text, std::string& error) {
    entries_.clear();
    root_.clear();
    const Position start = startPosition();
    Move drops[maxMoves];
    const int first = generateDrops(start, drops);
    std::vector<DropValue> root(static_cast<std::size_t>(first));
    std::vector<bool> rooted(static_cast<std::size_t>(first));
    // rooted: a first drop's value was read already
    int lineNo = 0, roots = 0;
    auto fail = [&](const char* why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        entries_.clear();
        return false;
    };
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNo;
        if (lineNo == 1) {
            if (line != header) return fail("not an opening table of this version");
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::string_view w[6];
        const int count = words(line, w);
        if (count == 0) continue;
        Value v;
        if (w[0] == "root" && count == 4) {
            Move m;
            if (!parseDrop(w[1], 0, m) || !parseValue(w[2], w[3], v)) return fail("damaged");
            const auto i = std::find(drops, drops + first, m) - drops;
            if (i == first || rooted[static_cast<std::size_t>(i)]) return fail("damaged");
            root[static_cast<std::size_t>(i)] = {m, v};
            rooted[static_cast<std::size_t>(i)] = true;
            ++roots;
        } else if (w[0] == "best" && count == 5) {
            Position p = start;
            std::size_t from = 0;
            const std::string_view seq = w[1];
            while (from <= seq.size()) {
                std::size_t comma = seq.find(',', from);
                if (comma == std::string_view::npos) comma = seq.size();
                if (!play(p, seq.substr(from, comma - from))) return fail("an impossible drop");
                from = comma + 1;
            }
            Move m;
            if (!parseDrop(w[2], p.toMove, m) || !(p.dropTargets(m.kind) & bit(m.sq)) ||
                !parseValue(w[3], w[4], v))
                return fail("damaged");
            entries_.push_back({p.key, {m, v}});
        } else {
            return fail("damaged");
        }
    }
    if (lineNo == 0) return fail("empty");
    // First drops the generator has not valued yet stay unknown.
    if (roots > 0) {
        for (int i = 0; i < first; ++i) root[static_cast<std::size_t>(i)].move = drops[i];
        root_ = std::move(root);
    }
    std::sort(entries_.begin(), entries_.end());
    entries_.shrink_to_fit();
    return true;
}

int OpeningTable::rootValues(const Position& p, DropValue* out) const {
    if (root_.empty() || p.key != startPosition().key) return 0;
    std::copy(root_.begin(), root_.end(), out);
    return static_cast<int>(root_.size());
}

bool OpeningTable::best(const Position& p, DropValue& out) const {
    if (!root_.empty() && p.key == startPosition().key) {
        // The fastest win, the first of them in the drops' order.
        const DropValue* pick = nullptr;
        for (const DropValue& d : root_) {
            if (d.value.kind == Value::Win && (!pick || d.value.n < pick->value.n)) pick = &d;
        }
        if (!pick) return false;
        out = *pick;
        return true;
    }
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), Entry{p.key, {}});
    if (it == entries_.end() || it->key != p.key) return false;
    out = it->best;
    return true;
}

const OpeningTable& openingTable() {
    static const OpeningTable table = [] {
        OpeningTable t;
        std::string error;
        if (!t.read(openingTableText, error))
            std::fprintf(stderr, "tarvenko: the opening table is not used (%s)\n", error.c_str());
        return t;
    }();
    return table;
}

} // namespace tarvenko::engine
