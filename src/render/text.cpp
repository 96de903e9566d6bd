// The window's text: labels, counts, the move counter and the last-move boxes. Every
// text area is erased in the background colour before it is written.
#include "game/Form1.h"
#include "record/kifu.h"
#include "render/notation.h"
#include "texts/Texts.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace tarvenko {

namespace {

// Columns, rows and kinds as the boxes and labels write them; a catalogue may write them
// otherwise (English: 5, e and P for ５, 五 and 歩).
constexpr const char* 全角数字[10] = {
    "",
    TARVENKO_TEXT("１"),
    TARVENKO_TEXT("２"),
    TARVENKO_TEXT("３"),
    TARVENKO_TEXT("４"),
    TARVENKO_TEXT("５"),
    TARVENKO_TEXT("６"),
    TARVENKO_TEXT("７"),
    TARVENKO_TEXT("８"),
    TARVENKO_TEXT("９"),
};
constexpr const char* 漢数字[10] = {
    "",
    TARVENKO_TEXT("一"),
    TARVENKO_TEXT("二"),
    TARVENKO_TEXT("三"),
    TARVENKO_TEXT("四"),
    TARVENKO_TEXT("五"),
    TARVENKO_TEXT("六"),
    TARVENKO_TEXT("七"),
    TARVENKO_TEXT("八"),
    TARVENKO_TEXT("九"),
};

// The character of each kind; index 0 is no kind.
constexpr const char* 駒の字[piece::種類数 + 1] = {
    nullptr,
    TARVENKO_TEXT("歩"),
    TARVENKO_TEXT("香"),
    TARVENKO_TEXT("桂"),
    TARVENKO_TEXT("銀"),
    TARVENKO_TEXT("金"),
    TARVENKO_TEXT("角"),
    TARVENKO_TEXT("飛"),
    TARVENKO_TEXT("王"),
};

// The layouts of the counter and of a last-move box: %1 the count; %1 column, %2 row, %3 kind.
// As written, each part is drawn at its own place; a catalogue's layout is one line of text.
constexpr const char* 手数の書式 = TARVENKO_TEXT("%1手目");
constexpr const char* 結果の書式 = TARVENKO_TEXT("%1%2%3");

// `layout` with %1..%3 replaced by the parts, into `out` (cut to its size).
std::string_view fill(std::string_view layout, std::initializer_list<std::string_view> parts,
                      char* out, std::size_t size) {
    std::size_t n = 0;
    auto put = [&](std::string_view t) {
        const std::size_t k = std::min(t.size(), size - n);
        t.copy(out + n, k);
        n += k;
    };
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const char c = layout[i];
        if (c == '%' && i + 1 < layout.size() && layout[i + 1] >= '1' &&
            static_cast<std::size_t>(layout[i + 1] - '1') < parts.size()) {
            put(parts.begin()[layout[i + 1] - '1']);
            ++i;
        } else {
            put(std::string_view(&c, 1));
        }
    }
    return std::string_view(out, n);
}

} // namespace

std::string 指し手の表示(int code, int X, int Y) {
    const std::string_view layout = 訳(結果の書式);
    if (layout == 結果の書式 || X < 1 || X > 9 || Y < 1 || Y > 9 || piece::kindOf(code) < 1 ||
        piece::kindOf(code) > piece::種類数)
        return kifu::表記(code, X, Y);
    char text[64];
    std::string out = code < 0 ? "▲" : "△";
    out += fill(layout, {訳(全角数字[10 - X]), 訳(漢数字[Y]), 訳(駒の字[piece::kindOf(code)])},
                text, sizeof text);
    return out;
}

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
        文字出力(横位置(入力X), 縦位置(入力Y), 訳(漢数字[数値]), 色);
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
    表示中の手数_ = 数値;
    const std::string_view layout = 訳(手数の書式);
    if (layout != 手数の書式) {
        描画_四角形(手数表示X + 0.7, 手数表示Y - 0.2, 2200, 560, 背景色);
        char number[16], text[64];
        const int k = std::snprintf(number, sizeof number, "%d", 数値);
        文字サイズ = 12;
        文字出力(横位置(手数表示X + 0.1), 縦位置(手数表示Y),
                 fill(layout, {std::string_view(number, static_cast<std::size_t>(k))}, text,
                      sizeof text),
                 色_白);
        return;
    }
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
    int* shown = 表示中の結果_[s == 先手 ? 0 : 1];
    shown[0] = 移動先X, shown[1] = 移動先Y, shown[2] = 移動駒;
    const std::string_view layout = 訳(結果の書式);
    if (layout != 結果の書式 && 移動先X >= 1 && 移動先X <= 9 && 移動先Y >= 1 && 移動先Y <= 9 &&
        piece::kindOf(移動駒) >= 1 && piece::kindOf(移動駒) <= piece::種類数) {
        char text[64];
        文字サイズ = 12;
        文字出力(横位置(bx), 縦位置(by),
                 fill(layout,
                      {訳(全角数字[10 - 移動先X]), 訳(漢数字[移動先Y]),
                       訳(駒の字[piece::kindOf(移動駒)])},
                      text, sizeof text),
                 駒色);
        window_.refresh();
        return;
    }
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

void Form1::文字を描き直す() {
    描画_桝_数値();
    if (表示中の手数_ >= 0) 描画_手数(表示中の手数_, 色_白);
    // 先手's box, then 後手's; each keeps its own colour as it was drawn last.
    for (int side = 0; side < 2; ++side) {
        const int* shown = 表示中の結果_[side];
        if (shown[2] != 0) 描画_移動結果(shown[0], shown[1], shown[2], 色_白);
    }
    if (詰め中()) 詰め().drawGoal();
}

} // namespace tarvenko
