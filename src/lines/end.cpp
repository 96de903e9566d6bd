// The end of a game: judging the mover's drop, naming the winner, blinking the row.
#include "game/Form1.h"
#include "texts/Texts.h"

#include "home/Home.h"

#include <string>

namespace tarvenko {

int Form1::終了_判定(int IN_手番, int IN_先X, int IN_先Y) const {
    return 調査_3並び(IN_手番, IN_先X, IN_先Y) == 真 ? 真 : 偽;
}

void Form1::終了_処理(int IN_移動駒) {
    const int side = 取得_手番(IN_移動駒);
    if (詰め中() && 詰め().solvedBy(side)) {
        対局中 = 偽;
        手番 = 終局;
        return;
    }
    if (home_) home_->gameEnded(*this, side);
    if (対局モード == モード_人間) {
        if (side == 先手) {
            終了("先手");
        } else if (side == 後手) {
            終了("後手");
        }
    } else if (対局モード == モード_COM) {
        if (side == COM側) {
            終了("ＣＯＭ");
        } else if (side == 人間側) {
            終了("あなた");
        }
    }
    対局中 = 偽;
}

// The whole sentence of each winner, so that a catalogue can word each its own way.
[[maybe_unused]] constexpr const char* 勝ちの文[] = {
    TARVENKO_TEXT("先手の勝ちです"), TARVENKO_TEXT("後手の勝ちです"),
    TARVENKO_TEXT("ＣＯＭの勝ちです"), TARVENKO_TEXT("あなたの勝ちです")};

void Form1::終了(std::string_view 勝手) {
    char text[64];
    const std::string_view tail = "の勝ちです";
    const std::size_t n = 勝手.copy(text, sizeof text - tail.size() - 1);
    tail.copy(text + n, tail.size());
    text[n + tail.size()] = '\0';
    window_.messageBox(texts::translate(texts::kContext, text), 訳("終了"), MessageIcon::None);
    手番 = 終局;
}

void Form1::描画_点滅3並び(int IN_手番, int IN_X, int IN_Y, int IN_点滅回数) {
    音_再生(音_終局);

    // Where two axes both make three, the last of the row test's order is shown.
    並び 列{};
    const int n = 調査_3並び(IN_手番, IN_X, IN_Y, 列, true) == 真 ? 3 : 0;

    for (int k = 0; k < IN_点滅回数; ++k) {
        for (int i = 0; i < n; ++i) 描画_桝(列.X[i], 列.Y[i]);
        window_.refresh();
        待ち時間(0.3);
        for (int i = 0; i < n; ++i) {
            描画_絵(盤[列.X[i]][列.Y[i]], 列.X[i], 列.Y[i]);
            描画_桝輪郭(背景色, 列.X[i], 列.Y[i]);
        }
        window_.refresh();
        待ち時間(0.3);
    }
}

void Form1::待ち時間(double IN_秒) {
    // A monotonic clock, so the wait ends on time across midnight or a clock change; short
    // sleeps instead of spinning, and no input is handled meanwhile.
    constexpr double step = 0.01;
    const double deadline = window_.seconds() + IN_秒;
    // Every sleep lasts at least what it asks, so this many steps always cover the wait,
    // whatever a clock's resolution.
    const double most = IN_秒 / step + 2;
    int steps = 0;
    for (double now = window_.seconds(); now < deadline && steps < most; now = window_.seconds()) {
        const double left = deadline - now;
        window_.sleep(left < step ? left : step);
        ++steps;
    }
}

} // namespace tarvenko
