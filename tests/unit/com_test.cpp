// The computer player: the score of one candidate drop and the whole computer turn, on
// positions built through the hands so that every piece on the board has left a hand.
#include "analysis/WinningLine.h"
#include "engine/ExactValues.h"
#include "engine/OpeningTable.h"
#include "game/Form1.h"
#include "AllocationCounter.h"
#include "texts/Texts.h"
#include "Position.h"
#include "Game.h"
#include "Recording.h"
#include "ReferenceAnalysis.h"
#include "ReferenceCom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <thread>
#include <vector>

using namespace tarvenko;
using F = Form1;
using Op = RecordingWindow::OpKind;

namespace {

using piece::kindOf;

// The hand slot row of a code's kind.
int 持駒の段(int code) {
    return piece::handRow(piece::sideOf(code), kindOf(code));
}
int 持駒の列(int code) {
    return code < 0 ? F::先手持駒列 : F::後手持駒列;
}

// A game against the computer, the computer to move.
struct ComGame : SetUpGame {
    explicit ComGame(int com) {
        f->対局モード = F::モード_COM;
        f->COM側 = com;
        f->人間側 = -com;
        f->対局中 = F::真;
        f->手番 = com;
        f->音_駒打 = 66;
        f->音_終局 = 55;
    }
    // A piece that left its side's hand earlier in the game.
    void 置く(int x, int y, int code) {
        const int k = kindOf(code);
        ASSERT_NE(k, 0) << code;
        ASSERT_EQ(f->盤[x][y], F::空き) << x << "," << y;
        (code < 0 ? f->先手持駒 : f->後手持駒)[k] -= 1;
        (code < 0 ? f->先手持駒合計 : f->後手持駒合計) -= 1;
        ASSERT_GE((code < 0 ? f->先手持駒 : f->後手持駒)[k], 0) << code;
        f->盤[x][y] = code;
        f->手数 += 1;
    }

    // The human's drop, carried out the way the board input does it.
    void 人間が打つ(int x, int y, int code) {
        const int col = 持駒の列(code), row = 持駒の段(code);
        f->記録して打つ(col, row, x, y, code);
        f->手番 = f->COM側;
    }
};

struct Drop {
    int sx, sy, x, y, code;
    bool operator==(const Drop& o) const {
        return std::tie(sx, sy, x, y, code) == std::tie(o.sx, o.sy, o.x, o.y, o.code);
    }
    bool operator<(const Drop& o) const {
        return std::tie(sx, sy, x, y, code) < std::tie(o.sx, o.sy, o.x, o.y, o.code);
    }
};

std::ostream& operator<<(std::ostream& os, const Drop& d) {
    return os << "(" << d.sx << "," << d.sy << ")→(" << d.x << "," << d.y << ") " << d.code;
}

// The last recorded move.
Drop 最後の手(const Form1& f) {
    const int n = f.手順数;
    return {f.手順_移動元X[n], f.手順_移動元Y[n], f.手順_移動先X[n], f.手順_移動先Y[n],
            f.手順_移動元駒[n]};
}

// Checks that the computer played exactly the drop d from the position before.
void 指した手を確かめる(Form1& f, const 局面& before, const Drop& d) {
    EXPECT_EQ(f.手数, before.手数 + 1);
    ASSERT_EQ(f.手順数, before.手順数 + 1);
    EXPECT_EQ(f.手順最大, f.手順数);
    EXPECT_EQ(最後の手(f), d);
    EXPECT_EQ(f.手順_移動先駒[f.手順数], d.code);
    EXPECT_EQ(f.手順_取駒[f.手順数], F::空き);
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            const int expected = (x == d.x && y == d.y) ? d.code : before.盤[x][y];
            EXPECT_EQ(f.盤[x][y], expected) << "(" << x << "," << y << ")";
        }
    }
    const int k = kindOf(d.code);
    const int* hand = d.code < 0 ? f.先手持駒 : f.後手持駒;
    const int* handBefore = d.code < 0 ? before.先手持駒 : before.後手持駒;
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(hand[i], handBefore[i] - (i == k)) << "kind " << i;
    EXPECT_EQ(d.code < 0 ? f.先手持駒合計 : f.後手持駒合計,
              (d.code < 0 ? before.先手持駒合計 : before.後手持駒合計) - 1);
    EXPECT_EQ(d.code < 0 ? f.後手持駒合計 : f.先手持駒合計,
              d.code < 0 ? before.後手持駒合計 : before.先手持駒合計);
}

int 音の回数(const RecordingSound& s, const char* op, std::int32_t handle) {
    int n = 0;
    for (const auto& c : s.calls) n += std::string(c.op) == op && c.handle == handle;
    return n;
}

bool 近い(float a, double b) {
    return std::abs(a - b) < 0.01;
}

// Every drop the side may make now under the placement rule and the drop rules, in the
// order hand slot row, column, row.
std::vector<Drop> 打てる手(Form1& f, int side) {
    std::vector<Drop> out;
    打てる手を調べる(f, side, [&](int col, int row, int x, int y, int code) {
        out.push_back({col, row, x, y, code});
    });
    return out;
}

