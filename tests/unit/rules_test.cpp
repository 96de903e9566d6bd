// Move legality, drops and hands, and the lines of attack, checked against the recording
// window. Every check answers 真 or 偽 by value, so results are compared with those values.
#include "game/Form1.h"
#include "Game.h"
#include "Recording.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

using Square = std::pair<int, int>;
using Squares = std::set<Square>;

// The piece facts, once against the codes as numbers: code, kind, side, hand slot row.
struct PieceFact {
    int code, kind, side, row;
};
constexpr PieceFact kPieceFacts[] = {
    {-10, 1, -10, 2},  {-20, 2, -10, 3},  {-30, 3, -10, 4},  {-100, 4, -10, 5},
    {-110, 5, -10, 6}, {-800, 6, -10, 7}, {-900, 7, -10, 8}, {-950, 8, -10, 9},
    {10, 1, 10, 8},    {20, 2, 10, 7},    {30, 3, 10, 6},    {100, 4, 10, 5},
    {110, 5, 10, 4},   {800, 6, 10, 3},   {900, 7, 10, 2},   {950, 8, 10, 1}};
constexpr bool piecesAgree() {
    for (const PieceFact& p : kPieceFacts) {
        if (piece::kindOf(p.code) != p.kind || piece::sideOf(p.code) != p.side ||
            piece::codeOf(p.side, p.kind) != p.code || piece::handRow(p.side, p.kind) != p.row ||
            piece::kindAtRow(p.side, p.row) != p.kind)
            return false;
    }
    for (int v : {0, 1, -1, 11, -15, 120, 1000, 951, -2147483647 - 1}) {
        if (piece::kindOf(v) != 0 || piece::sideOf(v) != 0) return false;
    }
    return piece::codeOf(0, 1) == 0 && piece::codeOf(-10, 9) == 0 && piece::codeOf(10, 0) == 0;
}
static_assert(piecesAgree());

const char* const 駒名[9] = {"", "歩", "香", "桂", "銀", "金", "角", "飛", "王"};
constexpr int 先手の駒(int k) {
    return piece::codeOf(F::先手, k);
}
constexpr int 後手の駒(int k) {
    return piece::codeOf(F::後手, k);
}

std::vector<int> 全駒() {
    std::vector<int> codes;
    for (int k = 1; k <= 8; ++k) {
        codes.push_back(先手の駒(k));
        codes.push_back(後手の駒(k));
    }
    return codes;
}

std::string 名前(int code) {
    return std::string(code < 0 ? "先手" : "後手") + 駒名[piece::kindOf(code)];
}

std::string 表示(const Squares& s) {
    std::string out;
    for (auto [x, y] : s) out += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    return out.empty() ? "{}" : out;
}

// Every board square that 移動チェック accepts as destination.
Squares 行き先(Form1& f, int sx, int sy, int code) {
    Squares out;
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            const int r = f.移動チェック(sx, sy, x, y, code);
            EXPECT_TRUE(r == F::真 || r == F::偽) << r;
            if (r == F::真) out.insert({x, y});
        }
    }
    return out;
}

// Shogi movement as data, in steps relative to the mover's forward direction: a
// positive forward step goes toward the far side (row 1 for 先手, row 9 for 後手).
struct Movement {
    std::vector<std::pair<int, int>> steps;  // single steps (dx, forward)
    std::vector<std::pair<int, int>> slides; // unlimited lines (dx, forward)
};

Movement 動き(int kind) {
    switch (kind) {
    case 1:
        return {{{0, 1}}, {}};
    case 2:
        return {{}, {{0, 1}}};
    case 3:
        return {{{-1, 2}, {1, 2}}, {}};
    case 4:
        return {{{-1, 1}, {0, 1}, {1, 1}, {-1, -1}, {1, -1}}, {}};
    case 5:
        return {{{-1, 1}, {0, 1}, {1, 1}, {-1, 0}, {1, 0}, {0, -1}}, {}};
    case 6:
        return {{}, {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}}};
    case 7:
        return {{}, {{1, 0}, {-1, 0}, {0, 1}, {0, -1}}};
    case 8:
        return {{{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}}, {}};
    default:
        return {};
    }
}

bool 盤上(int x, int y) {
    return x >= 1 && x <= 9 && y >= 1 && y <= 9;
}

// The destinations the movement table gives for the piece on (sx, sy) of f's board.
Squares 期待する行き先(const Form1& f, int sx, int sy, int code) {
    const int forward = code < 0 ? -1 : 1; // row step of one step forward
    const Movement m = 動き(piece::kindOf(code));
    Squares out;
    for (auto [dx, fw] : m.steps) {
        const int x = sx + dx, y = sy + fw * forward;
        if (盤上(x, y) && f.盤[x][y] == F::空き) out.insert({x, y});
    }
    for (auto [dx, fw] : m.slides) {
        for (int x = sx + dx, y = sy + fw * forward; 盤上(x, y); x += dx, y += fw * forward) {
            if (f.盤[x][y] != F::空き) break;
            out.insert({x, y});
        }
    }
    return out;
}

// The rows a piece may not be dropped on.
bool 打てない段(int code, int y) {
    const int k = piece::kindOf(code);
    const int far = code < 0 ? 1 : 9;           // last row ahead of the piece
    const int second = code < 0 ? 2 : 8;        // the row before it
    if (k == 1 || k == 2) return y == far;      // 歩 香
    if (k == 3) return y == far || y == second; // 桂
    return false;
}

// The 利き筋 cells of rows and columns 1..9 that are 真.
Squares 利き(const Form1& f) {
    Squares out;
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            EXPECT_TRUE(f.利き筋[x][y] == F::真 || f.利き筋[x][y] == F::偽);
            if (f.利き筋[x][y] == F::真) out.insert({x, y});
        }
    }
    return out;
}

Squares 全桝() {
    Squares out;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) out.insert({x, y});
    return out;
}

void 盤を埋める(Form1& f, int code) {
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) f.盤[x][y] = code;
}

} // namespace

// ---------------------------------------------------------------------------------------
// 移動チェック: drops

TEST(MoveCheckDrop, RowLimitsOfEveryPieceOfBothSides) {
    SetUpGame g;
    g->調査_2歩フラグ設定();
    for (int code : 全駒()) {
        // Both hand columns are drops; the piece's own side decides the limits.
        for (int col : {F::先手持駒列, F::後手持駒列}) {
            for (int x = 1; x <= 9; ++x) {
                for (int y = 1; y <= 9; ++y) {
                    const int expected = 打てない段(code, y) ? F::偽 : F::真;
                    EXPECT_EQ(g->移動チェック(col, 5, x, y, code), expected)
                        << 名前(code) << " from column " << col << " to (" << x << "," << y << ")";
                }
            }
        }
    }
}

