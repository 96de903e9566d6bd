// Random play: clicks anywhere with either button, every menu command but 終わり and any
// key but Esc, in many games. After every event the game's invariants must hold.
#include "Game.h"
#include "game/menu_table.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

// Returns an empty string when every invariant holds, else what is broken.
std::string check(const Form1& f) {
    for (int side : {-1, 1}) {
        const int* hand = side < 0 ? f.先手持駒 : f.後手持駒;
        int onBoard = 0, inHand = 0;
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) onBoard += f.盤[x][y] * side >= 10;
        for (int k = 1; k <= 8; ++k) {
            if (hand[k] < 0) return "negative count";
            inHand += hand[k];
        }
        if (onBoard + inHand != 20) return "pieces do not add up to 20";
        if (inHand != (side < 0 ? f.先手持駒合計 : f.後手持駒合計)) return "hand total";
        for (int x = 1; x <= 9; ++x) {
            int pawns = 0;
            for (int y = 1; y <= 9; ++y) pawns += f.盤[x][y] == side * 10;
            if (pawns > 1) return "two pawns in a column";
        }
        const int far = side < 0 ? 1 : 9, next = side < 0 ? 2 : 8;
        for (int x = 1; x <= 9; ++x) {
            const int a = f.盤[x][far], b = f.盤[x][next];
            if (a == piece::codeOf(side * 10, piece::歩) ||
                a == piece::codeOf(side * 10, piece::香) ||
                a == piece::codeOf(side * 10, piece::桂) ||
                b == piece::codeOf(side * 10, piece::桂))
                return "piece on a row it can never leave";
        }
    }
    if (f.手数 != f.手順数) return "move count differs from record position";
    if (f.手順数 > f.手順最大 || f.手順最大 > 40) return "record bounds";
    if (f.手番 != F::先手 && f.手番 != F::後手 && f.手番 != F::終局) return "turn code";
    if (f.対局中 == F::真) {
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) {
                const int c = f.盤[x][y];
                if (c == 0) continue;
                const int side = c < 0 ? F::先手 : F::後手;
                if (f.調査_3並び(side, x, y) == F::真) return "row of three in a running game";
            }
    }
    return {};
}

// Every menu command but 終わり.
std::vector<void (Form1::*)()> commands() {
    std::vector<void (Form1::*)()> all;
    for (const MenuItem& m : kMenu) {
        if (m.handler != nullptr && m.handler != &Form1::OWARI_Click) all.push_back(m.handler);
    }
    return all;
}

} // namespace

TEST(Robustness, RandomEventsKeepEveryInvariant) {
    std::mt19937 rng(20261207);
    const auto menu = commands();
    constexpr int kEvents = 200000;
    int events = 0, games = 0, wins = 0;
    while (events < kEvents) {
        Game g;
        g->Form_Load();
        ++games;
        // Each game gets a few hundred events, mostly clicks on the hands and the board so
        // that games really reach their ends; menus and keys come now and then.
        for (int i = 0; i < 800 && events < kEvents; ++i, ++events) {
            const int r = static_cast<int>(rng() % 100);
            if (r < 94) {
                float x, y;
                if (r < 40) { // a hand slot, usually of the side to move
                    const bool own = rng() % 5 != 0;
                    const bool sente = own ? g->手番 == F::先手 : rng() % 2 == 0;
                    x = Game::cx(sente ? 11 : -1);
                    y = Game::cy(1 + static_cast<int>(rng() % 9));
                } else if (r < 82) { // a square
                    x = Game::cx(1 + static_cast<int>(rng() % 9));
                    y = Game::cy(1 + static_cast<int>(rng() % 9));
                } else { // anywhere in and around the window
                    x = static_cast<float>(static_cast<int>(rng() % 12000) - 1500);
                    y = static_cast<float>(static_cast<int>(rng() % 10000) - 1500);
                }
                const int button = rng() % 4 == 0 ? F::右ボタン : F::左ボタン;
                g->Form_MouseDown(button, 0, x, y);
            } else if (r < 99) {
                (g.f.get()->*menu[rng() % menu.size()])();
            } else {
                int key = static_cast<int>(rng() % 256);
                if (key == 27) key = 112;
                g->Form_KeyDown(key, 0);
            }
            const std::string broken = check(*g);
            ASSERT_EQ(broken, "") << "game " << games << ", event " << i;
            ASSERT_FALSE(g.w.quitCalled);
            if (!g.w.messages.empty() && g.w.messages.back().title == "終了") {
                ++wins;
                g.w.messages.clear();
            }
        }
    }
    // The random play must actually reach the ends of games, or it proves little.
    EXPECT_GT(wins, 40);
    EXPECT_GT(games, 100);
}