// Plays a random drop for the human the way the board input would accept it. Returns
// false when the game is over: a row of three, or no drop at all.
bool 人間のでたらめな手(ComGame& g, std::mt19937& rng) {
    const std::vector<Drop> drops = 打てる手(*g, g->人間側);
    if (drops.empty()) return false;
    const Drop d = drops[std::uniform_int_distribution<std::size_t>(0, drops.size() - 1)(rng)];
    g->記録して打つ(d.sx, d.sy, d.x, d.y, d.code);
    if (g->終了_判定(g->人間側, d.x, d.y) == F::真) return false;
    g->手番 = g->COM側;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------
// 調査_得点

TEST(Score, WinComesFirstEvenWhenTheHumanCouldWinToo) {
    ComGame g(F::先手);
    g.置く(3, 5, F::先手金);
    g.置く(4, 5, F::先手銀);
    g.置く(1, 1, F::後手歩);
    g.置く(2, 1, F::後手歩);
    g.置く(5, 5, F::先手王); // the candidate
    const 局面 before(*g);
    EXPECT_EQ(g->調査_得点(F::先手持駒列, 8, 5, 5), 10000);
    EXPECT_TRUE(局面(*g) == before);
}

TEST(Score, ReplyThatWinsForTheHumanLoses) {
    struct Case {
        const char* what;
        int candidateX, candidateY, candidate;
        int expected;
        std::set<std::pair<int, int>> computerLines;
    };
    // The human (後手) has (1,1) and (2,1); a 後手 piece on (3,1) would make three.
    const Case cases[] = {
        // The candidate attacks nothing and neither does the rest: every square is open.
        {"no lines", 5, 5, F::先手歩, -901, {}},
        // The candidate attacks (3,1) itself.
        {"attacks the winning square", 3, 2, F::先手歩, -901, {{3, 1}}},
        // The candidate attacks only (9,8): the human must go there and cannot win.
        {"attacks elsewhere", 9, 9, F::先手歩, 9, {{9, 8}}},
        // Only (3,1) is not attacked, the human may not use it.
        {"lines beside the winning square", 1, 3, F::先手金, 9, {{1, 2}, {2, 2}, {2, 3}, {1, 4}}},
    };
    for (const Case& c : cases) {
        ComGame g(F::先手);
        g.置く(1, 1, F::後手歩);
        g.置く(2, 1, F::後手歩);
        g.置く(5, 4, F::後手金); // stops the pawn on (5,5) from attacking anything
        g.置く(c.candidateX, c.candidateY, c.candidate);
        for (int x = 0; x <= 9; ++x)
            for (int y = 0; y <= 9; ++y) g->利き筋[x][y] = F::真; // stale
        const 局面 before(*g);
        EXPECT_EQ(g->調査_得点(F::先手持駒列, 1, c.candidateX, c.candidateY), c.expected) << c.what;
        EXPECT_TRUE(局面(*g) == before) << c.what;
        // The map now holds the computer's lines of attack.
        std::set<std::pair<int, int>> lines;
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                if (g->利き筋[x][y] == F::真) lines.insert({x, y});
        EXPECT_EQ(lines, c.computerLines) << c.what;
    }
}

TEST(Score, HumanAsFirstPlayerThreatensWithItsOwnPieces) {
    ComGame g(F::後手);
    g.置く(1, 9, F::先手金);
    g.置く(2, 9, F::先手金);
    g.置く(5, 5, F::後手歩); // attacks (5,6) only: the human may not reach (3,9)
    EXPECT_EQ(g->調査_得点(F::後手持駒列, 8, 5, 5), 8);
    g->盤[5][6] = F::先手香; // now the computer attacks nothing, every square is open
    EXPECT_EQ(g->調査_得点(F::後手持駒列, 8, 5, 5), -901);
    EXPECT_EQ(g->盤[3][9], F::空き);
}

TEST(Score, ThreatIgnoresTheHumansHandAndPawnRules) {
    ComGame g(F::先手);
    g.置く(1, 1, F::後手金);
    g.置く(2, 1, F::後手金);
    g.置く(3, 4, F::後手歩); // a 後手 pawn in column 3 already
    g.置く(3, 5, F::先手歩); // the candidate, stopping that pawn; it attacks nothing
    // Nothing left in the human's hand at all.
    for (int k = 0; k <= 8; ++k) g->後手持駒[k] = 0;
    g->後手持駒合計 = 0;
    EXPECT_EQ(g->調査_得点(F::先手持駒列, 1, 3, 5), -901);
}

TEST(Score, BaseValueByHandRow) {
    // No human piece on the board, so nothing the human drops next can make three.
    const std::pair<int, int> squares[] = {{1, 1}, {5, 5}, {9, 9}, {2, 8}};
    for (int com : {F::先手, F::後手}) {
        for (int k = 1; k <= 8; ++k) {
            for (auto [x, y] : squares) {
                ComGame g(com);
                g.置く(x, y, com == F::先手 ? F::先手金 : F::後手金);
                const int col = com == F::先手 ? F::先手持駒列 : F::後手持駒列;
                const int expected = com == F::先手 ? 10 - k : k;
                EXPECT_EQ(g->調査_得点(col, k, x, y), expected)
                    << "computer " << com << " row " << k << " at " << x << "," << y;
                // A source that is no hand column has no base value.
                EXPECT_EQ(g->調査_得点(5, k, x, y), 0);
            }
        }
    }
}

TEST(Score, FourInARowIsNoWin) {
    ComGame g(F::先手);
    g.置く(1, 5, F::先手金);
    g.置く(2, 5, F::先手金);
    g.置く(4, 5, F::先手香);
    g.置く(3, 5, F::先手歩); // the candidate: four in a row, three on no axis
    EXPECT_EQ(g->調査_得点(F::先手持駒列, 1, 3, 5), 9);
    // With a human pair completed on a square the computer's 香 attacks, the same drop
    // loses.
    ComGame h(F::先手);
    h.置く(1, 5, F::先手金);
    h.置く(2, 5, F::先手金);
    h.置く(4, 5, F::先手香);
    h.置く(5, 1, F::後手金); // (4,1), open to the human under the 香's line, makes three
    h.置く(6, 1, F::後手金);
    h.置く(3, 5, F::先手歩);
    EXPECT_EQ(h->調査_得点(F::先手持駒列, 1, 3, 5), -901);
}

// ---------------------------------------------------------------------------------------
// com_ban

TEST(ComMove, OpeningPawnToTheCentre) {
    for (int com : {F::先手, F::後手}) {
        ComGame g(com);
        g.w.logDrawing = true;
        const 局面 before(*g);
        g->com_ban();
        const bool sente = com == F::先手;
        const int pawn = sente ? F::先手歩 : F::後手歩;
        指した手を確かめる(*g, before, {sente ? 11 : -1, sente ? 2 : 8, 5, 5, pawn});
        EXPECT_EQ((sente ? g->先手持駒 : g->後手持駒)[1], 8);
        EXPECT_EQ(g->手番, -com);
        EXPECT_EQ(g->対局中, F::真);
        EXPECT_EQ(音の回数(g.s, "play", 66), 1);
        EXPECT_TRUE(g.w.messages.empty());
        // The square is outlined in white and the move written into the computer's box.
        bool white = false;
        for (const auto& op : g.w.ops) {
            white |= op.kind == Op::Box && op.colour == F::色_白 && 近い(op.x1, F::横位置(5)) &&
                     近い(op.y1, F::縦位置(5));
        }
        EXPECT_TRUE(white) << com;
        const double bx = sente ? F::先手結果X : F::後手結果X;
        const double by = sente ? F::先手結果Y : F::後手結果Y;
        std::vector<std::string> texts;
        for (const auto& op : g.w.ops) {
            if (op.kind == Op::Text && 近い(op.y1, F::縦位置(by)) && op.x1 >= F::横位置(bx) - 1 &&
                op.x1 < F::横位置(bx) + 1360)
                texts.push_back(op.text);
        }
        EXPECT_EQ(texts, (std::vector<std::string>{"思考中", "５", "五", "歩"})) << com;
    }
}

TEST(ComMove, WorkedOpeningComputerFirst) {
    // Reply 後手金 on (5,4): the human then attacks (4,4) (4,5) (6,4) (6,5) (5,3); 歩 on
    // (4,4) leaves the human only (4,3), which makes no row.
    // Reply 後手歩 on (5,4) instead: the human attacks nothing, and row 1 is closed to
    // the computer's 歩, so it goes to (1,2).
    struct Case {
        int reply;
        Drop expected;
    };
    const Case cases[] = {
        {F::後手金, {11, 2, 4, 4, F::先手歩}},
        {F::後手歩, {11, 2, 1, 2, F::先手歩}},
    };
    for (const Case& c : cases) {
        ComGame g(F::先手);
        g->com_ban();
        ASSERT_EQ(g->盤[5][5], F::先手歩);
        ASSERT_EQ(g->手番, F::後手);
        g.人間が打つ(5, 4, c.reply);
        g.w.logDrawing = true;
        const 局面 before(*g);
        g->com_ban();
        指した手を確かめる(*g, before, c.expected);
        EXPECT_EQ(g->指し手[0], 9);
        EXPECT_EQ(g->手数, 3);
        EXPECT_EQ(g->手番, F::後手);
        EXPECT_EQ(g->対局中, F::真);
        // "思考中" is on the screen, refreshed, before anything of the move is drawn.
        std::size_t thinking = 0, refresh = 0, firstMove = 0;
        for (std::size_t i = 0; i < g.w.ops.size(); ++i) {
            const auto& op = g.w.ops[i];
            if (op.kind == Op::Text && op.text == "思考中") {
                thinking = i + 1;
                EXPECT_TRUE(近い(op.x1, F::横位置(F::先手結果X)));
                EXPECT_TRUE(近い(op.y1, F::縦位置(F::先手結果Y)));
                EXPECT_EQ(op.colour, F::色_白);
                EXPECT_EQ(op.points, 12.0f);
            }
            if (op.kind == Op::Refresh && thinking != 0 && refresh == 0) refresh = i + 1;
            if (op.kind == Op::Picture && firstMove == 0) firstMove = i + 1;
        }
        EXPECT_NE(thinking, 0u);
        EXPECT_GT(refresh, thinking);
        EXPECT_GT(firstMove, refresh);
    }
}

TEST(ComMove, SecondPlayerInAQuietPositionDropsAPawnOnTheCorner) {
    // The human (先手) has 歩 (5,5) and 香 (5,6), both stopped; the computer's 歩 (5,4)
    // attacks nothing. No line of attack for the human: any square will do, and the
    // weakest safe piece, 歩, goes to the first square, (1,1).
    ComGame g(F::後手);
    g.置く(5, 5, F::先手歩);
    g.置く(5, 4, F::後手歩);
    g.置く(5, 6, F::先手香);
    const 局面 before(*g);
    g->com_ban();
    指した手を確かめる(*g, before, {-1, 8, 1, 1, F::後手歩});
    EXPECT_EQ(g->指し手[0], 8);
    EXPECT_EQ(g->手番, F::先手);
}

TEST(ComMove, TakesTheFirstWinInWalkOrder) {
    struct Case {
        const char* what;
        int com;
        std::vector<std::tuple<int, int, int>> pieces;
        Drop expected;
    };
    const Case cases[] = {
        // Wins on (3,5) and (6,5); the 歩 may not go to column 3 (its 歩 on (3,8)), so the
        // 歩 on (6,5) is found before any 香 on (3,5).
        {"先手: the weakest kind first",
         F::先手,
         {{4, 5, F::先手金},
          {5, 5, F::先手銀},
          {3, 8, F::先手歩},
          {4, 4, F::後手歩},
          {5, 4, F::後手歩},
          {3, 7, F::後手歩}},
         {11, 2, 6, 5, F::先手歩}},
        // The human's 飛 on (9,1) leaves (6,1) as the only winning square; 歩 香 桂 may not
        // be dropped on row 1, so 銀 is the weakest kind that wins.
        {"先手: row 1 needs a 銀",
         F::先手,
         {{4, 1, F::先手金}, {5, 1, F::先手金}, {9, 1, F::後手飛}, {9, 8, F::後手歩}},
         {11, 5, 6, 1, F::先手銀}},
        // Wins on (3,5) and (6,5) for 王 and 歩 alike; the 後手 walk starts with 王.
        {"後手: the strongest kind first",
         F::後手,
         {{4, 5, F::後手金},
          {5, 5, F::後手銀},
          {4, 6, F::先手歩},
          {5, 6, F::先手歩},
          {4, 7, F::先手香}},
         {-1, 1, 3, 5, F::後手王}},
    };
    for (const Case& c : cases) {
        ComGame g(c.com);
        for (auto [x, y, code] : c.pieces) g.置く(x, y, code);
        const 局面 before(*g);
        g->com_ban();
        SCOPED_TRACE(c.what);
        指した手を確かめる(*g, before, c.expected);
        EXPECT_EQ(g->指し手[0], 10000);
        ASSERT_EQ(g.w.messages.size(), 1u);
        EXPECT_EQ(g.w.messages[0].text, "ＣＯＭの勝ちです");
        EXPECT_EQ(g.w.messages[0].title, "終了");
        EXPECT_EQ(g->手番, F::終局);
        EXPECT_EQ(g->対局中, F::偽);
        // The drop sound, then the end sound of the blink.
        ASSERT_EQ(g.s.calls.size(), 2u);
        EXPECT_STREQ(g.s.calls[0].op, "play");
        EXPECT_EQ(g.s.calls[0].handle, g->音_駒打);
        EXPECT_STREQ(g.s.calls[1].op, "play");
        EXPECT_EQ(g.s.calls[1].handle, g->音_終局);
        EXPECT_NEAR(g.w.clock, 1.2, 1e-6); // the blink ran
    }
}

TEST(ComMove, FourInARowIsNotTakenForAWin) {
    // 金 (1,5) (2,5) and 香 (4,5); the human's 歩 (3,4) attacks only (3,5), so every drop
    // goes there and makes four. None is a win: the 歩, first in the walk and safe, is
    // played and the game goes on.
    ComGame g(F::先手);
    g.置く(1, 5, F::先手金);
    g.置く(2, 5, F::先手金);
    g.置く(4, 5, F::先手香);
    g.置く(1, 4, F::後手歩);
    g.置く(3, 4, F::後手歩);
    g.置く(4, 4, F::後手歩);
    const 局面 before(*g);
    g->com_ban();
    指した手を確かめる(*g, before, {11, 2, 3, 5, F::先手歩});
    EXPECT_EQ(g->指し手[0], 9);
    EXPECT_EQ(g->対局中, F::真);
    EXPECT_EQ(g->手番, F::後手);
    EXPECT_TRUE(g.w.messages.empty());
    EXPECT_EQ(音の回数(g.s, "play", 55), 0);
}

TEST(ComMove, EveryDropLosesSoTheFirstIsPlayed) {
    // The human's 歩 (1,1) (2,1) would make three on (3,1), which the computer's 歩 (3,2)
    // always attacks; the computer must drop on (1,2) or (2,2), where the human attacks.
    ComGame g(F::先手);
    g.置く(1, 1, F::後手歩);
    g.置く(2, 1, F::後手歩);
    g.置く(3, 2, F::先手歩);
    g.置く(9, 9, F::先手金);
    const 局面 before(*g);
    g->com_ban();
    指した手を確かめる(*g, before, {11, 2, 1, 2, F::先手歩});
    EXPECT_EQ(g->指し手[0], -901);
    EXPECT_EQ(g->対局中, F::真);
    EXPECT_EQ(g->手番, F::後手);
}

namespace {

// The computer passes: nothing changes but the turn, and its box is erased after
// "思考中" was written into it.
void パスを確かめる(ComGame& g) {
    g.w.logDrawing = true;
    const 局面 before(*g);
    g->com_ban();
    局面 expected = before;
    expected.手番 = g->人間側;
    EXPECT_TRUE(局面(*g) == expected);
    EXPECT_EQ(g->手数, before.手数);
    EXPECT_EQ(g->手順数, before.手順数);
    EXPECT_TRUE(g.w.messages.empty());
    EXPECT_EQ(音の回数(g.s, "play", 66), 0);
    const double bx = g->COM側 == F::先手 ? F::先手結果X : F::後手結果X;
    const double by = g->COM側 == F::先手 ? F::先手結果Y : F::後手結果Y;
    long text = -1, erase = -1;
    for (std::size_t i = 0; i < g.w.ops.size(); ++i) {
        const auto& op = g.w.ops[i];
        if (!近い(op.x1, F::横位置(bx)) || !近い(op.y1, F::縦位置(by))) continue;
        if (op.kind == Op::Text && op.text == "思考中") text = static_cast<long>(i);
        if (op.kind == Op::Fill && 近い(op.x2 - op.x1, 1360) && 近い(op.y2 - op.y1, 380) &&
            op.colour == F::背景色)
            erase = static_cast<long>(i);
    }
    EXPECT_GE(text, 0);
    EXPECT_GT(erase, text);
}

} // namespace

TEST(ComMovePass, NoPieceInHand) {
    // After forty drops with no row of three, 先手 is to move with an empty hand.
    ComGame g(F::先手);
    const int 後手の列[9] = {F::後手香, F::後手桂, F::後手銀, F::後手金, F::後手王,
                             F::後手金, F::後手銀, F::後手桂, F::後手香};
    for (int x = 1; x <= 9; ++x) {
        g.置く(x, 1, 後手の列[x - 1]);
        g.置く(x, 3, F::後手歩);
        g.置く(x, 7, F::先手歩);
        g.置く(x, 9, -後手の列[x - 1]);
    }
    g.置く(1, 5, F::先手角);
    g.置く(9, 5, F::先手飛);
    g.置く(3, 5, F::後手角);
    g.置く(7, 5, F::後手飛);
    ASSERT_EQ(g->取得_全持駒数(F::先手), 0);
    ASSERT_EQ(g->手数, 40);
    パスを確かめる(g);
}

TEST(ComMovePass, NoSquareForTheFirstPlayer) {
    // The human's 飛 (1,1) attacks row 1 only; the computer holds nothing but 歩 香 桂,
    // none of which may be dropped there.
    ComGame g(F::先手);
    g.置く(1, 1, F::後手飛);
    g.置く(1, 2, F::先手金);
    const int row9[6] = {F::先手金, F::先手銀, F::先手銀, F::先手角, F::先手飛, F::先手王};
    for (int x = 1; x <= 6; ++x) {
        g.置く(x, 9, row9[x - 1]);
        g.置く(x, 8, F::後手歩);
    }
    ASSERT_GT(g->取得_全持駒数(F::先手), 0);
    パスを確かめる(g);
}

TEST(ComMovePass, NoSquareForTheSecondPlayer) {
    // The same turned round: the human's 飛 (9,9) attacks row 9 only.
    ComGame g(F::後手);
    g.置く(9, 9, F::先手飛);
    g.置く(9, 8, F::後手金);
    const int row1[6] = {F::後手金, F::後手銀, F::後手銀, F::後手角, F::後手飛, F::後手王};
    for (int x = 4; x <= 9; ++x) {
        g.置く(x, 1, row1[x - 4]);
        g.置く(x, 2, F::先手歩);
    }
    g.置く(4, 3, F::先手香);
    ASSERT_GT(g->取得_全持駒数(F::後手), 0);
    パスを確かめる(g);
}

TEST(ComMove, GamesAgainstARandomOpponentFollowTheRules) {
    // Whatever the human does, each computer drop is one the rules allow, and the
    // computer wins whenever one of its allowed drops makes three.
    std::mt19937 rng(4242);
    int moves = 0, wins = 0;
    for (int game = 0; game < 40; ++game) {
        const int com = game % 2 ? F::後手 : F::先手;
        ComGame g(com);
        g->手番 = F::先手;
        if (com == F::後手 && !人間のでたらめな手(g, rng)) continue;
        for (;;) {
            ASSERT_EQ(g->手番, com);
            const std::vector<Drop> allowed = 打てる手(*g, com);
            bool canWin = false;
            for (const Drop& d : allowed) {
                g->盤[d.x][d.y] = d.code;
                canWin |= g->調査_3並び(com, d.x, d.y) == F::真;
                g->盤[d.x][d.y] = F::空き;
            }
            const 局面 before(*g);
            g->com_ban();
            if (g->手数 == before.手数) {
                EXPECT_TRUE(allowed.empty() || before.手数 == 0);
                EXPECT_EQ(g->手番, -com);
            } else {
                ++moves;
                const Drop d = 最後の手(*g);
                if (before.手数 > 0) {
                    bool found = false;
                    for (const Drop& a : allowed) found |= a == d;
                    EXPECT_TRUE(found) << "game " << game << " move " << g->手数 << ": " << d;
                }
                指した手を確かめる(*g, before, d);
            }
            if (before.手数 > 0) {
                EXPECT_EQ(canWin, g->対局中 == F::偽) << "game " << game;
            }
            if (g->対局中 == F::偽) {
                ++wins;
                break;
            }
            if (!人間のでたらめな手(g, rng)) break;
        }
    }
    EXPECT_GT(moves, 100);
    EXPECT_GT(wins, 10);
}

TEST(ComMove, SamePositionSameMove) {
    // Positions from games against a random opponent, each searched twice: the second
    // time on another object whose scratch maps, flags and best score hold rubbish.
    std::mt19937 rng(99);
    int checked = 0;
    for (int game = 0; game < 12; ++game) {
        const int com = game % 2 ? F::後手 : F::先手;
        ComGame g(com);
        g->手番 = F::先手;
        if (com == F::後手 && !人間のでたらめな手(g, rng)) continue;
        while (g->対局中 == F::真) {
            const 局面 before(*g);
            g->com_ban();
            const 局面 after(*g);

            ComGame h(com);
            before.戻す(*h);
            for (int x = 0; x <= 9; ++x) {
                h->先手2歩フラグ[x] = h->後手2歩フラグ[x] = 1;
                for (int y = 0; y <= 9; ++y) {
                    h->利き筋[x][y] = (x * y) % 2;
                    h->利き筋_保存[x][y] = F::真;
                }
            }
            for (int& v : h->指し手) v = 12345;
            h->COM候補駒 = F::後手王;
            h->com_ban();
            EXPECT_TRUE(局面(*h) == after) << "game " << game << " move " << before.手数;
            if (after.手数 > before.手数) {
                EXPECT_EQ(最後の手(*h), 最後の手(*g));
            }
            // The best score of a search (the opening has none).
            if (before.手数 > 0) {
                EXPECT_EQ(h->指し手[0], g->指し手[0]);
            }
            ++checked;
            if (g->対局中 == F::偽 || !人間のでたらめな手(g, rng)) break;
        }
    }
    EXPECT_GT(checked, 30);
}

TEST(ComMove, SameTurnAsTheWholeBoardComputation) {
    // Random games, both sides dropping at random where the rules allow. In every position
    // the side to move is the computer: its turn is played by com_ban and searched again
    // by the reference, which recomputes the lines of attack from the whole board for
    // every candidate: 100,000 turns. The first 100,000 candidates are also scored by
    // 調査_得点 on their own.
    std::mt19937 rng(2718);
    ComGame play(F::先手), fast(F::先手), ref(F::先手);
    long turns = 0, candidates = 0;
    while (turns < 100000 && !::testing::Test::HasFailure()) {
        play->初期設定();
        play->手番 = F::先手;
        for (;;) {
            const int side = play->手番;
            const std::vector<Drop> drops = 打てる手(*play, side);
            if (drops.empty()) break;
            if (play->手数 > 0) {
                play->COM側 = side;
                play->人間側 = -side;
                const 局面 before(*play);
                before.戻す(*fast);
                before.戻す(*ref);
                fast.s.calls.clear();
                fast.w.messages.clear();
                fast->com_ban();
                const 参照の手 m = 参照_探索(*ref, [&](int col, int k, int x, int y, int score) {
                    if (candidates >= 100000) return;
                    int map[10][10];
                    std::memcpy(map, ref->利き筋, sizeof map);
                    EXPECT_EQ(ref->調査_得点(col, k, x, y), score) << x << "," << y;
                    EXPECT_EQ(std::memcmp(map, ref->利き筋, sizeof map), 0) << x << "," << y;
                    ++candidates;
                });
                SCOPED_TRACE("position after " + std::to_string(before.手数) + " drops");
                if (m.chosen) {
                    EXPECT_EQ(最後の手(*fast), (Drop{m.sx, m.sy, m.dx, m.dy, m.code}));
                } else {
                    EXPECT_EQ(fast->手数, before.手数);
                }
                EXPECT_EQ(fast->指し手[0], ref->指し手[0]);
                EXPECT_EQ(fast->COM候補駒, ref->COM候補駒);
                EXPECT_EQ(std::memcmp(fast->利き筋, ref->利き筋, sizeof ref->利き筋), 0);
                EXPECT_EQ(std::memcmp(fast->利き筋_保存, ref->利き筋_保存, sizeof ref->利き筋), 0);
                ++turns;
            }
            const Drop d =
                drops[std::uniform_int_distribution<std::size_t>(0, drops.size() - 1)(rng)];
            play->手順保存(d.sx, d.sy, d.x, d.y, d.code, play->盤[d.x][d.y]);
            play->手数 += 1;
            play->駒移動(d.sx, d.sy, d.x, d.y, d.code);
            if (play->終了_判定(side, d.x, d.y) == F::真) break;
            play->手番 = -side;
        }
    }
    EXPECT_GE(candidates, 100000);
}

TEST(Engine, DropsAndRowsAgreeWithTheGamesRules) {
    // Random games. In every position the searcher's drops for the side to move are those
    // that 移動チェック allows under the placement rule, its winning squares of both sides
    // are where 調査_3並び finds a row after a drop there, and the position it keeps drop
    // by drop equals the one computed afresh from the board.
    namespace e = engine;
    std::mt19937 rng(31);
    ComGame g(F::先手);
    long positions = 0;
    while (positions < 10000 && !::testing::Test::HasFailure()) {
        g->初期設定();
        e::Position kept;
        kept.load(g->盤);
        kept.setHands(g->先手持駒, g->後手持駒, 0);
        for (int side = F::先手;; side = -side) {
            e::Position p;
            p.load(g->盤);
            p.setHands(g->先手持駒, g->後手持駒, side == F::先手 ? 0 : 1);
            for (int c = 0; c < 2; ++c) {
                EXPECT_EQ(kept.attacks[c], p.attacks[c]);
                EXPECT_EQ(kept.wins[c], p.wins[c]);
            }
            EXPECT_EQ(kept.key, p.key);
            std::vector<Drop> expected;
            参照_調査_利き筋(*g, -side);
            const int open = g->調査_利筋あるか();
            g->調査_2歩フラグ設定();
            const int col = side == F::先手 ? F::先手持駒列 : F::後手持駒列;
            for (int k = 1; k <= 8; ++k) {
                const int row = side == F::先手 ? k + 1 : 9 - k;
                if (g->取得_持駒数(side, row) <= 0) continue;
                for (int x = 1; x <= 9; ++x) {
                    for (int y = 1; y <= 9; ++y) {
                        if (open == F::真 && g->利き筋[x][y] != F::真) continue;
                        if (g->移動チェック(col, row, x, y, g->取得_持駒(side, row)) == F::真)
                            expected.push_back({col, row, x, y, g->取得_持駒(side, row)});
                    }
                }
            }
            e::Move moves[e::maxMoves];
            const int n = e::generateDrops(p, moves);
            std::vector<Drop> found;
            for (int i = 0; i < n; ++i) {
                found.push_back({col, side == F::先手 ? moves[i].kind + 1 : 9 - moves[i].kind,
                                 e::columnOf(moves[i].sq), e::rowOf(moves[i].sq),
                                 e::codeOf(p.toMove, moves[i].kind)});
            }
            EXPECT_EQ(found, expected) << "after " << g->手数 << " drops";
            bool wins = false;
            for (int x = 1; x <= 9; ++x) {
                for (int y = 1; y <= 9; ++y) {
                    if (g->盤[x][y] != F::空き) continue;
                    for (int c = 0; c < 2; ++c) {
                        g->盤[x][y] = c == 0 ? F::先手金 : F::後手金;
                        const bool row = g->調査_3並び(c == 0 ? F::先手 : F::後手, x, y) == F::真;
                        EXPECT_EQ(e::has(p.wins[c], e::squareOf(x, y)), row) << x << "," << y;
                        g->盤[x][y] = F::空き;
                    }
                }
            }
            for (const Drop& d : expected) wins |= e::has(p.wins[p.toMove], e::squareOf(d.x, d.y));
            EXPECT_EQ(e::hasWinningDrop(p), wins);
            ++positions;
            if (n == 0) break;
            const int i = std::uniform_int_distribution<int>(0, n - 1)(rng);
            kept.drop(moves[i].sq, moves[i].kind);
            const Drop d = found[static_cast<std::size_t>(i)];
            g->駒移動(d.sx, d.sy, d.x, d.y, d.code);
            if (g->調査_3並び(side, d.x, d.y) == F::真) break;
        }
    }
}

namespace {

// The position after the written drops: piece letter P L N S G B R K, 先手 upper case, then
// column and row.
engine::Position afterDrops(std::string_view drops) {
    const int none[10][10] = {};
    engine::Position p;
    p.load(none);
    p.setHands(piece::初期数, piece::初期数, 0);
    for (std::size_t i = 0; i + 2 < drops.size(); i += 4) {
        const auto k = static_cast<int>(
            std::string_view("?PLNSGBRK").find(static_cast<char>(drops[i] & ~0x20)));
        p.drop(engine::squareOf(drops[i + 1] - '0', drops[i + 2] - '0'), k);
    }
    return p;
}

} // namespace

TEST(Engine, ForcedRowsAreFoundAndStrongestPlaysThem) {
    // Positions from games the computer played.
    namespace e = engine;
    const auto after = afterDrops;
    e::Searcher s;
    // 先手 to move forces a row; 先手 to move cannot stop 後手's.
    EXPECT_EQ(s.solve(after("B86 r77 S78 n67 P87 p75"), {60, 200000}), 1);
    EXPECT_EQ(s.solve(after("G24 n34 P26 r23 L43 p13 N33 p21"), {60, 200000}), -1);
    // 最強 never plays a drop proved lost while another holds: after N99 p87 its search
    // alone likes 歩 (8,8), which loses in four, while 桂 (8,8) holds.
    for (std::string_view position : {"N99 p87"}) {
        e::Position q = after(position);
        const e::Move m = s.choose(q, e::limitsFor(2));
        q.drop(m.sq, m.kind);
        const e::Value v = std::make_unique<e::Analyser>()->valueOf(q, 400000);
        EXPECT_FALSE(v.kind == e::Value::Win && v.n <= 5)
            << position << ": " << m.kind << e::columnOf(m.sq) << e::rowOf(m.sq);
    }
    // A row ten drops deep for 先手, where the proof search's guess gives 後手 one.
    EXPECT_EQ(std::make_unique<e::Analyser>()->valueOf(after("N76 l84 L86 p64"), 400000),
              (e::Value{e::Value::Win, 10}));
    // 先手 can force a row here, but not after 歩 (8,6), which 最強's search alone likes
    // best: 最強 plays a drop after which 後手 is lost.
    const e::Position p = after("B76 r87 R82 g54");
    const e::Move m = s.choose(p, e::limitsFor(2));
    e::Position q = p;
    q.drop(m.sq, m.kind);
    EXPECT_EQ(s.solve(q, {60, 200000}), -1) << e::columnOf(m.sq) << e::rowOf(m.sq);
    // 後手 wins here with 王 (9,9) alone; 最強's search, which tries 銀 for it, finds every
    // drop lost, and the exact search must still find the win.
    const e::Position deep =
        after("G97 b98 L43 g87 P86 p96 L88 p85 N77 n65 P78 n42 N54 p62 G89 g79 P63");
    const e::Move k = s.choose(deep, e::limitsFor(2));
    e::Position r = deep;
    r.drop(k.sq, k.kind);
    EXPECT_EQ(std::make_unique<e::Analyser>()->valueOf(r, 100000).kind, e::Value::Loss)
        << e::columnOf(k.sq) << e::rowOf(k.sq) << ' ' << k.kind;
    // Openings won for the side that 最強 plays, but only by rows deeper than its exact
    // search sees at first: 最強 wins them against 強い, each drop bringing the row nearer.
    e::Searcher other;
    for (std::string_view opening : {"N55 l43 G45 n46", "P94 r93 B83 n74"}) {
        e::Position g = after(opening);
        const int strongest = opening == "N55 l43 G45 n46" ? 1 : 0;
        int winner = -1;
        for (int ply = 0; ply < 40 && winner < 0; ++ply) {
            const bool mine = g.toMove == strongest;
            const e::Move d = (mine ? s : other).choose(g, e::limitsFor(mine ? 2 : 1));
            if (d.isPass()) {
                g.pass();
                continue;
            }
            if (e::has(g.wins[g.toMove], d.sq)) winner = g.toMove;
            g.drop(d.sq, d.kind);
        }
        EXPECT_EQ(winner, strongest) << opening;
    }
}

TEST(Engine, EachSearchAnswersAloneWithItsOwnTables) {
    // Each search made on its own, as a new order of asking would use it, on positions from
    // games: the exact value for the side to move, and the first drop the analysis gives it.
    namespace e = engine;
    auto lists = std::make_unique<e::DropLists>();
    std::uint32_t generation = 0;
    auto proofs = std::make_unique<e::ProofSearch::Table>();
    auto known = std::make_unique<e::ExactSearch::Table>();
    e::ProofSearch proof(*proofs, *lists, generation);
    e::ExactSearch exact(*known, *lists, generation);
    auto alphaBeta = std::make_unique<e::AlphaBeta>(*lists);
    auto analyser = std::make_unique<e::Analyser>();
    static e::DropValue values[e::maxMoves];
    const struct {
        std::string_view drops;
        e::Value value;
    } cases[] = {{"B76 r87 R82 g54", {e::Value::Win, 4}},
                 {"B86 r77 S78 n67 P87 p75", {e::Value::Win, 6}},
                 {"G24 n34 P26 r23 L43 p13 N33 p21", {e::Value::Loss, 7}}};
    for (const auto& c : cases) {
        const e::Position p = afterDrops(c.drops);
        // Asked from the second ply, the proof search leaves the root's list alone.
        const e::Move mark{80, e::King};
        lists->at[0][0] = mark;
        const int winner = c.value.kind == e::Value::Win ? p.toMove : p.toMove ^ 1;
        EXPECT_TRUE(proof.proves(p, winner, 200000, 1)) << c.drops;
        EXPECT_FALSE(proof.proves(p, winner ^ 1, 200000, 1)) << c.drops;
        EXPECT_EQ(lists->at[0][0], mark) << c.drops;

        const e::ExactSearch::Choice choice = exact.choose(p, 100000, true);
        EXPECT_EQ(choice.value, c.value) << c.drops;
        const int n = analyser->analyse(p, e::Analyser::defaultBudget, values);
        EXPECT_EQ(analyser->value(), c.value) << c.drops;
        int first = 0;
        while (first < n && !(values[first].value == c.value)) ++first;
        ASSERT_LT(first, n) << c.drops;
        EXPECT_EQ(choice.move, values[first].move) << c.drops;
        exact.begin(true);
        int notWithin = 0;
        EXPECT_EQ(exact.dropValue(p, choice.move, 100000, notWithin), c.value) << c.drops;
    }
    // Within its depth the alpha-beta search sees the row in four and leaves its choice
    // first in the root's list.
    const e::Move m = alphaBeta->choose(afterDrops("B76 r87 R82 g54"), 5, 200000);
    EXPECT_GT(alphaBeta->score(), e::AlphaBeta::winThreshold);
    EXPECT_EQ(lists->at[0][0], m);
    EXPECT_GT(alphaBeta->tried(), 1);
}

TEST(Analysis, AgreesWithASearchStraightFromTheRules) {
    // Where the reference finds a forced row within three drops, the analysis gives the same
    // value; on every eighth such position and on sparse boards, each drop's value where the
    // reference finds one within two drops of the opponent's; elsewhere it claims nothing
    // as near.
    namespace e = engine;
    std::mt19937 rng(23);
    SetUpGame g;
    auto analyser = std::make_unique<e::Analyser>();
    std::vector<e::DropValue> values(e::maxMoves);
    // Any allowance would do: values found are proved. A small one keeps the test short.
    constexpr long budget = 20000;
    auto engineValue = [](e::Value v) {
        return v.kind == e::Value::Win ? v.n : v.kind == e::Value::Loss ? -v.n : 0;
    };
    int forced = 0, open = 0;
    // Compares the position on g's board with `side` to move; returns its allowed drops.
    auto compare = [&](int side, bool eachDrop) {
        参照解析 ref(*g);
        e::Position p;
        p.load(g->盤);
        p.setHands(g->先手持駒, g->後手持駒, side == F::先手 ? 0 : 1);
        const int want = ref.値(side, 3);
        auto drops = ref.手(side);
        if (want != 0) {
            EXPECT_EQ(engineValue(analyser->valueOf(p, 50 * budget)), want)
                << "after " << g->手数 << " drops";
            ++forced;
            if (!eachDrop) return drops;
        }
        const int n = analyser->analyse(p, budget, values.data());
        const int got = engineValue(analyser->value());
        EXPECT_EQ(n, static_cast<int>(drops.size()));
        if (want != 0) {
            EXPECT_EQ(got, want) << "after " << g->手数 << " drops";
        } else {
            EXPECT_TRUE(got > 3 || got < -3 || got == 0) << got;
            ++open;
        }
        std::set<std::tuple<int, int, int>> allowed;
        for (const auto& d : drops) allowed.insert({piece::kindOf(d.code), d.x, d.y});
        for (int i = 0; i < n; ++i) {
            const e::Move m = values[static_cast<std::size_t>(i)].move;
            const int x = e::columnOf(m.sq), y = e::rowOf(m.sq);
            EXPECT_EQ(allowed.count({m.kind, x, y}), 1u);
            const int claimed = engineValue(values[static_cast<std::size_t>(i)].value);
            if (!eachDrop && claimed <= 3) continue;
            const 参照解析::Drop d{持駒の列(side), piece::handRow(side, m.kind), x, y,
                                   piece::codeOf(side, m.kind)};
            ref.打つ(d, -1);
            const bool row = g->調査_3並び(side, d.x, d.y) == F::真;
            // The opponent's value after the drop, in the drop's terms.
            const int after = row ? 1 : -ref.値(-side, 2);
            const int mine = row || after <= 0 ? after : after + 1;
            if (mine != 0) {
                EXPECT_EQ(claimed, mine) << "drop " << i << " after " << g->手数;
            } else {
                EXPECT_TRUE(claimed == 0 || claimed > 3 || claimed < -2) << claimed;
            }
            ref.打つ(d, 1);
        }
        return drops;
    };
    // Random games from the empty board, whose value (a win in four) is known.
    for (int game = 0; forced < 1000 && !::testing::Test::HasFailure(); ++game) {
        g->初期設定();
        for (int side = F::先手, passes = 0; passes < 2; side = -side) {
            auto drops = g->手数 == 0 ? 参照解析(*g).手(side) : compare(side, forced % 8 == 0);
            if (drops.empty()) {
                ++passes;
                continue;
            }
            passes = 0;
            const auto& d =
                drops[std::uniform_int_distribution<std::size_t>(0, drops.size() - 1)(rng)];
            参照解析(*g).打つ(d, -1);
            g->手数 += 1;
            if (g->調査_3並び(side, d.x, d.y) == F::真) break;
        }
    }
    // Random sparse boards, where rows are further off.
    while (open < 50 && !::testing::Test::HasFailure()) {
        g->初期設定();
        const int pieces = std::uniform_int_distribution<int>(2, 7)(rng);
        for (int i = 0; i < pieces; ++i) {
            const int side = i % 2 ? F::後手 : F::先手;
            const int kind = std::uniform_int_distribution<int>(1, 8)(rng);
            const int x = std::uniform_int_distribution<int>(1, 9)(rng);
            const int y = std::uniform_int_distribution<int>(1, 9)(rng);
            const int code = piece::codeOf(side, kind);
            if (g->盤[x][y] != F::空き ||
                g->移動チェック(持駒の列(side), piece::handRow(side, kind), x, y, code) != F::真)
                continue;
            const 参照解析::Drop d{持駒の列(side), piece::handRow(side, kind), x, y, code};
            参照解析(*g).打つ(d, -1);
            if (g->調査_3並び(side, x, y) == F::真) 参照解析(*g).打つ(d, 1);
        }
        g->手数 = 1;
        compare(pieces % 2 ? F::後手 : F::先手, true);
    }
    EXPECT_GE(forced, 1000);
}

TEST(Analysis, StopsWhenAnotherThreadAsksAndAllocatesNothing) {
    // The empty board with 後手 to move (the opening table knows only 先手's first drops)
    // and an allowance that would take minutes: set from the test's thread, the flag ends the
    // worker's analysis, which says it was cancelled. A whole analysis allocates nothing, and
    // gives the same values again.
    namespace e = engine;
    auto analyser = std::make_unique<e::Analyser>();
    static e::DropValue values[e::maxMoves], again[e::maxMoves];
    const int none[10][10] = {};
    e::Position p;
    p.load(none);
    p.setHands(piece::初期数, piece::初期数, 1);
    std::atomic<bool> stop{false}, started{false};
    std::thread worker([&] {
        analyser->analyse(
            p, 1L << 40, values, &stop,
            [](void* flag, int, const e::DropValue&) {
                static_cast<std::atomic<bool>*>(flag)->store(true);
            },
            &started);
    });
    while (!started.load()) std::this_thread::yield();
    stop.store(true);
    worker.join();
    EXPECT_TRUE(analyser->cancelled());
    EXPECT_FALSE(analyser->value().known());

    p.drop(e::squareOf(5, 5), e::Pawn);
    const long before = 確保数.load();
    数える = true;
    const int n = analyser->analyse(p, 2000, values);
    数える = false;
    EXPECT_EQ(確保数.load(), before);
    EXPECT_FALSE(analyser->cancelled());
    ASSERT_EQ(analyser->analyse(p, 2000, again), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ(values[i].value, again[i].value);

    // Valuing the drops a small allowance left unknown again, with more positions, allocates
    // nothing either; what it settles is what a first look with as many positions finds.
    analyser->analyse(p, 500, values);
    数える = true;
    const int settled = analyser->refine(p, 8000, 1L << 40, values);
    数える = false;
    EXPECT_EQ(確保数.load(), before);
    EXPECT_GT(settled, 0);
    analyser->analyse(p, 8000, again);
    for (int i = 0; i < n; ++i) {
        if (values[i].value.known() && again[i].value.known()) {
            EXPECT_EQ(values[i].value, again[i].value) << i;
        }
    }
}

TEST(Analysis, EveryDropOfTheProvedLineIsProvedAgainstEveryOtherDrop) {
    // Positions of a game (kind letter, X from the left, Y from the top; 後手 in lower case),
    // their values for the side to move and their lines' lengths. Each drop of the line is
    // checked against a whole analysis of its position: the winner's is a win one drop nearer
    // each time, down to the drop that makes the row; the loser's resists as long as any drop
    // there, and no drop of the loser's wins or resists longer.
    namespace e = engine;
    const auto after = afterDrops;
    struct Row {
        std::string_view drops;
        e::Value value;
        int length;
    };
    const Row rows[] = {
        {"N24 p12 P13 p32 N33 p21", {e::Value::Win, 4}, 7},      // 先手 to move
        {"N24 p12 P13 p32 N33", {e::Value::Win, 4}, 7},          // 後手 to move
        {"N24 p12 P13 p32 N33 p21 P22", {e::Value::Loss, 3}, 6}, // 後手 lost
    };
    auto lines = std::make_unique<e::Analyser>();
    auto check = std::make_unique<e::Analyser>();
    static e::DropValue values[e::maxMoves];
    static analysis::WinningLine line;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.drops);
        e::Position q = after(row.drops);
        ASSERT_TRUE(analysis::winningLine(*lines, q, row.value, e::Analyser::defaultBudget, line));
        EXPECT_TRUE(line.complete);
        EXPECT_EQ(line.count, row.length);
        const int winner = row.value.kind == e::Value::Win ? q.toMove : q.toMove ^ 1;
        int left = row.value.n; // the winner's drops to its row
        for (int i = 0; i < line.count; ++i) {
            const analysis::LineStep& step = line.steps[i];
            EXPECT_EQ(step.side, q.toMove) << i;
            const int n = check->analyse(q, e::Analyser::defaultBudget, values);
            for (const auto& round : e::Analyser::refineRounds)
                check->refine(q, round.each, round.all, values);
            int at = -1;
            for (int j = 0; j < n; ++j) at = values[j].move == step.move ? j : at;
            ASSERT_GE(at, 0) << i;
            if (q.toMove == winner) {
                EXPECT_EQ(values[at].value,
                          (e::Value{e::Value::Win, static_cast<std::int8_t>(left)}))
                    << i;
                EXPECT_EQ(e::has(q.wins[q.toMove], step.move.sq), left == 1) << i;
                --left;
            } else {
                EXPECT_EQ(values[at].value,
                          (e::Value{e::Value::Loss, static_cast<std::int8_t>(left)}))
                    << i;
                for (int j = 0; j < n; ++j) {
                    EXPECT_NE(values[j].value.kind, e::Value::Win) << i << ' ' << j;
                    EXPECT_LE(values[j].value.n, left) << i << ' ' << j;
                }
            }
            EXPECT_EQ(step.value, values[at].value) << i;
            q.drop(step.move.sq, step.move.kind);
        }
        EXPECT_EQ(left, 0);
    }
    // A value the position does not have gives no line: nothing is ever guessed.
    ASSERT_TRUE(analysis::winningLine(*lines, after(rows[0].drops), {e::Value::Win, 3},
                                      e::Analyser::defaultBudget, line));
    EXPECT_EQ(line.count, 0);
    EXPECT_FALSE(line.complete);
}