TEST(MoveCheckDrop, WorkedRowLimits) {
    SetUpGame g;
    g->調査_2歩フラグ設定();
    struct Case {
        int code, y, expected;
    };
    const Case cases[] = {
        {F::先手歩, 1, F::偽}, {F::先手歩, 2, F::真}, {F::後手歩, 9, F::偽}, {F::後手歩, 8, F::真},
        {F::先手香, 1, F::偽}, {F::後手香, 9, F::偽}, {F::先手桂, 2, F::偽}, {F::先手桂, 3, F::真},
        {F::後手桂, 8, F::偽}, {F::後手桂, 7, F::真}, {F::先手王, 1, F::真}, {F::先手王, 9, F::真},
        {F::後手角, 1, F::真}, {F::後手角, 9, F::真}, {F::先手銀, 1, F::真}, {F::後手金, 9, F::真},
        {F::先手飛, 1, F::真}, {F::後手桂, 1, F::真}, {F::先手桂, 9, F::真}, {F::後手香, 1, F::真},
        {F::先手香, 9, F::真},
    };
    for (const Case& c : cases) {
        const int col = c.code < 0 ? F::先手持駒列 : F::後手持駒列;
        EXPECT_EQ(g->移動チェック(col, 2, 4, c.y, c.code), c.expected)
            << 名前(c.code) << " on row " << c.y;
    }
}

TEST(MoveCheckDrop, TwoPawnsWithFreshFlags) {
    for (int side : {F::先手, F::後手}) {
        const int own = side == F::先手 ? F::先手歩 : F::後手歩;
        const int other = -own;
        const int ownCol = side == F::先手 ? F::先手持駒列 : F::後手持駒列;
        const int otherCol = side == F::先手 ? F::後手持駒列 : F::先手持駒列;
        SetUpGame g;
        g->盤[3][5] = own;
        g->調査_2歩フラグ設定();
        for (int y = 1; y <= 9; ++y) {
            if (y == 5) continue;
            // A second pawn of the same side never goes into column 3.
            EXPECT_EQ(g->移動チェック(ownCol, 2, 3, y, own), F::偽) << own << " row " << y;
            // The other side's pawn is not hindered by it, apart from its own last row.
            const int expectOther = 打てない段(other, y) ? F::偽 : F::真;
            EXPECT_EQ(g->移動チェック(otherCol, 2, 3, y, other), expectOther)
                << other << " row " << y;
            // Nor is any other piece of the same side.
            const int lance = side == F::先手 ? F::先手香 : F::後手香;
            const int king = side == F::先手 ? F::先手王 : F::後手王;
            EXPECT_EQ(g->移動チェック(ownCol, 2, 3, y, lance),
                      打てない段(lance, y) ? F::偽 : F::真);
            EXPECT_EQ(g->移動チェック(ownCol, 2, 3, y, king), F::真);
        }
        // Other columns stay open for the same side's pawn.
        for (int x : {1, 2, 4, 9}) {
            EXPECT_EQ(g->移動チェック(ownCol, 2, x, 5, own), F::真) << "column " << x;
        }
    }
}

TEST(MoveCheckDrop, PawnFlagsAreUsedAsLastComputed) {
    SetUpGame g;
    g->調査_2歩フラグ設定(); // no pawns anywhere
    g->盤[4][6] = F::先手歩; // a pawn arrives without the flags being refreshed
    EXPECT_EQ(g->移動チェック(F::先手持駒列, 2, 4, 3, F::先手歩), F::真); // stale: allowed
    g->調査_2歩フラグ設定();
    EXPECT_EQ(g->移動チェック(F::先手持駒列, 2, 4, 3, F::先手歩), F::偽);

    g->盤[4][6] = F::空き; // the pawn leaves; the flag still says it is there
    EXPECT_EQ(g->移動チェック(F::先手持駒列, 2, 4, 3, F::先手歩), F::偽);
    g->調査_2歩フラグ設定();
    EXPECT_EQ(g->移動チェック(F::先手持駒列, 2, 4, 3, F::先手歩), F::真);

    // The same for 後手, with a flag set by hand and no pawn on the board.
    g->後手2歩フラグ[7] = 1;
    EXPECT_EQ(g->移動チェック(F::後手持駒列, 8, 7, 2, F::後手歩), F::偽);
    EXPECT_EQ(g->移動チェック(F::後手持駒列, 8, 7, 2, F::先手歩), F::真);
}

TEST(MoveCheckDrop, IsTwoPawnsLooksOnlyAtTheMoversPawnFlag) {
    SetUpGame g;
    for (int x = 1; x <= 9; ++x) {
        g->先手2歩フラグ[x] = x % 2;     // odd columns
        g->後手2歩フラグ[x] = 1 - x % 2; // even columns
    }
    for (int x = 1; x <= 9; ++x) {
        EXPECT_EQ(g->移動チェック_2歩か(x, F::先手歩), x % 2 ? F::真 : F::偽) << x;
        EXPECT_EQ(g->移動チェック_2歩か(x, F::後手歩), x % 2 ? F::偽 : F::真) << x;
        for (int code : 全駒()) {
            if (code == F::先手歩 || code == F::後手歩) continue;
            EXPECT_EQ(g->移動チェック_2歩か(x, code), F::偽) << 名前(code) << " " << x;
        }
    }
}

TEST(MoveCheckDrop, NoDropOntoAnyPiece) {
    for (int occupant : {F::先手歩, F::後手歩, F::先手王, F::後手飛}) {
        SetUpGame g;
        g->盤[5][5] = occupant;
        g->盤[1][1] = occupant;
        g->調査_2歩フラグ設定();
        for (int code : 全駒()) {
            for (int col : {F::先手持駒列, F::後手持駒列}) {
                EXPECT_EQ(g->移動チェック(col, 3, 5, 5, code), F::偽) << 名前(code);
                EXPECT_EQ(g->移動チェック(col, 3, 1, 1, code), F::偽) << 名前(code);
            }
        }
    }
}

TEST(MoveCheck, DestinationsOffTheBoardAreRefused) {
    const int outside[] = {-100, -5, -1, 0, 10, 11, 12, 100};
    struct Source {
        int x, y;
    };
    // Drops, and board moves from each corner, each edge and the middle.
    const Source sources[] = {{F::先手持駒列, 2},
                              {F::後手持駒列, 8},
                              {1, 1},
                              {9, 9},
                              {1, 9},
                              {9, 1},
                              {5, 1},
                              {5, 9},
                              {1, 5},
                              {9, 5},
                              {5, 5}};
    for (int code : 全駒()) {
        for (const Source& src : sources) {
            SetUpGame g;
            g->調査_2歩フラグ設定();
            const bool onBoard = 盤上(src.x, src.y);
            if (onBoard) g->盤[src.x][src.y] = code;
            for (int o : outside) {
                for (int i : {1, 5, 9}) {
                    EXPECT_EQ(g->移動チェック(src.x, src.y, o, i, code), F::偽)
                        << 名前(code) << " to (" << o << "," << i << ")";
                    EXPECT_EQ(g->移動チェック(src.x, src.y, i, o, code), F::偽)
                        << 名前(code) << " to (" << i << "," << o << ")";
                }
                EXPECT_EQ(g->移動チェック(src.x, src.y, o, o, code), F::偽);
            }
        }
    }
}

