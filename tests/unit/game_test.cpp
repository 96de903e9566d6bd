// Start-up, set-up, the menu commands and the mouse, through the recording window.
#include "Game.h"
#include "platform/PictureScale.h"
#include "platform/ScreenPlace.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

void expectFullHands(const Form1& f) {
    const int full[9] = {0, 9, 2, 2, 2, 2, 1, 1, 1};
    for (int k = 0; k <= 8; ++k) {
        EXPECT_EQ(f.先手持駒[k], full[k]) << k;
        EXPECT_EQ(f.後手持駒[k], full[k]) << k;
    }
    EXPECT_EQ(f.先手持駒合計, 20);
    EXPECT_EQ(f.後手持駒合計, 20);
}

int piecesOnBoard(const Form1& f) {
    int n = 0;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) n += f.盤[x][y] != 0;
    return n;
}

} // namespace

TEST(Load, StartsWithEmptyBoardFullHandsAndNoGame) {
    Game g;
    g->Form_Load();
    expectFullHands(*g);
    EXPECT_EQ(piecesOnBoard(*g), 0);
    EXPECT_EQ(g->手数, 0);
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->対局モード, F::モード_人間);
    EXPECT_TRUE(g.w.music);
    EXPECT_TRUE(g.w.messages.empty());
    // Placed at (−60, −60), 9000 × 8000 twips.
    EXPECT_EQ(g.w.left_, -60);
    EXPECT_EQ(g.w.top_, -60);
    EXPECT_EQ(g.w.width_, 9000);
    EXPECT_EQ(g.w.height_, 8000);
}

TEST(Load, LeavesAWindowAlreadyAtTopAlone) {
    Game g;
    g.w.top_ = -60;
    g->Form_Load();
    EXPECT_EQ(g.w.width_, 0); // place() was not called
}

TEST(Load, GeometryOfSquaresAndBoxes) {
    EXPECT_DOUBLE_EQ(F::横位置(F::後手結果X), 233.75);
    EXPECT_DOUBLE_EQ(F::縦位置(F::後手結果Y), 5942.5);
    EXPECT_DOUBLE_EQ(F::横位置(1), 1595);
    EXPECT_DOUBLE_EQ(F::縦位置(1), 715);
    EXPECT_DOUBLE_EQ(F::横位置(11.3), 6693.5);
}

TEST(Setup, MidGameRefillsButKeepsTurnAndMode) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    ASSERT_EQ(g->手番, F::後手);
    g->初期設定();
    expectFullHands(*g);
    EXPECT_EQ(piecesOnBoard(*g), 0);
    EXPECT_EQ(g->手番, F::後手);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->手順数, 0);
    EXPECT_EQ(g->手順最大, 0);
}

TEST(Menus, StartCommandsOnAFreshWindow) {
    {
        Game g;
        g->Form_Load();
        g->START_Click();
        EXPECT_EQ(g->対局モード, F::モード_人間);
        EXPECT_EQ(g->手番, F::先手);
        EXPECT_EQ(g->対局中, F::真);
        EXPECT_EQ(g.lastText(), "先手の番です");
        EXPECT_EQ(g.lastTitle(), " ");
    }
    {
        Game g;
        g->Form_Load();
        g->SENTE_Click();
        EXPECT_EQ(g->対局モード, F::モード_COM);
        EXPECT_EQ(g->人間側, F::先手);
        EXPECT_EQ(g->COM側, F::後手);
        EXPECT_EQ(g->手数, 0);
        EXPECT_EQ(g.lastText(), "先手の番です");
    }
    {
        Game g;
        g->Form_Load();
        g->GOTE_Click();
        EXPECT_TRUE(g.w.messages.empty()); // the computer opens without a word
        EXPECT_EQ(g->人間側, F::後手);
        EXPECT_EQ(g->COM側, F::先手);
        EXPECT_EQ(g->盤[5][5], F::先手歩);
        EXPECT_EQ(g->手数, 1);
        EXPECT_EQ(g->手番, F::後手);
    }
}