TEST(Hint, OutlinesTheStrongestDropInYellowUntilTheNextCommand) {
    // 先手 (the human) has 金 (1,9) (2,9) and may drop anywhere: 最強 completes the row with
    // the first kind it holds that may go to (3,9), the 歩 in slot (11, 2).
    ComGame g(F::後手);
    g->手番 = F::先手;
    g.置く(1, 9, F::先手金);
    g.置く(2, 9, F::先手金);
    g.w.logDrawing = true;
    const 局面 before(*g);
    auto yellow = [&](int X, int Y, int colour) {
        int n = 0;
        for (const auto& op : g.w.ops) {
            n += op.kind == Op::Box && op.colour == colour && 近い(op.x1, F::横位置(X)) &&
                 近い(op.y1, F::縦位置(Y));
        }
        return n;
    };
    g->HINT_Click();
    EXPECT_EQ(yellow(11, 2, F::色_黄), 1);
    EXPECT_EQ(yellow(3, 9, F::色_黄), 1);
    EXPECT_TRUE(局面(*g) == before);
    EXPECT_TRUE(g.s.calls.empty());
    // The cursor's keys and the music's leave it.
    for (int key : {37, 38, 39, 40, 112}) g->Form_KeyDown(key, 0);
    EXPECT_EQ(yellow(11, 2, F::盤輪郭色) + yellow(3, 9, F::盤輪郭色), 0);
    g->LEVEL_STRONGEST_Click(); // a command that draws nothing of its own
    EXPECT_EQ(yellow(11, 2, F::盤輪郭色), 1);
    EXPECT_EQ(yellow(3, 9, F::盤輪郭色), 1);
    // On the computer's turn it does nothing.
    g.w.ops.clear();
    g->手番 = F::後手;
    g->HINT_Click();
    EXPECT_EQ(yellow(11, 2, F::色_黄) + yellow(3, 9, F::色_黄), 0);
}