TEST(MoveCheck, SameSquareIsNoMove) {
    SetUpGame g;
    for (int code : 全駒()) {
        g->盤[5][5] = code;
        EXPECT_EQ(g->移動チェック(5, 5, 5, 5, code), F::偽) << 名前(code);
        g->盤[5][5] = F::空き; // even an empty square
        EXPECT_EQ(g->移動チェック(5, 5, 5, 5, code), F::偽) << 名前(code);
    }
}

// ---------------------------------------------------------------------------------------
// 移動チェック: board moves

TEST(MoveCheckBoard, WorkedSquaresFromTheCentre) {
    struct Case {
        int code;
        Squares expected;
    };
    const Case cases[] = {
        {F::先手銀, {{4, 4}, {5, 4}, {6, 4}, {4, 6}, {6, 6}}},
        {F::後手銀, {{4, 6}, {5, 6}, {6, 6}, {4, 4}, {6, 4}}},
        {F::先手金, {{4, 4}, {5, 4}, {6, 4}, {4, 5}, {6, 5}, {5, 6}}},
        {F::後手金, {{4, 6}, {5, 6}, {6, 6}, {4, 5}, {6, 5}, {5, 4}}},
        {F::先手桂, {{4, 3}, {6, 3}}},
        {F::後手桂, {{4, 7}, {6, 7}}},
        {F::先手歩, {{5, 4}}},
        {F::後手歩, {{5, 6}}},
        {F::先手香, {{5, 4}, {5, 3}, {5, 2}, {5, 1}}},
        {F::後手香, {{5, 6}, {5, 7}, {5, 8}, {5, 9}}},
        {F::先手王, {{4, 4}, {5, 4}, {6, 4}, {4, 5}, {6, 5}, {4, 6}, {5, 6}, {6, 6}}},
        {F::後手王, {{4, 4}, {5, 4}, {6, 4}, {4, 5}, {6, 5}, {4, 6}, {5, 6}, {6, 6}}},
        {F::先手飛,
         {{5, 1},
          {5, 2},
          {5, 3},
          {5, 4},
          {5, 6},
          {5, 7},
          {5, 8},
          {5, 9},
          {1, 5},
          {2, 5},
          {3, 5},
          {4, 5},
          {6, 5},
          {7, 5},
          {8, 5},
          {9, 5}}},
        {F::後手角,
         {{1, 1},
          {2, 2},
          {3, 3},
          {4, 4},
          {6, 6},
          {7, 7},
          {8, 8},
          {9, 9},
          {9, 1},
          {8, 2},
          {7, 3},
          {6, 4},
          {4, 6},
          {3, 7},
          {2, 8},
          {1, 9}}},
    };
    for (const Case& c : cases) {
        SetUpGame g;
        g->盤[5][5] = c.code;
        const Squares got = 行き先(*g, 5, 5, c.code);
        EXPECT_EQ(got, c.expected)
            << 名前(c.code) << ": got " << 表示(got) << ", expected " << 表示(c.expected);
    }
}

TEST(MoveCheckBoard, EveryPieceFromEverySquareOfAnEmptyBoard) {
    // Edges and corners included: nothing is found off the board and nothing is lost
    // near it.
    SetUpGame g;
    for (int code : 全駒()) {
        for (int sx = 1; sx <= 9; ++sx) {
            for (int sy = 1; sy <= 9; ++sy) {
                g->盤[sx][sy] = code;
                const Squares got = 行き先(*g, sx, sy, code);
                const Squares expected = 期待する行き先(*g, sx, sy, code);
                EXPECT_EQ(got, expected) << 名前(code) << " on (" << sx << "," << sy << "): got "
                                         << 表示(got) << ", expected " << 表示(expected);
                g->盤[sx][sy] = F::空き;
            }
        }
    }
}

TEST(MoveCheckBoard, CornersAndEdgesWorked) {
    struct Case {
        int code, x, y;
        Squares expected;
    };
    const Case cases[] = {
        {F::先手歩, 3, 1, {}}, // nowhere to go beyond row 1
        {F::後手歩, 3, 9, {}},
        {F::先手桂, 1, 2, {}}, // two rows ahead is off the board
        {F::後手桂, 9, 8, {}},
        {F::先手桂, 1, 3, {{2, 1}}}, // one of the two jumps is off the board
        {F::後手桂, 9, 7, {{8, 9}}},
        {F::先手銀, 1, 1, {{2, 2}}},
        {F::後手銀, 9, 9, {{8, 8}}},
        {F::先手金, 9, 9, {{8, 8}, {9, 8}, {8, 9}}},
        {F::後手金, 1, 1, {{2, 2}, {1, 2}, {2, 1}}},
        {F::先手王, 9, 1, {{8, 1}, {8, 2}, {9, 2}}},
        {F::後手王, 1, 9, {{1, 8}, {2, 8}, {2, 9}}},
        {F::先手香, 7, 1, {}},
        {F::後手香, 7, 6, {{7, 7}, {7, 8}, {7, 9}}},
        {F::後手角, 1, 1, {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}}},
        {F::先手角, 2, 9, {{1, 8}, {3, 8}, {4, 7}, {5, 6}, {6, 5}, {7, 4}, {8, 3}, {9, 2}}},
    };
    for (const Case& c : cases) {
        SetUpGame g;
        g->盤[c.x][c.y] = c.code;
        const Squares got = 行き先(*g, c.x, c.y, c.code);
        EXPECT_EQ(got, c.expected)
            << 名前(c.code) << " on (" << c.x << "," << c.y << "): got " << 表示(got);
    }
}

TEST(MoveCheckBoard, RookFromACornerReachesSixteenSquares) {
    for (int code : {F::先手飛, F::後手飛}) {
        for (auto [x, y] : std::array<Square, 4>{{{1, 1}, {9, 1}, {1, 9}, {9, 9}}}) {
            SetUpGame g;
            g->盤[x][y] = code;
            const Squares got = 行き先(*g, x, y, code);
            EXPECT_EQ(got.size(), 16u) << 名前(code) << " on (" << x << "," << y << ")";
            for (auto [i, j] : got) EXPECT_TRUE(i == x || j == y);
        }
    }
}