TEST(Menus, ReconfiguringARunningGame) {
    Game g;
    g->Form_Load();
    g->START_Click();
    // No move yet: 対局(COM) 先手 switches mode and keeps the board.
    g->SENTE_Click();
    EXPECT_EQ(g->対局モード, F::モード_COM);
    EXPECT_EQ(g.lastText(), "先手の番です");
    // 後手 with the human on 先手 lets the computer open.
    g->GOTE_Click();
    EXPECT_EQ(g->人間側, F::後手);
    EXPECT_EQ(g->盤[5][5], F::先手歩);
    // After a move every start command is refused and nothing changes.
    const int board55 = g->盤[5][5];
    g->START_Click();
    EXPECT_EQ(g.lastText(), "  局面 → 最初にして下さい");
    EXPECT_EQ(g.lastTitle(), "対局相手の途中変更は不可");
    g->SENTE_Click();
    EXPECT_EQ(g.lastTitle(), "途中設定変更は不可");
    g->GOTE_Click();
    EXPECT_EQ(g.lastTitle(), "途中設定変更は不可");
    EXPECT_EQ(g->盤[5][5], board55);
    EXPECT_EQ(g->手数, 1);
    EXPECT_EQ(g->対局モード, F::モード_COM);
}

TEST(Menus, StartWithNoMoveReportsWhoseTurn) {
    Game g;
    g->Form_Load();
    g->GOTE_Click();   // computer 先手 opens
    g->REPLAY_Click(); // back to the start: 手番 = 先手 (the computer)
    ASSERT_EQ(g->手数, 0);
    g->START_Click();
    EXPECT_EQ(g->対局モード, F::モード_人間);
    EXPECT_EQ(g.lastText(), "先手の番です");
    g->GOTE_Click(); // human already 後手 in the roles
    EXPECT_EQ(g.lastText(), "後手の番です");
    // 先手 now: the roles swap and the computer, now 後手, opens on (5, 5).
    g->SENTE_Click();
    EXPECT_EQ(g->人間側, F::先手);
    EXPECT_EQ(g->盤[5][5], F::後手歩);
    EXPECT_EQ(g->手番, F::先手);
}

TEST(Menus, AfterAWinEveryStartBeginsAnew) {
    for (auto start : {&Form1::START_Click, &Form1::SENTE_Click, &Form1::GOTE_Click}) {
        Game g;
        g->Form_Load();
        g->START_Click();
        g.playToSenteWin();
        ASSERT_EQ(g.lastText(), "先手の勝ちです");
        ASSERT_EQ(g->手番, F::終局);
        ((*g).*start)();
        EXPECT_EQ(g->対局中, F::真);
        EXPECT_EQ(g->手数, start == &Form1::GOTE_Click ? 1 : 0);
        EXPECT_EQ(g->先手持駒合計 + g->後手持駒合計, start == &Form1::GOTE_Click ? 39 : 40);
    }
}

TEST(Menus, QuitPathsReleaseEverySoundInOrder) {
    for (int path = 0; path < 3; ++path) {
        Game g;
        g->音_その他 = 0;
        g->Form_Load();
        g.s.calls.clear();
        if (path == 0) g->OWARI_Click();
        if (path == 1) g->Form_KeyDown(27, 0);
        if (path == 2) {
            int cancel = 0;
            g->Form_Unload(cancel);
        }
        EXPECT_TRUE(g.w.quitCalled);
        ASSERT_EQ(g.s.calls.size(), 6u) << path;
        for (int i = 0; i < 5; ++i) EXPECT_STREQ(g.s.calls[i].op, "free");
        EXPECT_EQ(g.s.calls[0].handle, g->音_その他);
        EXPECT_EQ(g.s.calls[4].handle, g->音_BGM);
        EXPECT_STREQ(g.s.calls[5].op, "terminate");
        // Nothing is handled once the program has ended.
        g->START_Click();
        g->Form_KeyDown(27, 0);
        EXPECT_EQ(g.s.calls.size(), 6u);
        EXPECT_EQ(g->対局中, F::偽);
    }
}