// Another language writes the boxes and the counter as one line each (render/text.cpp).
std::string_view 英語の書式(const char* /*context*/, const char* source) {
    const std::string_view s = source;
    if (s == "%1%2%3") return "%3*%1%2";
    if (s == "%1手目") return "Move %1";
    if (s == "思考中") return "Thinking";
    return s;
}

TEST(Hint, WithTheAnalysisShowsTheFastestForcedRow) {
    // 先手 has 金 (1,9) (2,9): (3,9) makes the row now, the fastest of all.
    ComGame g(F::後手);
    g->手番 = F::先手;
    g.置く(1, 9, F::先手金);
    g.置く(2, 9, F::先手金);
    g->解析().setOn(true);
    g.w.logDrawing = true;
    g->HINT_Click();
    int yellow = 0;
    for (const auto& op : g.w.ops) {
        yellow += op.kind == Op::Box && op.colour == F::色_黄 && 近い(op.x1, F::横位置(3)) &&
                  近い(op.y1, F::縦位置(9));
    }
    EXPECT_EQ(yellow, 1);
    const AnalysisView& v = g.w.analysis;
    EXPECT_EQ(v.line, "先手の勝ち（あと 1 手）");
    // (3,9) is marked a win in 1, and only it.
    for (int i = 0; i < v.count; ++i) {
        const AnalysisMark& m = v.marks[i];
        const bool row = 近い(m.x1, F::横位置(3)) && 近い(m.y1, F::縦位置(9));
        EXPECT_EQ(m.win && m.n == 1, row) << m.x1 << "," << m.y1;
    }
}