TEST(MoveCheckBoard, SlidesStopAtPiecesOfEitherSide) {
    struct Case {
        int code;
        std::vector<Square> blockers;
        Squares expected;
    };
    const Case cases[] = {
        // 香 on (5,5) with a piece on (5,3): (5,4) only.
        {F::先手香, {{5, 3}}, {{5, 4}}},
        {F::後手香, {{5, 8}}, {{5, 6}, {5, 7}}},
        {F::先手香, {{5, 4}}, {}},
        // A piece behind a 香 changes nothing.
        {F::後手香, {{5, 4}, {5, 1}}, {{5, 6}, {5, 7}, {5, 8}, {5, 9}}},
        // 飛: up to (5,3), right to (7,5), nothing down, left to (2,5).
        {F::先手飛, {{5, 3}, {7, 5}, {5, 6}, {2, 5}}, {{5, 4}, {6, 5}, {4, 5}, {3, 5}}},
        {F::後手飛,
         {{5, 1}, {9, 5}, {5, 9}, {1, 5}},
         {{5, 2},
          {5, 3},
          {5, 4},
          {6, 5},
          {7, 5},
          {8, 5},
          {4, 5},
          {3, 5},
          {2, 5},
          {5, 6},
          {5, 7},
          {5, 8}}},
        // 角: up-right stops at (7,3), up-left at (3,3), down-right at once, down-left free.
        {F::後手角, {{7, 3}, {3, 3}, {6, 6}}, {{6, 4}, {4, 4}, {4, 6}, {3, 7}, {2, 8}, {1, 9}}},
        {F::先手角,
         {{9, 1}, {1, 1}, {9, 9}, {1, 9}},
         {{6, 4},
          {7, 3},
          {8, 2},
          {4, 4},
          {3, 3},
          {2, 2},
          {6, 6},
          {7, 7},
          {8, 8},
          {4, 6},
          {3, 7},
          {2, 8}}},
    };
    // The blockers are 先手 pieces, 後手 pieces, or alternately one and the other.
    for (int mix = 0; mix < 3; ++mix) {
        for (const Case& c : cases) {
            SetUpGame g;
            g->盤[5][5] = c.code;
            int i = 0;
            for (auto [x, y] : c.blockers) {
                const bool sente = mix == 0 || (mix == 2 && i++ % 2 == 0);
                g->盤[x][y] = sente ? F::先手金 : F::後手金;
            }
            const Squares got = 行き先(*g, 5, 5, c.code);
            EXPECT_EQ(got, c.expected) << 名前(c.code) << " mix " << mix << ": got " << 表示(got);
        }
    }
}

TEST(MoveCheckBoard, NoCaptureOfEitherSide) {
    // Every square a piece could reach on an empty board is refused once a piece of
    // either side stands there.
    for (int code : 全駒()) {
        SetUpGame g;
        g->盤[5][5] = code;
        const Squares open = 行き先(*g, 5, 5, code);
        ASSERT_FALSE(open.empty());
        for (int occupant : {F::先手歩, F::後手歩, F::先手王, F::後手角}) {
            for (auto [x, y] : open) {
                g->盤[x][y] = occupant;
                EXPECT_EQ(g->移動チェック(5, 5, x, y, code), F::偽)
                    << 名前(code) << " onto " << occupant << " at (" << x << "," << y << ")";
                g->盤[x][y] = F::空き;
            }
        }
    }
}

TEST(MoveCheckBoard, RookAndBishopReachAnAdjacentSquareOnAFullBoard) {
    struct Case {
        int code;
        std::vector<Square> open; // adjacent squares the piece reaches
        std::vector<Square> shut; // adjacent squares it does not
    };
    const std::vector<Square> straight = {{5, 4}, {5, 6}, {4, 5}, {6, 5}};
    const std::vector<Square> diagonal = {{4, 4}, {6, 4}, {4, 6}, {6, 6}};
    const Case cases[] = {
        {F::先手飛, straight, diagonal},
        {F::後手飛, straight, diagonal},
        {F::先手角, diagonal, straight},
        {F::後手角, diagonal, straight},
    };
    for (const Case& c : cases) {
        for (int fill : {F::先手歩, F::後手金}) {
            SetUpGame g;
            盤を埋める(*g, fill);
            g->盤[5][5] = c.code;
            for (auto [x, y] : c.open) {
                g->盤[x][y] = F::空き;
                EXPECT_EQ(行き先(*g, 5, 5, c.code), (Squares{{x, y}}))
                    << 名前(c.code) << " to (" << x << "," << y << ")";
                g->盤[x][y] = fill;
            }
            for (auto [x, y] : c.shut) {
                g->盤[x][y] = F::空き;
                EXPECT_EQ(行き先(*g, 5, 5, c.code), Squares{})
                    << 名前(c.code) << " to (" << x << "," << y << ")";
                g->盤[x][y] = fill;
            }
        }
    }
}

TEST(MoveCheckBoard, KnightJumpsOverPieces) {
    struct Case {
        int code;
        std::vector<Square> around;
        Squares expected;
    };
    const Case cases[] = {
        {F::先手桂, {{4, 4}, {5, 4}, {6, 4}, {5, 3}, {4, 5}, {6, 5}}, {{4, 3}, {6, 3}}},
        {F::後手桂, {{4, 6}, {5, 6}, {6, 6}, {5, 7}, {4, 5}, {6, 5}}, {{4, 7}, {6, 7}}},
    };
    for (const Case& c : cases) {
        for (int occupant : {F::先手金, F::後手金}) {
            SetUpGame g;
            g->盤[5][5] = c.code;
            for (auto [x, y] : c.around) g->盤[x][y] = occupant;
            EXPECT_EQ(行き先(*g, 5, 5, c.code), c.expected) << 名前(c.code);
        }
    }
}

TEST(MoveCheckBoard, RandomBoardsFollowTheMovementTable) {
    // Crowded boards of both sides: every piece on them, every destination.
    std::mt19937 rng(20240611);
    const std::vector<int> codes = 全駒();
    for (int round = 0; round < 60; ++round) {
        SetUpGame g;
        std::uniform_int_distribution<int> pick(0, static_cast<int>(codes.size()) * 2 - 1);
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                const int p = pick(rng);
                g->盤[x][y] = p < static_cast<int>(codes.size()) ? codes[p] : F::空き;
            }
        }
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                const int code = g->盤[x][y];
                if (code == F::空き) continue;
                EXPECT_EQ(行き先(*g, x, y, code), 期待する行き先(*g, x, y, code))
                    << "round " << round << " " << 名前(code) << " on (" << x << "," << y << ")";
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// The path checks called directly