TEST(Menus, VersionBoxNamesTheGameAndPlaysTheChime) {
    Game g;
    g->Form_Load();
    g->VER_Click();
    EXPECT_EQ(g.lastTitle(), "その他");
    EXPECT_NE(g.lastText().find("Tarvenko"), std::string::npos);
    EXPECT_NE(g.lastText().find("1."), std::string::npos);
    EXPECT_EQ(g.s.calls.back().handle, g->音_その他);
    EXPECT_STREQ(g.s.calls.back().op, "play");
    g->MATCH_MAN_Click();
    EXPECT_EQ(g.w.messages.size(), 1u);
}

TEST(Mouse, RefusalsBeforeAndDuringAGame) {
    Game g;
    g->Form_Load();
    g.click(F::先手持駒列, 2);
    EXPECT_EQ(g.lastText(), "「対局」で始めて下さい");
    EXPECT_EQ(g.lastTitle(), "開始");
    EXPECT_EQ(g->選択状態, 0);

    g->START_Click();
    g.click(5, 5);
    EXPECT_EQ(g.lastText(), "張駒を選択して下さい");
    EXPECT_EQ(g.lastTitle(), "先手の番です");
    // Row 1 of 先手's column holds no kind.
    g.click(F::先手持駒列, 1);
    EXPECT_EQ(g.lastText(), "駒をクリックて下さい");
    EXPECT_EQ(g->選択状態, 0);
    // 後手's column is not 先手's own: nothing happens.
    const size_t before = g.w.messages.size();
    g.click(F::後手持駒列, 8);
    EXPECT_EQ(g.w.messages.size(), before);
    EXPECT_EQ(g->選択状態, 0);
}

TEST(Placement, TheReviewWindowOpensBesideTheMainWindowAndAlwaysOnTheScreen) {
    // A 1920 × 1080 screen whose top 30 pixels a panel takes, and a second one right of it;
    // the review window's frame is 400 × 600 and opens 8 pixels from the main window's.
    const ScreenBox first{0, 30, 1920, 1050}, second{1920, 0, 1280, 1024},
        left{-1280, 0, 1280, 1024};
    struct Row {
        ScreenBox main, area, want;
    };
    const Row rows[] = {
        {{0, 30, 620, 560}, first, {628, 30, 400, 600}},       // room on the right
        {{1290, 30, 620, 560}, first, {882, 30, 400, 600}},    // near the right edge: left
        {{0, 30, 1920, 1050}, first, {1520, 30, 400, 600}},    // maximised: inside, at the right
        {{0, 0, 1920, 1080}, first, {1520, 30, 400, 600}},     // full screen: below the panel
        {{500, 900, 620, 560}, first, {1128, 480, 400, 600}},  // half off the bottom
        {{1920, 0, 1280, 1024}, second, {2800, 0, 400, 600}},  // maximised on the second screen
        {{-1000, 100, 620, 560}, left, {-400, 100, 400, 600}}, // a screen left of the first
    };
    for (const Row& r : rows) {
        EXPECT_EQ(besideMain(r.main, 400, 600, r.area, 8), r.want) << r.main.x << "," << r.main.y;
    }
    // Taller than the screen: as tall as its free area. A kept place off every screen comes
    // back inside it, moved as little as it takes.
    EXPECT_EQ(besideMain({0, 30, 620, 560}, 400, 1200, first, 8), (ScreenBox{628, 30, 400, 1050}));
    EXPECT_EQ(insideArea({3000, 2000, 400, 600}, first), (ScreenBox{1520, 480, 400, 600}));
    EXPECT_EQ(insideArea({100, 200, 400, 600}, first), (ScreenBox{100, 200, 400, 600}));
}