TEST(ComMoveAllocations, SearchAllocatesNothing) {
    for (int reply : {F::後手金, F::後手歩, -F::後手歩}) {
        // The last time in another language.
        texts::setTranslator(reply < 0 ? &英語の書式 : nullptr);
        reply = reply < 0 ? -reply : reply;
        ComGame g(F::先手);
        g->com_ban();
        g.人間が打つ(5, 4, reply);
        ASSERT_FALSE(g.w.logDrawing);
        g.s.calls.reserve(64); // the recording itself keeps its calls in a vector
        const long before = 確保数.load();
        数える = true;
        g->com_ban();
        数える = false;
        const long allocations = 確保数.load() - before;
        EXPECT_EQ(allocations, 0) << "reply " << reply;
        // It did search: a move was chosen with a score.
        EXPECT_EQ(g->手数, 3);
        EXPECT_EQ(g->指し手[0], 9);
        EXPECT_TRUE(g.w.messages.empty());
    }
    texts::setTranslator(nullptr);
    // The counter itself works.
    数える = true;
    const long before = 確保数.load();
    void* volatile p = ::operator new(16);
    const long counted = 確保数.load() - before;
    数える = false;
    ::operator delete(p);
    EXPECT_EQ(counted, 1);
}

namespace tarvenko::engine {
extern const char openingTableText[];
}

