// The move record and stepping through it with 戻, 進 and 最初.
#include "Game.h"
#include "Position.h"
#include "record/kifu.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

// ---- Records in files ----

namespace {

#define HEAD "Tarvenko 棋譜 1\n対局 人間\n"

struct Broken {
    const char* text;
    int line;
    const char* reason;
};

// One hand-broken record a row: where it goes wrong and what the player is told.
const Broken kBroken[] = {
    {"", 1, "棋譜が途中で終わっています"},
    {"Tarvenko 棋譜 2\n", 1, "この版の棋譜は読めません"},
    {"Tarvenko\n", 1, "Tarvenko の棋譜ではありません"},
    {"Tarvenko 棋譜 1\n対局 三人\n局面 0\n", 2, "対局の行が違います"},
    {"Tarvenko 棋譜 1\n対局 COM 三手 標準\n局面 0\n", 2, "対局の行が違います"},
    {"Tarvenko 棋譜 1\n対局 COM 先手最強\n局面 0\n", 2, "対局の行が違います"},
    {"Tarvenko 棋譜 1\n対局 COM 先手 弱い\n局面 0\n", 2, "強さが違います"},
    {HEAD "局面 -1\n", 3, "局面の行が違います"},
    {HEAD "局面 2\n▲５五歩\n", 3, "局面の番号が指し手の数を超えています"},
    {HEAD "局面 0\n▲５五と\n", 4, "指し手が読めません"},
    {HEAD "局面 0\n▲１一歩\n", 4, "その段には打てません"},
    {HEAD "局面 0\n▲５五歩\n▲４四歩\n", 5, "手番が違います"},
    {HEAD "局面 0\n▲５五歩\n△５五金\n", 5, "そのマスには駒があります"},
    {HEAD "局面 0\n▲５五歩\n△１一金\n", 5, "相手の利き筋に置いていません"},
    {HEAD "局面 0\n▲５五歩\n△５四金\n▲５三歩\n", 6, "そこは二歩です"},
    {HEAD "局面 0\n▲５五角\n△６四歩\n▲６五角\n", 6, "持駒にその駒がありません"},
    {HEAD "局面 0\n▲９九王\n△８八王\n▲８九金\n△９八金\n▲７九銀\n△１一歩\n", 9,
     "三つ並んで勝負がついた後の指し手です"},
    {HEAD "局面 0\n\n▲５五歩\n", 5, "空の行の後に続きがあります"},
};

} // namespace

TEST(Records, ABrokenRecordGivesItsLineAndReasonAndChangesNothing) {
    for (const Broken& b : kBroken) {
        Game g;
        threeMoves(g);
        const 局面 before(*g);
        kifu::Refusal why;
        EXPECT_FALSE(kifu::load(*g, b.text, why)) << b.text;
        EXPECT_EQ(why.line, b.line) << b.text;
        EXPECT_EQ(why.reason, b.reason) << b.text;
        EXPECT_TRUE(局面(*g) == before) << b.text;
    }
}

TEST(Records, AWonGameOpensFinished) {
    Game g;
    g->Form_Load();
    kifu::Refusal why;
    ASSERT_TRUE(
        kifu::load(*g, HEAD "局面 5\r\n▲９九王\n△８八王\n▲８九金\n△９八金\n▲７九銀\n\n", why))
        << why.reason;
    EXPECT_EQ(g.lastText(), "先手の勝ちです");
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->手数, 5);
    EXPECT_EQ(g->盤[3][9], F::先手銀);
    g->REPLAY_Click(); // and 戻 plays on from it
    EXPECT_EQ(g->手番, F::先手);
    EXPECT_EQ(g->盤[3][9], F::空き);
}

TEST(Records, SavedInTheMiddleOfBackOpensAsItWas) {
    Game g;
    g->Form_Load();
    g->GOTE_Click(); // the computer opens as 先手
    g.drop(F::後手, 1, 5, 4);
    g.drop(F::後手, 5, 4, 4);
    g->REPLAY_Click();
    g->REPLAY_Click();
    g->LEVEL_STRONGEST_Click();
    kifu::save(*g, "middle.tkf");
    ASSERT_TRUE(g.w.messages.empty() || g.lastTitle() != "棋譜を保存") << g.lastText();

    Game h;
    h->Form_Load();
    h.files.put("middle.tkf", g.files.entries.at("middle.tkf").bytes);
    kifu::open(*h, "middle.tkf");
    ASSERT_TRUE(h.w.messages.empty()) << h.lastText();
    EXPECT_TRUE(局面(*h) == 局面(*g));
    EXPECT_EQ(kifu::text(*h), kifu::text(*g));
    EXPECT_EQ(h->強さ, F::強さ_最強);
    EXPECT_NE(kifu::text(*h).find("\n対局 COM 後手 最強\n"), std::string::npos);
    h->AFTER_Click();
    g->AFTER_Click();
    EXPECT_TRUE(局面(*h) == 局面(*g));
    // A record without a strength is 標準's.
    kifu::Refusal why;
    ASSERT_TRUE(kifu::load(*h, "Tarvenko 棋譜 1\n対局 COM 先手\n局面 0\n", why));
    EXPECT_EQ(h->強さ, F::強さ_標準);
}

TEST(Records, FailuresToSaveOrOpenAreToldAndTheGameGoesOn) {
    Game g;
    threeMoves(g);
    const 局面 before(*g);
    g.files.writeResult = Files::Written::DiskFull;
    kifu::save(*g, "/full/game.tkf");
    EXPECT_EQ(g.lastTitle(), "棋譜を保存");
    EXPECT_EQ(g.lastText(), "棋譜を保存できませんでした\r\rgame.tkf\rディスクに空きがありません");
    EXPECT_EQ(g.files.entries.count("/full/game.tkf"), 0u);
    kifu::open(*g, "/nonexistent-folder/game.tkf");
    EXPECT_EQ(g.lastTitle(), "棋譜を開く");
    EXPECT_EQ(g.lastText(), "棋譜を開けませんでした\r\rgame.tkf\rファイルがありません");
    g.files.entries["fifo.tkf"].status = Files::Status::NotAFile;
    kifu::open(*g, "fifo.tkf");
    EXPECT_EQ(g.lastText(), "棋譜を開けませんでした\r\rfifo.tkf\rファイルではありません");
    EXPECT_TRUE(局面(*g) == before);
    g.drop(F::後手, 1, 5, 3); // play goes on
    EXPECT_EQ(g->手数, 4);
    g->CANCEL_Click();
    kifu::save(*g, "nothing.tkf");
    EXPECT_EQ(g.lastText(), "保存する対局がありません");
    g.w.messages.clear();
    g->KIFU_SAVE_Click(); // said before the dialog, which here chooses nothing
    ASSERT_EQ(g.w.messages.size(), 1u);
    EXPECT_EQ(g.lastText(), "保存する対局がありません");
}