TEST(Mouse, PointerToSquareConversionRoundsDown) {
    Game g;
    g->Form_Load();
    g->START_Click();
    // X = 1099 is column −1, 後手's hand: not 先手's own, nothing selected.
    g->Form_MouseDown(1, 0, 1099, static_cast<float>(Form1::縦位置(8) + 10));
    EXPECT_EQ(g->選択状態, 0);
    // X = 6545 is column 11, row 2: 先手's 歩.
    g->Form_MouseDown(1, 0, 6545, 1330);
    EXPECT_EQ(g->選択状態, 1);
    EXPECT_EQ(g->指し手[6], F::先手歩);
    EXPECT_EQ(g->指し手[1], 11);
    EXPECT_EQ(g->指し手[2], 2);
    // X = 1100 is column 0: neither board nor hand; the selection stays.
    g->Form_MouseDown(1, 0, 1100, 3000);
    EXPECT_EQ(g->選択状態, 1);
    // A wildly far click changes nothing either.
    g->Form_MouseDown(1, 0, -3.0e9f, 3.0e9f);
    EXPECT_EQ(g->選択状態, 1);

    // In a window of any size a device pixel counts as the logical pixel drawn there: anywhere
    // inside the drawn outline of a square or hand slot clicks that square or slot. The default
    // size, screens of ratio 1.5 and 2, and larger windows (picture 606 × 514, centred).
    const PictureScale scales[] = {
        PictureScale::fit(606, 514, 606, 514, 1),   PictureScale::fit(909, 771, 606, 514, 1.5),
        PictureScale::fit(1212, 1028, 606, 514, 2), PictureScale::fit(760, 700, 606, 514, 1),
        PictureScale::fit(1920, 1042, 606, 514, 1), PictureScale::fit(2560, 1390, 606, 514, 1),
        PictureScale::fit(1818, 1542, 606, 514, 1)};
    auto pixel = [](double twips) { return static_cast<int>(std::floor(twips / 15 + 0.5)); };
    for (const PictureScale& s : scales) {
        SCOPED_TRACE(s.k);
        // Inside the outline: past its left and top lines, before the next square's.
        auto inside = [&](int X, int Y) {
            const int l = s.x(pixel(F::横位置(X))) + s.lineWidth(),
                      r = s.x(pixel(F::横位置(X + 1)));
            const int t = s.y(pixel(F::縦位置(Y))) + s.lineWidth(),
                      b = s.y(pixel(F::縦位置(Y + 1)));
            return std::vector<std::pair<int, int>>{
                {l, t}, {r - 1, t}, {l, b - 1}, {r - 1, b - 1}, {(l + r) / 2, (t + b) / 2}};
        };
        auto click = [&](Game& game, int button, std::pair<int, int> device) {
            game->Form_MouseDown(button, 0, static_cast<float>(15 * s.pointX(device.first)),
                                 static_cast<float>(15 * s.pointY(device.second)));
        };
        for (int side : {F::先手, F::後手}) {
            Game h;
            h->Form_Load();
            h->START_Click();
            if (side == F::後手) h.drop(F::先手, 1, 5, 5);
            const int column = side == F::先手 ? F::先手持駒列 : F::後手持駒列;
            for (int kind = 1; kind <= 8; ++kind) {
                const int row = piece::handRow(side, kind);
                for (const auto& point : inside(column, row)) {
                    click(h, F::左ボタン, point);
                    EXPECT_EQ(h->選択状態, 1) << column << "," << row;
                    EXPECT_EQ(h->指し手[1], column);
                    EXPECT_EQ(h->指し手[2], row);
                    click(h, F::右ボタン, point); // the same slot again cancels
                    EXPECT_EQ(h->選択状態, 0) << column << "," << row;
                }
            }
        }
        for (int X = 1; X <= 9; ++X) {
            for (int Y = 1; Y <= 9; ++Y) {
                for (const auto& point : inside(X, Y)) {
                    Game h;
                    h->Form_Load();
                    h->START_Click();
                    h.select(F::先手, 5); // 金 may go on any square
                    click(h, F::左ボタン, point);
                    EXPECT_EQ(h->盤[X][Y], F::先手金) << X << "," << Y;
                }
            }
        }
    }
}

TEST(Mouse, SelectCancelAndReselect) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.select(F::先手, 5); // 金
    EXPECT_EQ(g->指し手[6], F::先手金);
    g.select(F::先手, 7); // 飛 replaces it
    EXPECT_EQ(g->指し手[6], F::先手飛);
    // A right click elsewhere in the hand selects.
    g.click(F::先手持駒列, 3, F::右ボタン);
    EXPECT_EQ(g->指し手[6], F::先手香);
    // A right click on the selected slot cancels.
    g.click(F::先手持駒列, 3, F::右ボタン);
    EXPECT_EQ(g->選択状態, 0);
    // After a drop the slot is still remembered: a right click there cancels, a left selects.
    g.drop(F::先手, 1, 5, 5);
    ASSERT_EQ(g->手番, F::後手);
    g.select(F::後手, 4);
    g.click(F::後手持駒列, 5, F::右ボタン);
    EXPECT_EQ(g->選択状態, 0);
}