TEST(PathCheck, RookPathNeedsOneLineAndEmptySquaresBetween) {
    SetUpGame g;
    // Not on one line.
    EXPECT_EQ(g->移動チェック飛車(1, 1, 2, 2), F::偽);
    EXPECT_EQ(g->移動チェック飛車(5, 5, 7, 6), F::偽);
    // Adjacent squares always pass, whatever stands on the two ends.
    g->盤[5][5] = F::先手金;
    g->盤[5][4] = F::後手金;
    EXPECT_EQ(g->移動チェック飛車(5, 5, 5, 4), F::真);
    EXPECT_EQ(g->移動チェック飛車(5, 4, 5, 5), F::真);

    struct Line {
        int sx, sy, dx, dy;
    };
    const Line lines[] = {{1, 1, 1, 9}, {1, 9, 1, 1}, {1, 3, 9, 3},
                          {9, 3, 1, 3}, {7, 2, 7, 6}, {8, 8, 2, 8}};
    for (const Line& l : lines) {
        SetUpGame h;
        // The ends themselves are never examined.
        h->盤[l.sx][l.sy] = F::先手飛;
        h->盤[l.dx][l.dy] = F::後手王;
        EXPECT_EQ(h->移動チェック飛車(l.sx, l.sy, l.dx, l.dy), F::真);
        const int stepX = (l.dx > l.sx) - (l.dx < l.sx), stepY = (l.dy > l.sy) - (l.dy < l.sy);
        for (int x = l.sx + stepX, y = l.sy + stepY; x != l.dx || y != l.dy;
             x += stepX, y += stepY) {
            for (int blocker : {F::先手歩, F::後手歩}) {
                h->盤[x][y] = blocker;
                EXPECT_EQ(h->移動チェック飛車(l.sx, l.sy, l.dx, l.dy), F::偽)
                    << "blocked at (" << x << "," << y << ")";
                h->盤[x][y] = F::空き;
            }
        }
        // Pieces beside the line or beyond its ends do not matter.
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                const bool between = (stepX == 0 && x == l.sx && (y - l.sy) * (y - l.dy) < 0) ||
                                     (stepY == 0 && y == l.sy && (x - l.sx) * (x - l.dx) < 0);
                if (!between) h->盤[x][y] = F::後手金;
            }
        }
        EXPECT_EQ(h->移動チェック飛車(l.sx, l.sy, l.dx, l.dy), F::真);
    }
}

TEST(PathCheck, BishopPathNeedsOneDiagonalAndEmptySquaresBetween) {
    SetUpGame g;
    EXPECT_EQ(g->移動チェック角(1, 1, 1, 5), F::偽);
    EXPECT_EQ(g->移動チェック角(5, 5, 7, 6), F::偽);
    EXPECT_EQ(g->移動チェック角(5, 5, 6, 5), F::偽);
    g->盤[5][5] = F::後手角;
    g->盤[6][4] = F::先手金;
    EXPECT_EQ(g->移動チェック角(5, 5, 6, 4), F::真);
    EXPECT_EQ(g->移動チェック角(6, 4, 5, 5), F::真);

    struct Line {
        int sx, sy, dx, dy;
    };
    // All four directions of both diagonals, corner to corner and shorter.
    const Line lines[] = {{1, 1, 9, 9}, {9, 9, 1, 1}, {9, 1, 1, 9}, {1, 9, 9, 1},
                          {2, 6, 5, 3}, {5, 3, 2, 6}, {3, 2, 8, 7}, {8, 7, 3, 2}};
    for (const Line& l : lines) {
        SetUpGame h;
        h->盤[l.sx][l.sy] = F::先手角;
        h->盤[l.dx][l.dy] = F::後手王;
        EXPECT_EQ(h->移動チェック角(l.sx, l.sy, l.dx, l.dy), F::真);
        const int stepX = l.dx > l.sx ? 1 : -1, stepY = l.dy > l.sy ? 1 : -1;
        for (int x = l.sx + stepX, y = l.sy + stepY; x != l.dx; x += stepX, y += stepY) {
            for (int blocker : {F::先手歩, F::後手歩}) {
                h->盤[x][y] = blocker;
                EXPECT_EQ(h->移動チェック角(l.sx, l.sy, l.dx, l.dy), F::偽)
                    << "(" << l.sx << "," << l.sy << ")→(" << l.dx << "," << l.dy
                    << ") blocked at (" << x << "," << y << ")";
                h->盤[x][y] = F::空き;
            }
        }
        // Every square off the path full: still open.
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                const bool onPath =
                    (x - l.sx) * stepY == (y - l.sy) * stepX && (x - l.sx) * (x - l.dx) < 0;
                if (!onPath) h->盤[x][y] = F::後手金;
            }
        }
        EXPECT_EQ(h->移動チェック角(l.sx, l.sy, l.dx, l.dy), F::真);
    }
}

TEST(PathCheck, SameSquareHasNothingBetween) {
    // Nothing lies strictly between a square and itself, so neither walk finds a piece,
    // even with the whole board full around it.
    SetUpGame g;
    盤を埋める(*g, F::後手金);
    for (auto [x, y] : 全桝()) {
        EXPECT_EQ(g->移動チェック角(x, y, x, y), F::真) << x << "," << y;
        EXPECT_EQ(g->移動チェック飛車(x, y, x, y), F::真) << x << "," << y;
    }
}

// ---------------------------------------------------------------------------------------
// Pawn flags

TEST(PawnFlags, RebuiltFromTheBoardForBothSides) {
    SetUpGame g;
    // Stale flags everywhere, to be cleared where no pawn stands.
    for (int x = 0; x <= 9; ++x) g->先手2歩フラグ[x] = g->後手2歩フラグ[x] = 1;
    g->盤[1][9] = F::先手歩;
    g->盤[1][1] = F::後手歩;
    g->盤[4][2] = F::先手歩;
    g->盤[6][7] = F::後手歩;
    g->盤[6][3] = F::先手歩;
    // Other pieces of either side are not pawns.
    g->盤[2][5] = F::先手香;
    g->盤[3][5] = F::後手香;
    g->盤[5][5] = F::先手王;
    g->盤[7][5] = F::後手桂;
    g->盤[8][5] = F::先手金;
    g->盤[9][5] = F::後手王;
    g->調査_2歩フラグ設定();
    const int 先手期待[10] = {0, 1, 0, 0, 1, 0, 1, 0, 0, 0};
    const int 後手期待[10] = {0, 1, 0, 0, 0, 0, 1, 0, 0, 0};
    for (int x = 1; x <= 9; ++x) {
        EXPECT_EQ(g->先手2歩フラグ[x], 先手期待[x]) << "column " << x;
        EXPECT_EQ(g->後手2歩フラグ[x], 後手期待[x]) << "column " << x;
    }
    // A pawn on every row of a column sets its flag alike.
    for (int y = 1; y <= 9; ++y) {
        SetUpGame h;
        h->盤[8][y] = F::後手歩;
        h->盤[2][y] = F::先手歩;
        h->調査_2歩フラグ設定();
        for (int x = 1; x <= 9; ++x) {
            EXPECT_EQ(h->先手2歩フラグ[x], x == 2 ? 1 : 0) << "row " << y << " column " << x;
            EXPECT_EQ(h->後手2歩フラグ[x], x == 8 ? 1 : 0) << "row " << y << " column " << x;
        }
    }
}

