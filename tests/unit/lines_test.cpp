// Line scans, exactly three in a row, the end of a game and the blink of the winning row.
#include "game/Form1.h"
#include "Game.h"
#include "Recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace tarvenko;
using F = Form1;
using Op = RecordingWindow::OpKind;

namespace {

using Scan = int (Form1::*)(int, int, int) const;
struct Direction {
    const char* name;
    Scan scan;
    int dx, dy;
};
const Direction 方向[8] = {
    {"右", &Form1::調査_右, 1, 0},      {"左", &Form1::調査_左, -1, 0},
    {"下", &Form1::調査_下, 0, 1},      {"上", &Form1::調査_上, 0, -1},
    {"右下", &Form1::調査_右下, 1, 1},  {"右上", &Form1::調査_右上, 1, -1},
    {"左下", &Form1::調査_左下, -1, 1}, {"左上", &Form1::調査_左上, -1, -1},
};

bool 盤上(int x, int y) {
    return x >= 1 && x <= 9 && y >= 1 && y <= 9;
}

// Squares from (x, y) to the edge in direction (dx, dy), the start not counted.
int 端まで(int x, int y, int dx, int dy) {
    int n = 0;
    while (盤上(x + (n + 1) * dx, y + (n + 1) * dy)) ++n;
    return n;
}

// A piece of the side; the kind changes with the square so that kinds are mixed.
int 駒(int side, int i) {
    return piece::codeOf(side, 1 + i % piece::種類数);
}

void 盤を埋める(Form1& f, int side) {
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) f.盤[x][y] = 駒(side, x * 9 + y);
}

struct Piece {
    int x, y, code;
};

