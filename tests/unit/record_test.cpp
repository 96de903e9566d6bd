// The move record and stepping through it with 戻, 進 and 最初.
#include "Game.h"

#include <gtest/gtest.h>

using namespace tarvenko;
using F = Form1;

namespace {

struct Snapshot {
    int board[10][10];
    int sente[9], gote[9];
    int senteTotal, goteTotal, turn, moves;
    bool operator==(const Snapshot& o) const {
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                if (board[x][y] != o.board[x][y]) return false;
        for (int k = 0; k <= 8; ++k)
            if (sente[k] != o.sente[k] || gote[k] != o.gote[k]) return false;
        return senteTotal == o.senteTotal && goteTotal == o.goteTotal && turn == o.turn &&
               moves == o.moves;
    }
};

Snapshot snap(const Form1& f) {
    Snapshot s{};
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) s.board[x][y] = f.盤[x][y];
    for (int k = 0; k <= 8; ++k) s.sente[k] = f.先手持駒[k], s.gote[k] = f.後手持駒[k];
    s.senteTotal = f.先手持駒合計;
    s.goteTotal = f.後手持駒合計;
    s.turn = f.手番;
    s.moves = f.手数;
    return s;
}

// Three drops by two humans: 先手 (5,5) 歩, 後手 (5,4) 金, 先手 (4,4)... each allowed.
void threeMoves(Game& g) {
    g->Form_Load();
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    g.drop(F::後手, 5, 5, 4);
    g.drop(F::先手, 3, 4, 5); // 桂; 後手金 attacks (4,5)
    ASSERT_EQ(g->手数, 3) << g.lastText();
}

} // namespace

TEST(Record, FirstMoveIsEntryOne) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    EXPECT_EQ(g->手順数, 1);
    EXPECT_EQ(g->手順最大, 1);
    EXPECT_EQ(g->手順_移動元X[1], 11);
    EXPECT_EQ(g->手順_移動元Y[1], 2);
    EXPECT_EQ(g->手順_移動先X[1], 5);
    EXPECT_EQ(g->手順_移動先Y[1], 5);
    EXPECT_EQ(g->手順_移動元駒[1], F::先手歩);
    EXPECT_EQ(g->手順_移動先駒[1], F::先手歩);
    EXPECT_EQ(g->手順_取駒[1], F::空き);
}

TEST(Record, SaveReadsTheDestinationBeforeTheMoveAndCutsTheContinuation) {
    Game g;
    g->初期設定();
    g->盤[2][2] = F::後手金;
    g->手順保存(11, 2, 2, 2, F::先手歩, F::先手歩);
    EXPECT_EQ(g->手順_取駒[1], F::後手金);
    g->手順保存(-1, 8, 3, 3, F::後手歩, F::後手歩);
    g->手順保存(11, 3, 4, 4, F::先手香, F::先手香);
    g->手順数 = 1;
    g->手順保存(-1, 1, 6, 6, F::後手王, F::後手王);
    EXPECT_EQ(g->手順数, 2);
    EXPECT_EQ(g->手順最大, 2);
    EXPECT_EQ(g->手順_移動元駒[2], F::後手王);
}

TEST(Replay, RefusedAtTheEndsOfTheRecord) {
    Game g;
    g->Form_Load();
    g->REPLAY_Click();
    EXPECT_EQ(g.lastText(), "できません");
    EXPECT_EQ(g.lastTitle(), "戻る");
    g->AFTER_Click();
    EXPECT_EQ(g.lastTitle(), "進む");
    EXPECT_EQ(g.count("play", g->音_禁止), 2);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->手番, F::終局);
}