TEST(OpeningTable, ADamagedOrOldTableIsRefusedWhole) {
    namespace e = engine;
    const e::Position start = e::startPosition();
    e::Position afterP55 = start;
    afterP55.drop(e::squareOf(5, 5), e::Pawn);
    const std::string_view head = "tarvenko-openings 1\n";
    struct Row {
        std::string body;
        bool ok;
    };
    for (const auto& [body, ok] : {
             Row{"root P55 win 5\n# a comment\n\nbest P55 p54 loss 4\n", true},
             Row{"best P55 p54 loss 4", true}, // no first drops, no last newline
             Row{"root P51 win 5\n", false},   // 歩 on the far row
             Row{"root P55 win 0\n", false},
             Row{"root P55 win 5\nroot P55 win 5\n", false},
             Row{"root p55 win 5\n", false},          // 後手's letter for 先手's drop
             Row{"best P55,P54 p54 loss 4\n", false}, // 先手 twice
             Row{"best P55 p11 loss 4\n", false},     // 後手 must drop where 先手 attacks
             Row{"best P55 p54 loss\n", false},
             Row{"best P55 p54 draw 4\n", false},
             Row{"best P55 p54 loss 4 more\n", false},
             Row{"\xff\xfe junk\n", false},
         }) {
        e::OpeningTable t;
        std::string error;
        EXPECT_EQ(t.read(std::string(head) + body, error), ok) << body << error;
        e::DropValue d;
        e::DropValue root[e::maxMoves];
        if (!ok) {
            EXPECT_NE(error.find("line "), std::string::npos) << body;
            EXPECT_EQ(t.rootValues(start, root), 0);
            EXPECT_FALSE(t.best(afterP55, d));
            continue;
        }
        ASSERT_TRUE(t.best(afterP55, d)) << body;
        EXPECT_EQ(d.move, (e::Move{static_cast<std::int8_t>(e::squareOf(5, 4)), e::Pawn}));
        EXPECT_EQ(d.value, (e::Value{e::Value::Loss, 4}));
        const int n = t.rootValues(start, root);
        if (body.starts_with("root")) {
            ASSERT_EQ(n, 612);
            EXPECT_EQ(std::count_if(root, root + n, [](auto v) { return v.value.known(); }), 1);
            ASSERT_TRUE(t.best(start, d));
            EXPECT_EQ(d.move, (e::Move{static_cast<std::int8_t>(e::squareOf(5, 5)), e::Pawn}));
        } else {
            EXPECT_EQ(n, 0);
        }
    }
    for (std::string_view text : {"", "tarvenko-openings 2\nroot P55 win 5\n"}) {
        e::OpeningTable t;
        std::string error;
        EXPECT_FALSE(t.read(text, error)) << text;
    }
}

