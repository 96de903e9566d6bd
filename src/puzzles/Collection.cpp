#include "puzzles/Collection.h"

#include "rules/pieces.h"

#include <algorithm>
#include <charconv>

namespace tarvenko::puzzles {

namespace {

constexpr std::string_view 印[2] = {"▲", "△"};
constexpr std::string_view 筋名[10] = {"", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr std::string_view 段名[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr std::string_view 駒名[9] = {"", "歩", "香", "桂", "銀", "金", "角", "飛", "王"};

// The index in `names` (from 1) of the name `text` starts with, which it then loses; 0 for none.
template <std::size_t N> int take(std::string_view& text, const std::string_view (&names)[N]) {
    for (std::size_t i = 1; i < N; ++i) {
        if (text.starts_with(names[i])) {
            text.remove_prefix(names[i].size());
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::uint32_t fnv1a(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

bool legal(const engine::Position& p, engine::Move m) {
    engine::Move all[engine::maxMoves];
    const int n = engine::generateDrops(p, all);
    return std::find(all, all + n, m) != all + n;
}

std::string_view field(std::string_view& rest) {
    const auto tab = rest.find('\t');
    const std::string_view f = rest.substr(0, tab);
    rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
    return f;
}

bool number(std::string_view text, long& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

// One puzzle line; an empty string when it is good, else why not.
std::string parse(std::string_view text, Puzzle& p) {
    long length = 0;
    if (!number(field(text), length) || length < kShortest || length > kLongest) return "length";
    p.length = static_cast<int>(length);
    std::string_view drops = field(text);
    const std::string_view key = field(text);
    if (!number(field(text), p.measure) || !text.empty()) return "fields";
    p.id = fnv1a(drops);

    engine::Position pos = startPosition();
    p.count = 0;
    while (!drops.empty()) {
        const auto space = drops.find(' ');
        const std::string_view word = drops.substr(0, space);
        drops = space == std::string_view::npos ? std::string_view() : drops.substr(space + 1);
        int side = 0;
        engine::Move m;
        if (p.count == kMostDrops || !readDrop(word, side, m)) return "drop";
        // A side that can drop nowhere is passed over, as in play.
        engine::Move any[engine::maxMoves];
        if (side != pos.toMove && engine::generateDrops(pos, any) == 0) pos.pass();
        if (side != pos.toMove || !legal(pos, m)) return "illegal drop";
        if (pos.rowOfThree(side, m.sq)) return "row of three";
        pos.drop(m.sq, m.kind);
        p.drops[p.count] = m;
        p.sides[p.count] = static_cast<std::int8_t>(side);
        ++p.count;
    }
    int keySide = 0;
    if (!readDrop(key, keySide, p.key) || keySide != pos.toMove || !legal(pos, p.key)) return "key";
    return {};
}

} // namespace

engine::Position startPosition() {
    const int board[10][10] = {};
    engine::Position p;
    p.load(board);
    p.setHands(piece::初期数, piece::初期数, 0);
    return p;
}

engine::Position Puzzle::position() const {
    engine::Position p = startPosition();
    for (int i = 0; i < count; ++i) {
        if (p.toMove != sides[i]) p.pass();
        p.drop(drops[i].sq, drops[i].kind);
    }
    return p;
}

std::string notation(int side, engine::Move m) {
    std::string out;
    if (m.isPass() || m.kind < 1 || m.kind > 8) return out;
    out += 印[side & 1];
    out += 筋名[10 - engine::columnOf(m.sq)];
    out += 段名[engine::rowOf(m.sq)];
    out += 駒名[m.kind];
    return out;
}

bool readDrop(std::string_view text, int& side, engine::Move& m) {
    if (text.starts_with(印[0])) {
        side = 0;
    } else if (text.starts_with(印[1])) {
        side = 1;
    } else {
        return false;
    }
    text.remove_prefix(印[0].size());
    const int column = take(text, 筋名), row = take(text, 段名), kind = take(text, 駒名);
    if (column == 0 || row == 0 || kind == 0 || !text.empty()) return false;
    m.sq = static_cast<std::int8_t>(engine::squareOf(10 - column, row));
    m.kind = static_cast<std::int8_t>(kind);
    return true;
}

std::string shapeKey(const engine::Position& p) {
    std::string a(82, '.'), b(82, '.');
    for (int sq = 0; sq < engine::squareCount; ++sq) {
        if (!engine::has(p.full, sq)) continue;
        const int side = engine::has(p.occ[0], sq) ? 0 : 1;
        const char c = static_cast<char>((side == 0 ? 'A' : 'a') + p.kind[sq]);
        const int x = engine::columnOf(sq), y = engine::rowOf(sq);
        a[static_cast<std::size_t>(sq)] = c;
        b[static_cast<std::size_t>(engine::squareOf(10 - x, y))] = c;
    }
    a[81] = b[81] = static_cast<char>('0' + p.toMove);
    return std::min(a, b);
}

std::string line(const Puzzle& p) {
    std::string out = std::to_string(p.length) + '\t';
    for (int i = 0; i < p.count; ++i) {
        if (i > 0) out += ' ';
        out += notation(p.sides[i], p.drops[i]);
    }
    out += '\t';
    out += notation(p.position().toMove, p.key);
    out += '\t';
    out += std::to_string(p.measure);
    return out;
}

int Collection::countOf(int length) const {
    return static_cast<int>(std::count_if(
        puzzles.begin(), puzzles.end(), [length](const Puzzle& p) { return p.length == length; }));
}

Collection read(std::string_view text) {
    Collection c;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    int number = 0;
    bool header = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view row = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
        std::string why;
        if (!header) {
            header = true;
            if (row != kHeader) why = "not a puzzle file of this version";
        } else if (row.empty() || row[0] == '#') {
            continue;
        } else {
            Puzzle p;
            why = parse(row, p);
            if (why.empty()) c.puzzles.push_back(p);
        }
        if (!why.empty()) {
            c.puzzles.clear();
            c.error = why;
            c.errorLine = number;
            return c;
        }
    }
    if (!header) {
        c.error = "empty";
        c.errorLine = 1;
    }
    std::stable_sort(c.puzzles.begin(), c.puzzles.end(),
                     [](const Puzzle& a, const Puzzle& b) { return a.length < b.length; });
    return c;
}

} // namespace tarvenko::puzzles