// ---------------------------------------------------------------------------------------
// 駒移動 and the hands

TEST(MovePiece, DropTakesFromTheSlotRowAndPutsTheCodeOnTheBoard) {
    for (int k = 1; k <= 8; ++k) {
        for (int side : {F::先手, F::後手}) {
            SetUpGame g;
            const bool sente = side == F::先手;
            const int code = sente ? 先手の駒(k) : 後手の駒(k);
            const int col = sente ? F::先手持駒列 : F::後手持駒列;
            const int row = piece::handRow(side, k);
            int before[9], other[9];
            std::memcpy(before, sente ? g->先手持駒 : g->後手持駒, sizeof before);
            std::memcpy(other, sente ? g->後手持駒 : g->先手持駒, sizeof other);

            g->駒移動(col, row, 3, 7, code);

            const int* hand = sente ? g->先手持駒 : g->後手持駒;
            const int* otherHand = sente ? g->後手持駒 : g->先手持駒;
            for (int i = 0; i <= 8; ++i) {
                EXPECT_EQ(hand[i], before[i] - (i == k ? 1 : 0)) << 名前(code) << " kind " << i;
                EXPECT_EQ(otherHand[i], other[i]) << 名前(code) << " kind " << i;
            }
            EXPECT_EQ(sente ? g->先手持駒合計 : g->後手持駒合計, 19) << 名前(code);
            EXPECT_EQ(sente ? g->後手持駒合計 : g->先手持駒合計, 20) << 名前(code);
            for (int x = 1; x <= 9; ++x) {
                for (int y = 1; y <= 9; ++y) {
                    EXPECT_EQ(g->盤[x][y], (x == 3 && y == 7) ? code : F::空き);
                }
            }
        }
    }
}

TEST(MovePiece, WorkedDrops) {
    SetUpGame g;
    g->駒移動(F::先手持駒列, 7, 5, 5, F::先手角);
    EXPECT_EQ(g->先手持駒[6], 0);
    EXPECT_EQ(g->先手持駒合計, 19);
    EXPECT_EQ(g->盤[5][5], -800);
    g->駒移動(F::後手持駒列, 8, 5, 4, F::後手歩);
    EXPECT_EQ(g->後手持駒[1], 8);
    EXPECT_EQ(g->後手持駒合計, 19);
    EXPECT_EQ(g->盤[5][4], 10);
}

TEST(MovePiece, HandCountFollowsTheSlotRowNotTheCode) {
    SetUpGame g;
    // The 歩 slot row with a 金 code: the 歩 count falls, the 金 count does not.
    g->駒移動(F::先手持駒列, 2, 1, 1, F::先手金);
    EXPECT_EQ(g->先手持駒[1], 8);
    EXPECT_EQ(g->先手持駒[5], 2);
    EXPECT_EQ(g->盤[1][1], F::先手金);
    g->駒移動(F::後手持駒列, 1, 9, 9, F::後手歩);
    EXPECT_EQ(g->後手持駒[8], 0);
    EXPECT_EQ(g->後手持駒[1], 9);
    EXPECT_EQ(g->盤[9][9], F::後手歩);
}

TEST(MovePiece, DropRedrawsTheHandBoardAndTheSquare) {
    for (int side : {F::先手, F::後手}) {
        SetUpGame g;
        g.w.logDrawing = true;
        const bool sente = side == F::先手;
        const int col = sente ? F::先手持駒列 : F::後手持駒列;
        g->駒移動(col, sente ? 2 : 8, 4, 6, sente ? F::先手歩 : F::後手歩);
        bool handRedrawn = false, piece = false, outline = false;
        for (const auto& op : g.w.ops) {
            if (op.kind == RecordingWindow::OpKind::Picture &&
                op.x1 == static_cast<float>(F::横位置(col)))
                handRedrawn = true;
            if (op.kind == RecordingWindow::OpKind::Picture &&
                op.picture == (sente ? Picture::SITA_HU : Picture::UE_HU) &&
                op.x1 == static_cast<float>(F::横位置(4)) &&
                op.y1 == static_cast<float>(F::縦位置(6)))
                piece = true;
            if (piece && op.kind == RecordingWindow::OpKind::Box &&
                op.x1 == static_cast<float>(F::横位置(4)) &&
                op.y1 == static_cast<float>(F::縦位置(6)))
                outline = op.colour == F::背景色;
        }
        EXPECT_TRUE(handRedrawn) << side;
        EXPECT_TRUE(piece) << side;
        EXPECT_TRUE(outline) << side;
        // The other side's hand board is left alone.
        for (const auto& op : g.w.ops) {
            EXPECT_FALSE(op.kind == RecordingWindow::OpKind::Picture &&
                         op.x1 ==
                             static_cast<float>(F::横位置(sente ? F::後手持駒列 : F::先手持駒列)));
        }
    }
}

TEST(MovePiece, BoardMoveEmptiesTheSource) {
    SetUpGame g;
    g->盤[5][5] = F::後手金;
    g->駒移動(5, 5, 5, 6, F::後手金);
    EXPECT_EQ(g->盤[5][5], F::空き);
    EXPECT_EQ(g->盤[5][6], F::後手金);
    EXPECT_EQ(g->先手持駒合計, 20);
    EXPECT_EQ(g->後手持駒合計, 20);
}

TEST(Hands, PieceOfEachSlotRow) {
    SetUpGame g;
    for (int y = 1; y <= 9; ++y) {
        const int senteKind = piece::kindAtRow(F::先手, y), goteKind = piece::kindAtRow(F::後手, y);
        EXPECT_EQ(g->取得_持駒(F::先手, y), senteKind >= 1 ? 先手の駒(senteKind) : 0) << y;
        EXPECT_EQ(g->取得_持駒(F::後手, y), goteKind >= 1 ? 後手の駒(goteKind) : 0) << y;
    }
    // Rows off the hand board give no code.
    for (int y : {0, 10, -5, 100, -1, 11}) {
        EXPECT_EQ(g->取得_持駒(F::先手, y), 0) << y;
        EXPECT_EQ(g->取得_持駒(F::後手, y), 0) << y;
    }
    // A side that is neither side gives no code.
    for (int side : {0, 1, -1, 9, 11, -11, 20, -20, 100}) {
        for (int y = 1; y <= 9; ++y) EXPECT_EQ(g->取得_持駒(side, y), 0) << side << " " << y;
    }
}

