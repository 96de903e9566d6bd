// The window's text: labels, counts, the move counter and the last-move boxes. Every
// text area is erased in the background colour before it is written.
#include "game/Form1.h"

#include <cstdio>

namespace tarvenko {

namespace {

constexpr const char* 全角数字[10] = {"", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr const char* 漢数字[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};

// The character of each kind; index 0 is no kind.
constexpr const char* 駒の字[piece::種類数 + 1] = {nullptr, "歩", "香", "桂", "銀",
                                                   "金",    "角", "飛", "王"};

} // namespace

void Form1::文字出力(double x, double y, std::string_view text, int 色) {
    window_.drawText(static_cast<float>(x), static_cast<float>(y), text, 文字サイズ, 文字太字, 色);
}

void Form1::描画_数値(double 入力X, double 入力Y, int 数値, int 色, int モード,
                      float フォントサイズ) {
    文字サイズ = フォントサイズ;
    描画_四角形(入力X, 入力Y, 400, 350, 背景色);
    if (モード == 0) {
        // A number is written with one leading blank where its sign would stand.
        char text[16];
        std::snprintf(text, sizeof text, "%s%d", 数値 < 0 ? "" : " ", 数値);
        文字出力(横位置(入力X), 縦位置(入力Y), text, 色);
    } else if (数値 >= 1 && 数値 <= 9) {
        文字出力(横位置(入力X), 縦位置(入力Y), 漢数字[数値], 色);
    }
}

void Form1::描画_数値(double 入力X, double 入力Y, std::string_view 数値, int 色, int モード,
                      float フォントサイズ) {
    文字サイズ = フォントサイズ;
    描画_四角形(入力X, 入力Y, 400, 350, 背景色);
    // A text is only ever written unchanged; a kanji numeral needs a number.
    if (モード == 0) 文字出力(横位置(入力X), 縦位置(入力Y), 数値, 色);
}

void Form1::描画_桝_数値() {
    文字太字 = true;
    for (int i = 1; i <= 9; ++i) {
        描画_数値(i + 0.1, 0.4, 10 - i, 色_白, 0, 16);
        描画_数値(10.1, i + 0.3, i, 色_白, 1, 12);
    }
}

void Form1::描画_手数(int 数値, int /*色: the counter is always white*/) {
    描画_四角形(手数表示X, 手数表示Y, 手数枠幅, 手数枠高, 背景色);
    if (数値 < 10) {
        描画_数値(手数表示X + 0.1, 手数表示Y, 数値, 色_白, 0, 12);
    } else {
        描画_数値(手数表示X, 手数表示Y, 数値, 色_白, 0, 12);
    }
    描画_文字列(手数表示X + 0.7, 手数表示Y - 0.2, 99, 色_白, 10);
}

void Form1::描画_文字列(double 入力X, double 入力Y, int /*数値*/, int 色, float サイズ) {
    描画_四角形(入力X, 入力Y, 2200, 560, 背景色);
    文字サイズ = サイズ;
    文字出力(横位置(入力X) + 120, 縦位置(入力Y) + 160, "手目", 色);
}

void Form1::描画_移動結果(int 移動先X, int 移動先Y, int 移動駒, int 駒色) {
    const int s = 取得_手番(移動駒);
    double bx, by;
    if (s == 先手) {
        bx = 先手結果X, by = 先手結果Y;
    } else if (s == 後手) {
        bx = 後手結果X, by = 後手結果Y;
    } else {
        return; // a code of no side has no box
    }
    描画_四角形(bx, by, 結果枠幅, 結果枠高, 背景色);
    描画_移動駒種類(bx, by, 10 - 移動先X, 駒色);
    描画_移動駒種類(bx + 0.4, by, 移動先Y + 漢数字印, 駒色);
    描画_移動駒種類(bx + 1, by, 移動駒, 駒色);
    window_.refresh();
}

void Form1::描画_移動駒種類(double 入力X, double 入力Y, int 駒種類, int 色) {
    文字サイズ = 12;
    const char* text = nullptr;
    if (駒種類 >= 1 && 駒種類 <= 9) {
        text = 全角数字[駒種類];
    } else if (駒種類 >= 漢数字印 + 1 && 駒種類 <= 漢数字印 + 9) {
        text = 漢数字[駒種類 - 漢数字印];
    } else {
        text = 駒の字[piece::kindOf(駒種類)];
    }
    if (text != nullptr) 文字出力(横位置(入力X), 縦位置(入力Y), text, 色);
}

} // namespace tarvenko