TEST(Mouse, ADropDoesEverythingInOrder) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.s.calls.clear();
    g.drop(F::先手, 6, 5, 5); // 角, right button drops too
    EXPECT_EQ(g->盤[5][5], F::先手角);
    EXPECT_EQ(g->先手持駒[6], 0);
    EXPECT_EQ(g->先手持駒合計, 19);
    EXPECT_EQ(g->手数, 1);
    EXPECT_EQ(g->手順数, 1);
    EXPECT_EQ(g->手順_移動元X[1], 11);
    EXPECT_EQ(g->手順_移動元Y[1], 7);
    EXPECT_EQ(g->手順_移動先駒[1], F::先手角);
    EXPECT_EQ(g->手順_取駒[1], 0);
    EXPECT_EQ(g->選択状態, 0);
    EXPECT_EQ(g->手番, F::後手);
    EXPECT_EQ(g.count("play", g->音_駒打), 1);
    // Right-button drop by 後手 onto a square 先手's 角 attacks.
    g.select(F::後手, 1);
    g.click(4, 4, F::右ボタン);
    EXPECT_EQ(g->盤[4][4], F::後手歩);
    EXPECT_EQ(g->手順_移動元X[2], -1);
}

TEST(Mouse, AttackRuleTwoPawnsAndIllegalDrops) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.drop(F::先手, 1, 5, 5); // 歩 attacks (5,4) only
    g.drop(F::後手, 1, 1, 1); // refused: 後手 must drop on (5,4)
    EXPECT_EQ(g.lastTitle(), "注意");
    EXPECT_EQ(g.lastText(), "相手の利き筋に\r\r持駒を置いて下さい");
    EXPECT_EQ(g->盤[1][1], 0);
    EXPECT_EQ(g->選択状態, 1); // the selection stays for the next try
    g.click(5, 4);
    EXPECT_EQ(g->盤[5][4], F::後手歩);
    // 後手歩 on (5,4) attacks (5,5), which is full: 先手 may drop anywhere legal.
    g.drop(F::先手, 1, 5, 7); // second 先手歩 in column 5
    EXPECT_EQ(g.lastText(), "そこは二歩です");
    EXPECT_EQ(g.lastTitle(), "置けません");
    const size_t messages = g.w.messages.size();
    g.click(3, 1); // 歩 on the far row: refused without a word
    EXPECT_EQ(g.w.messages.size(), messages);
    EXPECT_EQ(g->盤[3][1], 0);
    g.click(5, 4); // occupied
    EXPECT_EQ(g->盤[5][4], F::後手歩);
    EXPECT_EQ(g->手数, 2);
    EXPECT_EQ(g->手番, F::先手);
}

TEST(Mouse, TwoHumansPlayToAWin) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.s.calls.clear();
    g.playToSenteWin();
    EXPECT_EQ(g->手数, 5);
    EXPECT_EQ(g.lastText(), "先手の勝ちです");
    EXPECT_EQ(g.lastTitle(), "終了");
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g.count("play", g->音_終局), 1);
    EXPECT_NEAR(g.w.clock, 1.2, 1e-6); // the blink's four pauses
    // The final position stays; a click is refused.
    EXPECT_EQ(g->盤[3][9], F::先手銀);
    g.click(5, 5);
    EXPECT_EQ(g.lastText(), "「対局」で始めて下さい");
}

TEST(Mouse, AgainstTheComputerItRepliesAndClicksOnItsTurnMakeItMove) {
    Game g;
    g->Form_Load();
    g->SENTE_Click();
    g.drop(F::先手, 1, 5, 5);
    EXPECT_EQ(g->手数, 2);             // the computer replied at once
    EXPECT_EQ(g->盤[5][4] != 0, true); // onto the only attacked square
    EXPECT_EQ(g->手番, F::先手);
    // The human may select only from its own hand, whatever the turn says.
    g->手番 = F::後手;
    g.click(F::後手持駒列, 8); // a click on the computer's turn: it moves, nothing selected
    EXPECT_EQ(g->手数, 3);
    EXPECT_EQ(g->選択状態, 0);
    EXPECT_EQ(g->手番, F::先手);
}