TEST(Hands, SideOfACode) {
    SetUpGame g;
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(g->取得_手番(先手の駒(k)), F::先手) << 駒名[k];
        EXPECT_EQ(g->取得_手番(後手の駒(k)), F::後手) << 駒名[k];
    }
    for (int v : {0, 1, -1, 5, -5, 9, -9, 11, -11, 15, 40, -40, 1000, -1000, 120, -120}) {
        EXPECT_EQ(g->取得_手番(v), 0) << v;
    }
}

TEST(Hands, CountOfEachSlotRow) {
    SetUpGame g;
    // Distinct counts per kind, so a slot that maps to the wrong kind shows.
    for (int k = 1; k <= 8; ++k) {
        g->先手持駒[k] = 10 + k;
        g->後手持駒[k] = 30 + k;
    }
    for (int y = 2; y <= 9; ++y)
        EXPECT_EQ(g->取得_持駒数(F::先手, y), 10 + piece::kindAtRow(F::先手, y)) << y;
    for (int y = 1; y <= 8; ++y)
        EXPECT_EQ(g->取得_持駒数(F::後手, y), 30 + piece::kindAtRow(F::後手, y)) << y;
    EXPECT_EQ(g->取得_持駒数(F::先手, 1), 0);
    EXPECT_EQ(g->取得_持駒数(F::後手, 9), 0);
}

TEST(Hands, CountsAtTheStart) {
    SetUpGame g;
    EXPECT_EQ(g->取得_持駒数(F::先手, 2), 9);
    EXPECT_EQ(g->取得_持駒数(F::後手, 1), 1);
    EXPECT_EQ(g->取得_持駒数(F::後手, 8), 9);
    EXPECT_EQ(g->取得_全持駒数(F::先手), 20);
    EXPECT_EQ(g->取得_全持駒数(F::後手), 20);
    g->駒移動(F::先手持駒列, 4, 5, 5, F::先手桂);
    EXPECT_EQ(g->取得_全持駒数(F::先手), 19);
    EXPECT_EQ(g->取得_全持駒数(F::後手), 20);
    g->駒移動(F::後手持駒列, 1, 5, 4, F::後手王);
    EXPECT_EQ(g->取得_全持駒数(F::後手), 19);
}

TEST(Hands, OutOfRangeRowsAndSidesGiveNothing) {
    SetUpGame g;
    // Everything around the hands holds something, so a read outside them would show.
    盤を埋める(*g, F::先手王);
    for (int x = 0; x <= 9; ++x) {
        g->盤[x][0] = F::後手王;
        g->盤[0][x] = F::後手王;
        g->先手2歩フラグ[x] = g->後手2歩フラグ[x] = 7;
    }
    g->先手持駒合計 = g->後手持駒合計 = 55;
    for (int y : {0, 10, -5, 100, -1, 11, 1000, -1000}) {
        EXPECT_EQ(g->取得_持駒数(F::先手, y), 0) << y;
        EXPECT_EQ(g->取得_持駒数(F::後手, y), 0) << y;
    }
    for (int side : {0, 1, -1, 9, 11, -11, 20, -20, 100, F::終局}) {
        for (int y : {-5, 0, 1, 2, 5, 8, 9, 10, 100}) {
            EXPECT_EQ(g->取得_持駒数(side, y), 0) << side << " " << y;
        }
        EXPECT_EQ(g->取得_全持駒数(side), 0) << side;
    }
}

TEST(Hands, TotalIsTheSumOfTheEightKinds) {
    SetUpGame g;
    const int sente[9] = {4, 0, 1, 2, 0, 2, 1, 0, 1}; // index 0 is no kind
    const int gote[9] = {6, 9, 0, 0, 1, 0, 0, 1, 0};
    std::memcpy(g->先手持駒, sente, sizeof sente);
    std::memcpy(g->後手持駒, gote, sizeof gote);
    // The kept totals are not consulted.
    g->先手持駒合計 = 99;
    g->後手持駒合計 = -3;
    EXPECT_EQ(g->取得_全持駒数(F::先手), 7);
    EXPECT_EQ(g->取得_全持駒数(F::後手), 11);
}

// ---------------------------------------------------------------------------------------
// Lines of attack

TEST(AttackLines, EmptyBoardAttacksNothing) {
    SetUpGame g;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) g->利き筋[x][y] = F::真; // left over from before
    for (int side : {F::先手, F::後手}) {
        g->調査_利き筋(side);
        EXPECT_EQ(利き(*g), Squares{}) << side;
        EXPECT_EQ(g->調査_利筋あるか(), F::偽) << side;
    }
}

TEST(AttackLines, WorkedPositions) {
    struct Piece {
        int x, y, code;
    };
    struct Case {
        const char* what;
        std::vector<Piece> pieces;
        int side;
        Squares expected;
    };
    const Case cases[] = {
        {"single 先手歩", {{5, 5, F::先手歩}}, F::先手, {{5, 4}}},
        {"先手歩 blocked by its own piece",
         {{5, 5, F::先手歩}, {5, 4, F::先手金}},
         F::先手,
         {{4, 3}, {5, 3}, {6, 3}, {4, 4}, {6, 4}}},
        {"先手歩 blocked by the other side", {{5, 5, F::先手歩}, {5, 4, F::後手金}}, F::先手, {}},
        {"後手桂 over occupied squares",
         {{5, 5, F::後手桂}, {4, 6, F::先手金}, {5, 6, F::先手王}, {6, 6, F::先手歩}},
         F::後手,
         {{4, 7}, {6, 7}}},
        {"後手 pieces do not attack for 先手",
         {{5, 5, F::先手歩}, {1, 1, F::後手飛}, {9, 9, F::後手角}, {2, 8, F::後手王}},
         F::先手,
         {{5, 4}}},
        {"先手 pieces do not attack for 後手",
         {{5, 5, F::後手歩}, {1, 1, F::先手飛}, {9, 9, F::先手角}, {2, 8, F::先手王}},
         F::後手,
         {{5, 6}}},
        {"only 後手 pieces, seen for 先手",
         {{3, 3, F::後手飛}, {7, 7, F::後手角}, {5, 5, F::後手王}},
         F::先手,
         {}},
        {"union of two pieces",
         {{1, 9, F::後手王}, {2, 7, F::後手歩}},
         F::後手,
         {{1, 8}, {2, 8}, {2, 9}}},
    };
    for (const Case& c : cases) {
        SetUpGame g;
        for (const Piece& p : c.pieces) g->盤[p.x][p.y] = p.code;
        g->調査_利き筋(c.side);
        const Squares got = 利き(*g);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << 表示(got);
        EXPECT_EQ(g->調査_利筋あるか(), c.expected.empty() ? F::偽 : F::真) << c.what;
    }
}