TEST(Replay, BackToTheStartAndForwardAgain) {
    Game g;
    threeMoves(g);
    const Snapshot end = snap(*g);
    g->REPLAY_Click();
    g->REPLAY_Click();
    g->REPLAY_Click();
    EXPECT_EQ(g->手数, 0);
    EXPECT_EQ(g->手順数, 0);
    EXPECT_EQ(g->手順最大, 3);
    EXPECT_EQ(g->手番, F::先手); // the side that made move 1
    EXPECT_EQ(g->先手持駒合計, 20);
    EXPECT_EQ(g->後手持駒合計, 20);
    const int full[9] = {0, 9, 2, 2, 2, 2, 1, 1, 1};
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(g->先手持駒[k], full[k]);
        EXPECT_EQ(g->後手持駒[k], full[k]);
    }
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) EXPECT_EQ(g->盤[x][y], 0);
    g->AFTER_Click();
    g->AFTER_Click();
    g->AFTER_Click();
    EXPECT_TRUE(snap(*g) == end);
    EXPECT_EQ(g->手番, F::後手); // the side that did not make move 3
    g->AFTER_Click();
    EXPECT_EQ(g.lastTitle(), "進む");
}

TEST(Replay, ANewMoveAfterStepsBackDropsTheRest) {
    Game g;
    threeMoves(g);
    g->REPLAY_Click();
    g->REPLAY_Click();
    EXPECT_EQ(g->手番, F::後手);
    EXPECT_EQ(g->対局中, F::真);
    g.drop(F::後手, 1, 5, 4);
    EXPECT_EQ(g->手順数, 2);
    EXPECT_EQ(g->手順最大, 2);
    g->AFTER_Click();
    EXPECT_EQ(g.lastText(), "できません");
}

TEST(Replay, StepsClearTheSelectionAndPlayTheClick) {
    Game g;
    threeMoves(g);
    g.select(F::後手, 1);
    ASSERT_EQ(g->選択状態, 1);
    g.s.calls.clear();
    g->REPLAY_Click();
    EXPECT_EQ(g->選択状態, 0);
    EXPECT_EQ(g.count("play", g->音_駒打), 1);
    g.select(F::先手, 1);
    g->AFTER_Click();
    EXPECT_EQ(g->選択状態, 0);
    EXPECT_EQ(g.count("play", g->音_駒打), 2);
}

TEST(Replay, BackAfterAWinResumesWithTheWinnerToMoveAndForwardWinsAgain) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.playToSenteWin();
    ASSERT_EQ(g.lastText(), "先手の勝ちです");
    g->REPLAY_Click();
    EXPECT_EQ(g->対局中, F::真);
    EXPECT_EQ(g->手番, F::先手);
    EXPECT_EQ(g->盤[3][9], 0);
    const size_t messages = g.w.messages.size();
    const double clock = g.w.clock;
    g->AFTER_Click();
    ASSERT_EQ(g.w.messages.size(), messages + 1);
    EXPECT_EQ(g.lastText(), "先手の勝ちです");
    EXPECT_NEAR(g.w.clock - clock, 1.2, 1e-6);
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
}

TEST(Replay, FirstPositionResetsEverything) {
    Game g;
    threeMoves(g);
    g->CANCEL_Click();
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->手数, 0);
    EXPECT_EQ(g->手順最大, 0);
    EXPECT_EQ(g->先手持駒合計, 20);
    EXPECT_EQ(g.count("play", g->音_駒打), 4);
    g->REPLAY_Click();
    EXPECT_EQ(g.lastTitle(), "戻る");
    g->AFTER_Click();
    EXPECT_EQ(g.lastTitle(), "進む");
    g.click(5, 5);
    EXPECT_EQ(g.lastText(), "「対局」で始めて下さい");
}

TEST(Replay, AgainstTheComputerAClickAfterBackLetsItMove) {
    Game g;
    g->Form_Load();
    g->SENTE_Click();
    g.drop(F::先手, 1, 5, 5); // the computer replies on (5,4)
    ASSERT_EQ(g->手数, 2);
    g->REPLAY_Click(); // takes back the computer's reply
    EXPECT_EQ(g->手番, F::後手);
    g.click(1, 1);
    EXPECT_EQ(g->手数, 2);
    EXPECT_EQ(g->手番, F::先手);
}