TEST(OpeningTable, ASampleOfItsEntriesIsProvedAgain) {
    // The built-in table reads, and entries picked at random are what the exact search
    // proves: a first drop's value, and a position's best drop with the position's value.
    // Only values of up to six drops are picked: a deeper one takes minutes to prove again.
    namespace e = engine;
    const e::OpeningTable& table = e::openingTable();
    e::DropValue root[e::maxMoves];
    const int n = table.rootValues(e::startPosition(), root);
    ASSERT_GT(n, 0);
    std::vector<e::DropValue> first;
    std::copy_if(root, root + n, std::back_inserter(first),
                 [](const e::DropValue& d) { return d.value.known() && d.value.n <= 6; });
    std::vector<std::string> best;
    std::string_view text = e::openingTableText;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        const auto drops = line.substr(line.rfind(' ') + 1);
        if (line.starts_with("best ") && drops.size() == 1 && drops[0] <= '6')
            best.emplace_back(line.substr(5));
    }
    auto flip = [](e::Value v) {
        return v.kind == e::Value::Win ? e::Value{e::Value::Loss, static_cast<std::int8_t>(v.n - 1)}
                                       : e::Value{e::Value::Win, v.n};
    };
    const auto seed = static_cast<unsigned>(std::random_device{}());
    std::mt19937 rng(seed);
    auto analyser = std::make_unique<e::Analyser>();
    for (int i = 0; i < 4; ++i) {
        const e::DropValue d =
            first[std::uniform_int_distribution<std::size_t>(0, first.size() - 1)(rng)];
        e::Position p = e::startPosition();
        p.drop(d.move.sq, d.move.kind);
        EXPECT_EQ(analyser->valueOf(p, 4'000'000), flip(d.value)) << "seed " << seed;
    }
    for (int i = 0; i < 4 && !best.empty(); ++i) {
        // DROPS DROP VALUE N
        std::istringstream line(
            best[std::uniform_int_distribution<std::size_t>(0, best.size() - 1)(rng)]);
        std::string drops, drop, kind;
        int count = 0;
        line >> drops >> drop >> kind >> count;
        // The drops are a comma apart where afterDrops reads a space: it reads neither.
        e::Position p = afterDrops(drops + "," + drop);
        const e::Value v{kind == "win" ? e::Value::Win : e::Value::Loss,
                         static_cast<std::int8_t>(count)};
        // After the best drop the opponent is lost, or wins, exactly as the value says.
        EXPECT_EQ(analyser->valueOf(p, 4'000'000), flip(v))
            << drops << ' ' << drop << " seed " << seed;
    }
}