TEST(Keys, F1SwitchesTheMusicAndOtherKeysDoNothing) {
    Game g;
    g->Form_Load();
    const auto loopsAtLoad = g.count("loop", g->音_BGM);
    g->Form_KeyDown(112, 0);
    EXPECT_FALSE(g.w.music);
    EXPECT_EQ(g.count("stop", g->音_BGM), 1);
    g->Form_KeyDown(112, 0);
    EXPECT_TRUE(g.w.music);
    EXPECT_EQ(g.count("loop", g->音_BGM), loopsAtLoad + 1);
    g->BGM_Click();
    EXPECT_FALSE(g.w.music);
    const auto calls = g.s.calls.size();
    for (int key : {0, 13, 65, 113, 255, -1}) g->Form_KeyDown(key, 0);
    EXPECT_EQ(g.s.calls.size(), calls);
    EXPECT_FALSE(g.w.quitCalled);
}

TEST(Keys, TheCursorShowsAtTheFirstArrowAndStopsAtTheEndsOfTheOwnHand) {
    Game g;
    g->Form_Load();
    g->START_Click();
    EXPECT_FALSE(g.w.cursorShown);
    g->Form_KeyDown(40, 0); // shown on (5,5), not moved
    EXPECT_TRUE(g.w.cursorShown);
    EXPECT_EQ(g.w.cursorColour, 11);
    EXPECT_EQ(g.w.cursorX, F::横位置(5));
    EXPECT_EQ(g.w.cursorY, F::縦位置(5));
    for (int i = 0; i < 6; ++i) g->Form_KeyDown(39, 0); // past column 9 onto the hand, no further
    for (int i = 0; i < 9; ++i) g->Form_KeyDown(38, 0); // up to the 歩 slot, row 2
    EXPECT_EQ(g.w.cursorX, F::横位置(F::先手持駒列));
    EXPECT_EQ(g.w.cursorY, F::縦位置(2));
    g->Form_KeyDown(32, 0);
    EXPECT_EQ(g->選択状態, 1);
    EXPECT_EQ(g->指し手[6], F::先手歩);
    g->CANCEL_Click(); // a new game hides it until the next arrow
    EXPECT_FALSE(g.w.cursorShown);
}

namespace {

// Holds the analysis's requests; the test hands their results over itself.
struct HeldRunner final : analysis::Runner {
    std::vector<analysis::Request> asked;
    void start(const analysis::Request& r) override { asked.push_back(r); }
    void cancel(analysis::Request::Kind) override {}
};

} // namespace