// A copy of everything the blink and the judgement must leave alone.
struct State {
    int 盤[10][10];
    int 先手持駒[9], 後手持駒[9];
    int 手番, 対局中, 手数;
    explicit State(const Form1& f) : 手番(f.手番), 対局中(f.対局中), 手数(f.手数) {
        std::copy(&f.盤[0][0], &f.盤[0][0] + 100, &盤[0][0]);
        std::copy(f.先手持駒, f.先手持駒 + 9, 先手持駒);
        std::copy(f.後手持駒, f.後手持駒 + 9, 後手持駒);
    }
    bool operator==(const State& o) const {
        return std::equal(&盤[0][0], &盤[0][0] + 100, &o.盤[0][0]) &&
               std::equal(先手持駒, 先手持駒 + 9, o.先手持駒) &&
               std::equal(後手持駒, 後手持駒 + 9, o.後手持駒) && 手番 == o.手番 &&
               対局中 == o.対局中 && 手数 == o.手数;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------
// The eight scans

TEST(LineScan, OwnPiecesEverywhereCountToTheEdge) {
    // Every start square in every direction, for both sides, whatever the start holds:
    // the run reaches the nearer of the two edges it is heading for.
    for (int side : {F::先手, F::後手}) {
        SetUpGame g;
        盤を埋める(*g.f, side);
        for (const Direction& d : 方向) {
            for (int x = 1; x <= 9; ++x) {
                for (int y = 1; y <= 9; ++y) {
                    const int own = g->盤[x][y];
                    for (int start : {own, -own, static_cast<int>(F::空き)}) {
                        g->盤[x][y] = start;
                        EXPECT_EQ((*g.f.*d.scan)(side, x, y), 端まで(x, y, d.dx, d.dy))
                            << d.name << " side " << side << " from (" << x << "," << y
                            << ") holding " << start;
                    }
                    g->盤[x][y] = own;
                }
            }
        }
    }
}

TEST(LineScan, OtherSideNeverCounts) {
    for (int side : {F::先手, F::後手}) {
        SetUpGame g;
        盤を埋める(*g.f, -side);
        for (const Direction& d : 方向) {
            for (int x = 1; x <= 9; ++x) {
                for (int y = 1; y <= 9; ++y) {
                    EXPECT_EQ((*g.f.*d.scan)(side, x, y), 0) << d.name << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(LineScan, WorkedRuns) {
    struct Case {
        const char* what;
        std::vector<Piece> pieces;
        int side;
        int dir; // index into 方向
        int x, y;
        int expected;
    };
    const std::vector<Piece> row5 = {{1, 5, -10},  {2, 5, -20},  {3, 5, -30},
                                     {4, 5, -100}, {5, 5, -110}, {6, 5, -800},
                                     {7, 5, -900}, {8, 5, -950}, {9, 5, -10}};
    const Case cases[] = {
        {"full row from the left edge", row5, F::先手, 0, 1, 5, 8},
        {"full row leftwards from the middle", row5, F::先手, 1, 5, 5, 4},
        {"full row, other side", row5, F::後手, 0, 1, 5, 0},
        {"gap ends the run", {{2, 5, -10}, {3, 5, -10}, {5, 5, -10}}, F::先手, 0, 1, 5, 2},
        {"opponent ends the run",
         {{2, 5, -10}, {3, 5, -10}, {4, 5, 10}, {5, 5, -10}},
         F::先手,
         0,
         1,
         5,
         2},
        {"opponent next to the start", {{6, 5, 950}, {7, 5, -10}}, F::先手, 0, 5, 5, 0},
        {"kings count like pawns", {{5, 4, 950}, {5, 3, 10}, {5, 2, 950}}, F::後手, 3, 5, 5, 3},
        {"down to the edge", {{4, 7, 20}, {4, 8, 110}, {4, 9, 800}}, F::後手, 2, 4, 6, 3},
        {"up-right stops at both edges at once", {{8, 2, 10}, {9, 1, 10}}, F::後手, 5, 7, 3, 2},
        {"down-right gap", {{6, 6, -10}, {7, 7, -10}, {9, 9, -10}}, F::先手, 4, 5, 5, 2},
        {"down-left from the left edge", {{1, 5, -10}}, F::先手, 6, 1, 4, 0},
        {"up-left broken by the opponent",
         {{4, 4, -900}, {3, 3, 900}, {2, 2, -900}},
         F::先手,
         7,
         5,
         5,
         1},
    };
    for (const Case& c : cases) {
        SetUpGame g;
        for (const Piece& p : c.pieces) g->盤[p.x][p.y] = p.code;
        const Direction& d = 方向[c.dir];
        EXPECT_EQ((*g.f.*d.scan)(c.side, c.x, c.y), c.expected) << c.what << " (" << d.name << ")";
    }
}

TEST(LineScan, EdgeStartsInTheirOwnDirectionGiveZero) {
    SetUpGame g;
    盤を埋める(*g.f, F::先手);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(g->調査_右(F::先手, 9, i), 0);
        EXPECT_EQ(g->調査_左(F::先手, 1, i), 0);
        EXPECT_EQ(g->調査_下(F::先手, i, 9), 0);
        EXPECT_EQ(g->調査_上(F::先手, i, 1), 0);
        EXPECT_EQ(g->調査_右下(F::先手, 9, i), 0);
        EXPECT_EQ(g->調査_右下(F::先手, i, 9), 0);
        EXPECT_EQ(g->調査_右上(F::先手, 9, i), 0);
        EXPECT_EQ(g->調査_右上(F::先手, i, 1), 0);
        EXPECT_EQ(g->調査_左下(F::先手, 1, i), 0);
        EXPECT_EQ(g->調査_左下(F::先手, i, 9), 0);
        EXPECT_EQ(g->調査_左上(F::先手, 1, i), 0);
        EXPECT_EQ(g->調査_左上(F::先手, i, 1), 0);
    }
}

TEST(LineScan, StartsOffTheBoardReadNothingOutside) {
    // Own pieces on every square and in row 0 and column 0 of the stored board, which are
    // not squares: a scan whose path never enters the board must count nothing.
    for (int side : {F::先手, F::後手}) {
        SetUpGame g;
        盤を埋める(*g.f, side);
        for (int i = 0; i <= 9; ++i) g->盤[i][0] = g->盤[0][i] = 駒(side, i);
        const int coords[] = {-100, -5, -1, 0, 1, 5, 9, 10, 11, 100};
        for (const Direction& d : 方向) {
            for (int x : coords) {
                for (int y : coords) {
                    if (盤上(x, y)) continue;
                    bool enters = false;
                    for (int k = 1; k <= 200; ++k) enters |= 盤上(x + k * d.dx, y + k * d.dy);
                    if (enters) continue;
                    EXPECT_EQ((*g.f.*d.scan)(side, x, y), 0)
                        << d.name << " side " << side << " from (" << x << "," << y << ")";
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// 調査_3並び

TEST(ThreeInRow, EmptySquareIsNever) {
    SetUpGame g;
    // (4,5) empty between own pieces that would make three with it.
    g->盤[3][5] = F::先手歩;
    g->盤[5][5] = F::先手歩;
    g->盤[4][4] = F::先手金;
    g->盤[4][6] = F::先手金;
    EXPECT_EQ(g->調査_3並び(F::先手, 4, 5), F::偽);
    EXPECT_EQ(g->調査_3並び(F::後手, 4, 5), F::偽);
}

TEST(ThreeInRow, RunsOfEveryLengthOnEveryAxis) {
    // Only a run of exactly three is a row, wherever it lies on the board and whichever of
    // its squares is asked about.
    const std::pair<int, int> axes[4] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
    for (int side : {F::先手, F::後手}) {
        for (auto [dx, dy] : axes) {
            for (int len = 1; len <= 6; ++len) {
                for (int x0 = 1; x0 <= 9; ++x0) {
                    for (int y0 = 1; y0 <= 9; ++y0) {
                        const int x1 = x0 + (len - 1) * dx, y1 = y0 + (len - 1) * dy;
                        if (!盤上(x1, y1)) continue;
                        SetUpGame g;
                        for (int i = 0; i < len; ++i) {
                            g->盤[x0 + i * dx][y0 + i * dy] = 駒(side, x0 + y0 + i);
                        }
                        for (int i = 0; i < len; ++i) {
                            const int x = x0 + i * dx, y = y0 + i * dy;
                            EXPECT_EQ(g->調査_3並び(side, x, y), len == 3 ? F::真 : F::偽)
                                << "side " << side << " axis (" << dx << "," << dy << ") length "
                                << len << " from (" << x0 << "," << y0 << ") at (" << x << "," << y
                                << ")";
                            // The other side has no row there.
                            EXPECT_EQ(g->調査_3並び(-side, x, y), F::偽);
                        }
                    }
                }
            }
        }
    }
}

TEST(ThreeInRow, WorkedPositions) {
    struct Case {
        const char* what;
        std::vector<Piece> pieces;
        int side, x, y, expected;
    };
    const std::vector<Piece> three = {{3, 5, -10}, {4, 5, -100}, {5, 5, -950}};
    std::vector<Piece> four = three;
    four.push_back({6, 5, -20});
    std::vector<Piece> fourAndColumn = four;
    fourAndColumn.push_back({4, 4, -30});
    fourAndColumn.push_back({4, 6, -30});
    const Case cases[] = {
        {"three, left end", three, F::先手, 3, 5, F::真},
        {"three, middle", three, F::先手, 4, 5, F::真},
        {"three, right end", three, F::先手, 5, 5, F::真},
        {"four, each", four, F::先手, 3, 5, F::偽},
        {"four, each", four, F::先手, 4, 5, F::偽},
        {"four, each", four, F::先手, 5, 5, F::偽},
        {"four, each", four, F::先手, 6, 5, F::偽},
        {"four, but a column of three through (4,5)", fourAndColumn, F::先手, 4, 5, F::真},
        {"four, no other axis at (5,5)", fourAndColumn, F::先手, 5, 5, F::偽},
        {"column of three beside the four", fourAndColumn, F::先手, 4, 4, F::真},
        {"owner of the square is not compared",
         {{3, 5, -10}, {4, 5, 10}, {5, 5, -10}},
         F::先手,
         4,
         5,
         F::真},
        {"owner of the square, other side",
         {{3, 5, -10}, {4, 5, 10}, {5, 5, -10}},
         F::後手,
         4,
         5,
         F::偽},
        {"three between opponent pieces",
         {{2, 5, 10}, {3, 5, -10}, {4, 5, -10}, {5, 5, -10}, {6, 5, 10}},
         F::先手,
         4,
         5,
         F::真},
        {"gap, then more own pieces",
         {{1, 5, -10}, {2, 5, -10}, {3, 5, -10}, {5, 5, -10}},
         F::先手,
         3,
         5,
         F::真},
        {"diagonal down-right, 後手", {{1, 1, 10}, {2, 2, 20}, {3, 3, 950}}, F::後手, 1, 1, F::真},
        {"diagonal down-right, 後手", {{1, 1, 10}, {2, 2, 20}, {3, 3, 950}}, F::後手, 3, 3, F::真},
        {"diagonal up-right, 後手", {{7, 3, 10}, {8, 2, 20}, {9, 1, 30}}, F::後手, 7, 3, F::真},
        {"diagonal up-right, 後手", {{7, 3, 10}, {8, 2, 20}, {9, 1, 30}}, F::後手, 8, 2, F::真},
        {"diagonal up-right, 後手", {{7, 3, 10}, {8, 2, 20}, {9, 1, 30}}, F::後手, 9, 1, F::真},
        {"along the top edge", {{1, 1, -110}, {2, 1, -110}, {3, 1, -110}}, F::先手, 2, 1, F::真},
        {"along the right edge", {{9, 7, 110}, {9, 8, 110}, {9, 9, 110}}, F::後手, 9, 9, F::真},
        {"two axes at once",
         {{4, 5, -10}, {5, 5, -10}, {6, 5, -10}, {5, 4, -10}, {5, 6, -10}},
         F::先手,
         5,
         5,
         F::真},
        {"column of three where both diagonals are runs of four",
         {{5, 5, 10},
          {5, 4, 10},
          {5, 6, 10},
          {4, 4, 10},
          {3, 3, 10},
          {6, 6, 10},
          {6, 4, 10},
          {7, 3, 10},
          {4, 6, 10}},
         F::後手,
         5,
         5,
         F::真},
        {"five in a row, centre",
         {{3, 7, 30}, {4, 7, 30}, {5, 7, 30}, {6, 7, 30}, {7, 7, 30}},
         F::後手,
         5,
         7,
         F::偽},
    };
    for (const Case& c : cases) {
        SetUpGame g;
        for (const Piece& p : c.pieces) g->盤[p.x][p.y] = p.code;
        const State before(*g.f);
        EXPECT_EQ(g->調査_3並び(c.side, c.x, c.y), c.expected)
            << c.what << " at (" << c.x << "," << c.y << ")";
        EXPECT_TRUE(State(*g.f) == before) << c.what;
    }
}

TEST(ThreeInRow, AgreesWithRunLengthsOnRandomBoards) {
    // The row test against the definition: some axis through the square, taking the
    // square as the side's own, holds a maximal run of exactly three of the side's pieces.
    std::mt19937 rng(31337);
    std::uniform_int_distribution<int> cell(0, 5);
    const std::pair<int, int> axes[4] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
    for (int round = 0; round < 300; ++round) {
        SetUpGame g;
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                const int c = cell(rng);
                g->盤[x][y] = c < 2 ? F::空き : 駒(c < 4 ? F::先手 : F::後手, x + y * 3);
            }
        }
        for (int side : {F::先手, F::後手}) {
            auto own = [&](int x, int y) {
                return 盤上(x, y) && (side == F::先手 ? g->盤[x][y] < 0 : g->盤[x][y] > 0);
            };
            for (int x = 1; x <= 9; ++x) {
                for (int y = 1; y <= 9; ++y) {
                    bool row = false;
                    if (g->盤[x][y] != F::空き) {
                        for (auto [dx, dy] : axes) {
                            int len = 1;
                            for (int k = 1; own(x + k * dx, y + k * dy); ++k) ++len;
                            for (int k = 1; own(x - k * dx, y - k * dy); ++k) ++len;
                            row |= len == 3;
                        }
                    }
                    EXPECT_EQ(g->調査_3並び(side, x, y), row ? F::真 : F::偽)
                        << "round " << round << " side " << side << " (" << x << "," << y << ")";
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// End of game

TEST(EndJudgement, WinsExactlyWhenTheDropMakesThree) {
    struct Case {
        std::vector<Piece> pieces;
        int side, x, y, expected;
    };
    const Case cases[] = {
        {{{4, 4, -10}, {5, 5, -10}, {6, 6, -10}}, F::先手, 6, 6, F::真},
        {{{4, 4, -10}, {5, 5, -10}, {6, 6, -10}}, F::先手, 5, 5, F::真},
        // Four after a drop between (2,5),(3,5) and (5,5).
        {{{2, 5, -10}, {3, 5, -10}, {4, 5, -10}, {5, 5, -10}}, F::先手, 4, 5, F::偽},
        // The drop lands beside the opponent's row of three: no win for the mover.
        {{{1, 2, 10}, {2, 2, 10}, {3, 2, 10}, {4, 2, -10}}, F::先手, 4, 2, F::偽},
        {{{1, 2, 10}, {2, 2, 10}, {3, 2, 10}}, F::後手, 3, 2, F::真},
        {{{7, 7, 950}, {8, 8, 950}}, F::後手, 8, 8, F::偽},
    };
    for (const Case& c : cases) {
        SetUpGame g;
        for (const Piece& p : c.pieces) g->盤[p.x][p.y] = p.code;
        EXPECT_EQ(g->終了_判定(c.side, c.x, c.y), c.expected) << c.x << "," << c.y;
    }
}

TEST(EndProcess, NamesTheWinnerAndStopsTheGame) {
    struct Case {
        int mode, human, code;
        const char* message; // nullptr: no message
    };
    const Case cases[] = {
        {F::モード_人間, F::先手, F::先手歩, "先手の勝ちです"},
        {F::モード_人間, F::先手, F::先手王, "先手の勝ちです"},
        {F::モード_人間, F::後手, F::後手桂, "後手の勝ちです"},
        {F::モード_人間, F::先手, F::後手飛, "後手の勝ちです"},
        {F::モード_COM, F::先手, F::後手歩, "ＣＯＭの勝ちです"},
        {F::モード_COM, F::先手, F::先手角, "あなたの勝ちです"},
        {F::モード_COM, F::後手, F::先手金, "ＣＯＭの勝ちです"},
        {F::モード_COM, F::後手, F::後手王, "あなたの勝ちです"},
        {F::モード_人間, F::先手, F::空き, nullptr},
        {F::モード_COM, F::後手, 5, nullptr},
        {F::モード_COM, F::後手, -15, nullptr},
    };
    for (const Case& c : cases) {
        SetUpGame g;
        g->対局モード = c.mode;
        g->人間側 = c.human;
        g->COM側 = -c.human;
        g->対局中 = F::真;
        g->手番 = c.code < 0 ? F::先手 : F::後手;
        const int turn = g->手番;
        int turnWhileShown = 0;
        g.w.onMessage = [&](const RecordingWindow::Message&) { turnWhileShown = g->手番; };
        g->終了_処理(c.code);
        if (c.message != nullptr) {
            ASSERT_EQ(g.w.messages.size(), 1u) << c.message;
            EXPECT_EQ(g.w.messages[0].text, c.message);
            EXPECT_EQ(g.w.messages[0].title, "終了");
            EXPECT_EQ(g.w.messages[0].icon, MessageIcon::None);
            // The turn ends once the box is closed.
            EXPECT_EQ(turnWhileShown, turn);
            EXPECT_EQ(g->手番, F::終局);
        } else {
            EXPECT_TRUE(g.w.messages.empty()) << c.code;
            EXPECT_EQ(g->手番, turn) << c.code;
        }
        EXPECT_EQ(g->対局中, F::偽) << c.code;
    }
}

TEST(EndProcess, EndShowsAnyWinnersName) {
    SetUpGame g;
    g->手番 = F::後手;
    g->終了("だれか");
    ASSERT_EQ(g.w.messages.size(), 1u);
    EXPECT_EQ(g.w.messages[0].text, "だれかの勝ちです");
    EXPECT_EQ(g.w.messages[0].title, "終了");
    EXPECT_EQ(g->手番, F::終局);
}

// ---------------------------------------------------------------------------------------
// The wait

TEST(Wait, AdvancesTheClockByTheTimeAsked) {
    SetUpGame g;
    for (double start : {0.0, 0.25, 7.5, 86399.9}) {
        for (double secs : {0.3, 0.01, 1.0}) {
            g.w.clock = start;
            g->待ち時間(secs);
            EXPECT_GE(g.w.clock - start, secs - 1e-9) << start << " + " << secs;
            EXPECT_LT(g.w.clock - start, secs + 1e-6) << start << " + " << secs;
        }
    }
    // Nothing to wait for.
    g.w.clock = 3;
    g->待ち時間(0);
    g->待ち時間(-1);
    EXPECT_EQ(g.w.clock, 3);
    EXPECT_TRUE(g.w.messages.empty());
}

TEST(Wait, EndsOnAClockThatMovesExactlyAsAsked) {
    // A clock that moves by exactly each sleep, rounded: once the time left is below its
    // resolution a sleep no longer moves it. A wait must end all the same; should it keep
    // sleeping, this window gives up after a thousand still sleeps and jumps far ahead.
    struct ExactClockWindow : RecordingWindow {
        long still = 0;
        void sleep(double s) override {
            const double before = clock;
            if (s > 0) clock += s;
            if (clock == before && ++still > 1000) clock += 1000;
        }
    };
    for (double start : {0.0, 0.1, 0.6, 1e5}) {
        ExactClockWindow w;
        RecordingSound s;
        auto f = std::make_unique<Form1>(w, s);
        w.clock = start;
        // The four waits of a blink.
        for (int i = 0; i < 4; ++i) f->待ち時間(0.3);
        EXPECT_LE(w.still, 1000) << "from " << start;
        EXPECT_NEAR(w.clock - start, 1.2, 1e-6) << "from " << start;
    }
}

// ---------------------------------------------------------------------------------------
// The blink of the winning row

namespace {

Picture 絵(int code) {
    switch (code) {
    case F::先手歩:
        return Picture::SITA_HU;
    case F::先手香:
        return Picture::SITA_KYOU;
    case F::先手桂:
        return Picture::SITA_KEI;
    case F::先手銀:
        return Picture::SITA_GIN;
    case F::先手金:
        return Picture::SITA_KIN;
    case F::先手角:
        return Picture::SITA_KAKU;
    case F::先手飛:
        return Picture::SITA_SYA;
    case F::先手王:
        return Picture::SITA_OU;
    case F::後手歩:
        return Picture::UE_HU;
    case F::後手香:
        return Picture::UE_KYOU;
    case F::後手桂:
        return Picture::UE_KEI;
    case F::後手銀:
        return Picture::UE_GIN;
    case F::後手金:
        return Picture::UE_KIN;
    case F::後手角:
        return Picture::UE_KAKU;
    case F::後手飛:
        return Picture::UE_SYA;
    case F::後手王:
        return Picture::UE_OU;
    default:
        ADD_FAILURE() << "no picture for " << code;
        return Picture::PG_NA;
    }
}

bool 桝の位置(const RecordingWindow::Op& op, int x, int y) {
    return std::abs(op.x1 - F::横位置(x)) < 0.01 && std::abs(op.y1 - F::縦位置(y)) < 0.01;
}

// Runs the blink on the position and checks everything it draws: four phases, each
// ending in a refresh and 0.3 seconds, off/on/off/on over the given squares in order.
void 点滅を確かめる(const char* position, int side, int x, int y,
                    const std::vector<std::pair<int, int>>& row) {
    SetUpGame g;
    局面を置く(*g, position);
    g->音_終局 = 55;
    g.w.logDrawing = true;
    std::size_t opsAtSound = 99;
    double clockAtSound = -1;
    g.s.onCall = [&](const RecordingSound::Call&) {
        opsAtSound = g.w.ops.size();
        clockAtSound = g.w.clock;
    };
    const State before(*g.f);
    SCOPED_TRACE("given (" + std::to_string(x) + "," + std::to_string(y) + ")");

    g->描画_点滅3並び(side, x, y, 2);

    // The end sound first, once, before anything is drawn or waited for.
    ASSERT_EQ(g.s.calls.size(), 1u);
    EXPECT_STREQ(g.s.calls[0].op, "play");
    EXPECT_EQ(g.s.calls[0].handle, 55);
    EXPECT_EQ(opsAtSound, 0u);
    EXPECT_EQ(clockAtSound, 0.0);

    // Split the drawing at the refreshes.
    std::vector<std::vector<RecordingWindow::Op>> phases(1);
    std::vector<double> refreshAt;
    for (const auto& op : g.w.ops) {
        if (op.kind == Op::Refresh) {
            refreshAt.push_back(op.at);
            phases.emplace_back();
        } else {
            phases.back().push_back(op);
        }
    }
    ASSERT_EQ(refreshAt.size(), 4u);
    EXPECT_TRUE(phases.back().empty()) << "drawing after the last refresh";
    for (int p = 0; p < 4; ++p) {
        EXPECT_NEAR(refreshAt[p], 0.3 * p, 1e-6) << "phase " << p;
        const bool on = p % 2 == 1;
        const auto& ops = phases[p];
        ASSERT_EQ(ops.size(), 2 * row.size()) << "phase " << p;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const auto [rx, ry] = row[i];
            const auto& pic = ops[2 * i];
            const auto& box = ops[2 * i + 1];
            EXPECT_EQ(pic.kind, Op::Picture) << "phase " << p << " entry " << i;
            EXPECT_TRUE(桝の位置(pic, rx, ry))
                << "phase " << p << " entry " << i << " expected (" << rx << "," << ry
                << ") got twips (" << pic.x1 << "," << pic.y1 << ")";
            EXPECT_EQ(pic.picture, on ? 絵(g->盤[rx][ry]) : Picture::KARA_MASU)
                << "phase " << p << " entry " << i;
            EXPECT_EQ(box.kind, Op::Box) << "phase " << p << " entry " << i;
            EXPECT_TRUE(桝の位置(box, rx, ry)) << "phase " << p << " entry " << i;
            EXPECT_NEAR(box.x2 - box.x1, F::桝幅, 0.01);
            EXPECT_NEAR(box.y2 - box.y1, F::桝高, 0.01);
            EXPECT_EQ(box.colour, F::背景色) << "phase " << p << " entry " << i;
        }
    }
    EXPECT_NEAR(g.w.clock, 1.2, 1e-6);
    EXPECT_TRUE(g.w.messages.empty());
    EXPECT_TRUE(State(*g.f) == before);
}

} // namespace

TEST(Blink, VerticalRowWhicheverSquareIsGiven) {
    for (int y : {3, 4, 5})
        点滅を確かめる("9/3p5/3P5/3K5/3B5/3g5/9/9/9", F::先手, 4, y, {{4, 3}, {4, 4}, {4, 5}});
}

TEST(Blink, HorizontalRowAtTheEdge) {
    for (int x : {7, 8, 9})
        点滅を確かめる("9/9/9/9/9/9/9/9/6sgr", F::後手, x, 9, {{7, 9}, {8, 9}, {9, 9}});
}

TEST(Blink, CrossingOfRowAndColumnBlinksTheRow) {
    const char* position = "9/9/9/4s4/3pln3/4g4/9/9/9";
    // Row detection finds the column first, and hands it back.
    SetUpGame g;
    局面を置く(*g, position);
    ASSERT_EQ(g->調査_3並び(F::後手, 5, 5), F::真);
    F::並び 列{};
    ASSERT_EQ(g->調査_3並び(F::後手, 5, 5, 列), F::真);
    EXPECT_EQ((std::array{列.X[0], 列.Y[0], 列.X[1], 列.Y[1], 列.X[2], 列.Y[2]}),
              (std::array{5, 4, 5, 5, 5, 6}));
    点滅を確かめる(position, F::後手, 5, 5, {{4, 5}, {5, 5}, {6, 5}});
}

TEST(Blink, DiagonalsFillFromTheLeft) {
    for (auto [x, y] : {std::pair{7, 3}, std::pair{8, 2}, std::pair{9, 1}}) {
        点滅を確かめる("8K/7G1/6P2/9/9/9/9/9/9", F::先手, x, y, {{7, 3}, {8, 2}, {9, 1}});
    }
    for (auto [x, y] : {std::pair{2, 6}, std::pair{3, 7}, std::pair{4, 8}}) {
        点滅を確かめる("9/9/9/9/9/1b7/2r6/3k5/9", F::後手, x, y, {{2, 6}, {3, 7}, {4, 8}});
    }
}

TEST(Blink, RowOfFourIsNotTheOneShown) {
    // A row of four through the square and a diagonal of three: the diagonal blinks.
    点滅を確かめる("9/9/1G7/2G6/1PPPP4/9/9/9/9", F::先手, 4, 5, {{2, 3}, {3, 4}, {4, 5}});
}

TEST(Blink, LastQualifyingAxisWins) {
    // Column, row and both diagonals all of exactly three through (5,5): the rising
    // diagonal, last in the order, is the one shown.
    点滅を確かめる("9/9/9/3SPR3/3GKG3/3BPS3/9/9/9", F::先手, 5, 5, {{4, 6}, {5, 5}, {6, 4}});
}