TEST(AttackLines, RookInEveryCornerAttacksSixteenSquares) {
    for (auto [x, y] : std::array<Square, 4>{{{1, 1}, {9, 1}, {1, 9}, {9, 9}}}) {
        for (int code : {F::先手飛, F::後手飛}) {
            SetUpGame g;
            g->盤[x][y] = code;
            g->調査_利き筋(code < 0 ? F::先手 : F::後手);
            Squares expected;
            for (int i = 1; i <= 9; ++i) {
                if (i != y) expected.insert({x, i});
                if (i != x) expected.insert({i, y});
            }
            EXPECT_EQ(expected.size(), 16u);
            EXPECT_EQ(利き(*g), expected) << 名前(code) << " (" << x << "," << y << ")";
            // The other side has nothing.
            g->調査_利き筋(code < 0 ? F::後手 : F::先手);
            EXPECT_EQ(利き(*g), Squares{});
        }
    }
}

TEST(AttackLines, FullBoardButOneSquare) {
    struct Case {
        int fill;    // code on every square but (5,5)
        int changeX; // one square set to another code (0: none)
        int changeY;
        int changeCode;
        int side;
        bool attacked;
    };
    const Case cases[] = {
        {F::先手金, 0, 0, 0, F::先手, true},
        {F::先手金, 0, 0, 0, F::後手, false},
        {F::後手金, 0, 0, 0, F::後手, true},
        {F::先手歩, 0, 0, 0, F::先手, true}, // the pawn on (5,6) steps up
        {F::後手歩, 0, 0, 0, F::後手, true}, // the pawn on (5,4) steps down
        {F::先手歩, 5, 6, F::後手歩, F::先手, false},
        {F::先手歩, 5, 6, F::後手歩, F::後手, false}, // a 後手歩 on (5,6) looks away
        {F::後手香, 0, 0, 0, F::後手, true},
        {F::後手香, 5, 4, F::先手香, F::後手, false},
        {F::先手桂, 0, 0, 0, F::先手, true}, // from (4,7) and (6,7)
    };
    for (const Case& c : cases) {
        SetUpGame g;
        盤を埋める(*g, c.fill);
        g->盤[5][5] = F::空き;
        if (c.changeX != 0) g->盤[c.changeX][c.changeY] = c.changeCode;
        g->調査_利き筋(c.side);
        EXPECT_EQ(利き(*g), (c.attacked ? Squares{{5, 5}} : Squares{}))
            << 名前(c.fill) << " side " << c.side;
        EXPECT_EQ(g->調査_利筋あるか(), c.attacked ? F::真 : F::偽);
    }
}

TEST(AttackLines, SideThatIsNeitherClearsTheMap) {
    SetUpGame g;
    g->盤[5][5] = F::先手飛;
    g->盤[3][3] = F::後手飛;
    g->調査_利き筋(F::先手);
    ASSERT_EQ(g->調査_利筋あるか(), F::真);
    for (int side : {0, F::終局, 1, 11, -20, 950}) {
        g->調査_利き筋(F::先手);
        g->調査_利き筋(side);
        EXPECT_EQ(利き(*g), Squares{}) << side;
    }
}

TEST(AttackLines, MapIsTheUnionOfEachPiecesMoves) {
    std::mt19937 rng(77);
    const std::vector<int> codes = 全駒();
    for (int round = 0; round < 40; ++round) {
        SetUpGame g;
        std::uniform_int_distribution<int> pick(0, static_cast<int>(codes.size()) * 3 - 1);
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                const int p = pick(rng);
                g->盤[x][y] = p < static_cast<int>(codes.size()) ? codes[p] : F::空き;
            }
        }
        for (int side : {F::先手, F::後手}) {
            Squares expected;
            for (int x = 1; x <= 9; ++x) {
                for (int y = 1; y <= 9; ++y) {
                    const int c = g->盤[x][y];
                    if (c == F::空き || (c < 0) != (side == F::先手)) continue;
                    const Squares s = 期待する行き先(*g, x, y, c);
                    expected.insert(s.begin(), s.end());
                }
            }
            g->調査_利き筋(side);
            EXPECT_EQ(利き(*g), expected) << "round " << round << " side " << side;
            for (auto [x, y] : 利き(*g)) EXPECT_EQ(g->盤[x][y], F::空き);
        }
    }
}

TEST(AttackLines, AnyLineAtAllLooksAtTheBoardCellsOnly) {
    SetUpGame g;
    EXPECT_EQ(g->調査_利筋あるか(), F::偽);
    // Row 0 and column 0 of the stored map are not board squares.
    for (int i = 0; i <= 9; ++i) g->利き筋[i][0] = g->利き筋[0][i] = F::真;
    EXPECT_EQ(g->調査_利筋あるか(), F::偽);
    for (auto [x, y] : 全桝()) {
        g->利き筋[x][y] = F::真;
        EXPECT_EQ(g->調査_利筋あるか(), F::真) << x << "," << y;
        g->利き筋[x][y] = F::偽;
    }
}

TEST(AttackLines, PushAndPopKeepOneCopy) {
    SetUpGame g;
    g->盤[5][5] = F::先手金;
    g->盤[2][2] = F::後手角;
    g->調査_利き筋(F::先手);
    const Squares first = 利き(*g);
    g->利き筋_PUSH();

    g->調査_利き筋(F::後手);
    const Squares second = 利き(*g);
    ASSERT_NE(first, second);
    g->利き筋_POP();
    EXPECT_EQ(利き(*g), first);
    // A POP may be repeated and gives the same copy again.
    g->調査_利き筋(F::後手);
    g->利き筋_POP();
    EXPECT_EQ(利き(*g), first);

    // A second PUSH overwrites the first: there is one saved copy, not a stack.
    g->調査_利き筋(F::後手);
    g->利き筋_PUSH();
    g->調査_利き筋(F::先手);
    g->利き筋_POP();
    EXPECT_EQ(利き(*g), second);
    g->利き筋_POP();
    EXPECT_EQ(利き(*g), second);

    // The saved copy holds every cell, not only the 真 ones.
    for (auto [x, y] : 全桝()) g->利き筋[x][y] = (x + y) % 2 ? F::真 : F::偽;
    g->利き筋_PUSH();
    for (auto [x, y] : 全桝()) g->利き筋[x][y] = (x + y) % 2 ? F::偽 : F::真;
    g->利き筋_POP();
    for (auto [x, y] : 全桝()) EXPECT_EQ(g->利き筋[x][y], (x + y) % 2 ? F::真 : F::偽);
}