TEST(Analysis, TheMarksFollowTheSelectedKindAndATipListsEveryKindBestFirst) {
    // At the start: every 歩 wins in 4, 香's are unknown, 桂's lose in 5, the others in 3.
    Game g;
    g->Form_Load();
    g->START_Click();
    HeldRunner runner;
    g->解析().use(&runner);
    g->ANALYSIS_Click();
    ASSERT_EQ(runner.asked.size(), 1u);
    const analysis::Request board = runner.asked[0];
    engine::Move drops[engine::maxMoves];
    const int n = engine::generateDrops(board.start, drops);
    for (int i = 0; i < n; ++i) {
        const int kind = drops[i].kind;
        const engine::Value v = kind == 1   ? engine::Value{engine::Value::Win, 4}
                                : kind == 2 ? engine::Value{}
                                : kind == 3 ? engine::Value{engine::Value::Loss, 5}
                                            : engine::Value{engine::Value::Loss, 3};
        g->解析().take({analysis::Request::Board, board.generation, i, drops[i], v});
    }
    g->解析().take({analysis::Request::Board, board.generation, -1, {}, {engine::Value::Win, 4}});
    g->解析().flush();
    // The best of any kind: 歩 wherever it may go (not the top row), else a loss in 3.
    auto marks = [&](bool win, int count) {
        int have = 0;
        for (int i = 0; i < g.w.analysis.count; ++i) have += g.w.analysis.marks[i].win == win;
        return have == count && g.w.analysis.count == 81;
    };
    EXPECT_TRUE(marks(true, 72));
    // 先手's 金 selected: its drops only, every one a loss; let go, the best of any kind.
    const auto slot = [&](int button) {
        g->Form_MouseDown(button, 0, static_cast<float>(F::横位置(F::先手持駒列) + 100),
                          static_cast<float>(F::縦位置(piece::handRow(F::先手, 5)) + 100));
        g->解析().update();
    };
    slot(F::左ボタン);
    EXPECT_EQ(g->解析().selectedKind(), 5);
    EXPECT_TRUE(marks(false, 81));
    slot(F::右ボタン);
    EXPECT_TRUE(marks(true, 72));
    EXPECT_EQ(g->解析().tip(5, 7),
              "歩　先手の勝ち（あと 4 手）\n香　不明\n桂　後手の勝ち（あと 5 手）\n"
              "銀　後手の勝ち（あと 3 手）\n金　後手の勝ち（あと 3 手）\n"
              "角　後手の勝ち（あと 3 手）\n飛　後手の勝ち（あと 3 手）\n"
              "王　後手の勝ち（あと 3 手）");
    // The top row takes neither 歩 nor 香 nor 桂; off the board there is nothing to tell.
    EXPECT_EQ(g->解析().tip(5, 1).rfind("銀　", 0), 0u);
    EXPECT_TRUE(g->解析().tip(10, 1).empty());
    // L asks for the proved line, with the drop the board's values proved first.
    g->Form_KeyDown('L', 0);
    ASSERT_EQ(runner.asked.size(), 2u);
    EXPECT_EQ(runner.asked[1].kind, analysis::Request::Line);
    EXPECT_EQ(runner.asked[1].value, (engine::Value{engine::Value::Win, 4}));
    ASSERT_EQ(runner.asked[1].count, 1);
    EXPECT_EQ(runner.asked[1].moves[0].kind, 1);
    EXPECT_EQ(g.w.analysis.moves, "読み筋を調べています…");
    g->解析().use(nullptr);
}

TEST(Analysis, AValueForAPositionNoLongerOnTheBoardIsNeverShown) {
    Game g;
    g->Form_Load();
    g->START_Click();
    HeldRunner runner;
    g->解析().use(&runner);
    g->ANALYSIS_Click();
    EXPECT_TRUE(g.w.analysisChecked);
    ASSERT_EQ(runner.asked.size(), 1u);
    const analysis::Request first = runner.asked[0];
    engine::Move drops[engine::maxMoves];
    ASSERT_GT(engine::generateDrops(first.start, drops), 1);
    analysis::Result r{
        analysis::Request::Board, first.generation, 0, drops[0], {engine::Value::Win, 3}};
    g->解析().take(r);
    g->解析().flush();
    EXPECT_EQ(g.w.analysis.count, 1);
    EXPECT_EQ(g.w.analysis.line, "解析中…");
    // 先手 drops: the marks go at once, before the drop's handler is over.
    g->記録して打つ(F::先手持駒列, 2, 5, 7, F::先手歩);
    EXPECT_EQ(g.w.analysis.count, 0);
    EXPECT_TRUE(g.w.analysis.line.empty());
    // The old position's values, late: nothing is shown.
    r.index = 1;
    r.move = drops[1];
    g->解析().take(r);
    g->解析().flush();
    EXPECT_EQ(g.w.analysis.count, 0);
    // After the event the new position is asked for; off, nothing more is.
    g->手番 = F::後手;
    g->解析().update();
    ASSERT_EQ(runner.asked.size(), 2u);
    EXPECT_NE(runner.asked[1].generation, first.generation);
    EXPECT_EQ(runner.asked[1].start.toMove, 1);
    g->ANALYSIS_Click();
    EXPECT_FALSE(g.w.analysisChecked);
    g->解析().update();
    EXPECT_EQ(runner.asked.size(), 2u);
    g->解析().use(nullptr);
}
