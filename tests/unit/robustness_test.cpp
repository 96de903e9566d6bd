// Random play: clicks anywhere with either button, every menu command but 終わり and any
// key but Esc, in many games. After every event the game's invariants must hold.
#include "Game.h"
#include "Position.h"
#include "game/menu_table.h"
#include "record/kifu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
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

namespace {

// Every byte of game state a record could touch, the scratch maps and flags included.
std::string everything(const Form1& f) {
    std::string s;
    auto add = [&s](const auto& v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); };
    add(f.盤), add(f.先手持駒), add(f.後手持駒), add(f.先手持駒合計), add(f.後手持駒合計);
    add(f.先手2歩フラグ), add(f.後手2歩フラグ), add(f.手番), add(f.手数), add(f.対局中);
    add(f.対局モード), add(f.人間側), add(f.COM側), add(f.選択状態), add(f.指し手);
    add(f.利き筋), add(f.利き筋_保存), add(f.手順_移動元X), add(f.手順_移動元Y);
    add(f.手順_移動先X), add(f.手順_移動先Y), add(f.手順_取駒), add(f.手順_移動元駒);
    add(f.手順_移動先駒), add(f.手順数), add(f.手順最大), add(f.カーソル表示), add(f.カーソルX);
    add(f.カーソルY);
    return s;
}

// Records of random two-person games played with clicks, some stepped back with 戻.
std::vector<std::string> playedRecords(std::mt19937& rng, int count) {
    std::vector<std::string> out;
    while (static_cast<int>(out.size()) < count) {
        Game g;
        g->Form_Load();
        g->START_Click();
        for (int n = 0; n < 40 && g->対局中 == F::真; ++n) {
            std::vector<std::array<int, 3>> drops;
            打てる手を調べる(*g, g->手番, [&](int, int row, int x, int y, int) {
                drops.push_back({piece::kindAtRow(g->手番, row), x, y});
            });
            if (drops.empty()) break;
            const auto& d = drops[rng() % drops.size()];
            g.drop(g->手番, d[0], d[1], d[2]);
        }
        for (int back = static_cast<int>(rng() % 4); back > 0 && g->手順数 > 0; --back) {
            g->REPLAY_Click();
        }
        out.push_back(kifu::text(*g));
    }
    return out;
}

std::string mutated(std::mt19937& rng, const std::vector<std::string>& seeds) {
    static const char* const tokens[] = {"▲",  "△",  "１", "５", "９", "一", "五", "九", "歩",
                                         "香", "桂", "王", "\n", "\r", " ",  "0",  "40"};
    std::string t = seeds[rng() % seeds.size()];
    for (int n = 1 + static_cast<int>(rng() % 3); n > 0 && !t.empty(); --n) {
        const std::size_t at = rng() % t.size();
        const std::size_t line = t.rfind('\n', at) == std::string::npos ? 0 : t.rfind('\n', at) + 1;
        const std::size_t next = t.find('\n', at);
        const std::size_t end = next == std::string::npos ? t.size() : next + 1;
        switch (rng() % 7) {
        case 0: // truncated anywhere, even inside a character
            t.resize(at);
            break;
        case 1: // any byte
            t[at] = static_cast<char>(rng());
            break;
        case 2: // a notation character in place of another, so the line still reads
            t.replace(at - at % 3, 3, tokens[rng() % 12]);
            break;
        case 3: // a line gone
            t.erase(line, end - line);
            break;
        case 4: // a line twice
            t.insert(line, t.substr(line, end - line));
            break;
        case 5: // a line of another record
        {
            const std::string& o = seeds[rng() % seeds.size()];
            const std::size_t b = o.find('\n', rng() % o.size());
            if (b != std::string::npos) t.insert(line, o.substr(b + 1, o.find('\n', b + 1) - b));
            break;
        }
        default: // a token anywhere
            t.insert(at, tokens[rng() % std::size(tokens)]);
            break;
        }
    }
    return t;
}

} // namespace

// Mutated and truncated records through the loader: none may crash it, a refused one changes
// nothing and draws nothing, and an accepted one is a consistent game whose record reads back.
TEST(Robustness, BrokenRecordsChangeNothing) {
    std::mt19937 rng(20261208);
    const std::vector<std::string> seeds = playedRecords(rng, 40);
    Game g;
    g->Form_Load();
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    int drawn = 0;
    g.w.onOp = [&drawn](const RecordingWindow::Op&) { ++drawn; };
    std::string before = everything(*g);
    int accepted = 0, refused = 0, openedBy後手 = 0;
    for (int i = 0; i < 100000; ++i) {
        const std::string t = mutated(rng, seeds);
        const std::size_t messages = g.w.messages.size();
        drawn = 0;
        kifu::Refusal why;
        if (!kifu::load(*g, t, why)) {
            ++refused;
            ASSERT_EQ(everything(*g), before) << "refused but changed, record:\n" << t;
            ASSERT_EQ(drawn, 0) << t;
            ASSERT_EQ(g.w.messages.size(), messages) << t;
            ASSERT_GE(why.line, 1) << t;
            ASSERT_FALSE(why.reason.empty()) << t;
            openedBy後手 += why.line == 4 && why.reason == "手番が違います";
            continue;
        }
        ++accepted;
        ASSERT_EQ(check(*g), "") << t;
        ASSERT_TRUE(g->手順最大 == 0 || g->手順_移動先駒[1] < 0) << "後手 opened:\n" << t;
        const std::string back = kifu::text(*g);
        ASSERT_TRUE(kifu::load(*g, back, why)) << why.line << " " << why.reason << "\n" << back;
        ASSERT_EQ(kifu::text(*g), back);
        before = everything(*g);
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(refused, 50000);
    EXPECT_GT(openedBy後手, 10); // the first-move rule was met and held
}
