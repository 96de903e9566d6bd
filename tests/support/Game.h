// A game on the recording window, with helpers that click like a player.
#pragma once

#include "Recording.h"
#include "game/Form1.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarvenko {

// Sets up a position from text, as one line: nine rows from the top, '/' between them, each
// row its nine squares from column 1: '.' empty (a digit: that many empty squares), or a
// piece letter P L N S G B R K (歩 香 桂 銀 金 角 飛 王), upper case 先手's, lower case 後手's.
// A hand is its eight counts in that order ("92222111" is the full set); an empty hand
// text gives the side's full set less its pieces on the board. Nothing is drawn.
inline void 局面を置く(Form1& f, std::string_view rows, std::string_view senteHand = "",
                       std::string_view goteHand = "") {
    constexpr std::string_view letters = "PLNSGBRK";
    constexpr int full[9] = {0, 9, 2, 2, 2, 2, 1, 1, 1};
    int x = 1, y = 1;
    for (int c = 0; c < 10; ++c) {
        for (int r = 0; r < 10; ++r) f.盤[c][r] = Form1::空き;
    }
    for (char ch : rows) {
        if (ch == '/') {
            if (x != 10) throw std::invalid_argument("a row of other than nine squares");
            x = 1, ++y;
            continue;
        }
        const int empties = ch == '.' ? 1 : (ch >= '1' && ch <= '9') ? ch - '0' : 0;
        if (x + (empties ? empties : 1) > 10 || y > 9) throw std::invalid_argument("too long");
        if (empties) {
            x += empties;
            continue;
        }
        const bool sente = ch >= 'A' && ch <= 'Z';
        const auto k = letters.find(static_cast<char>(sente ? ch : ch - 'a' + 'A'));
        if (k == std::string_view::npos) throw std::invalid_argument("no such piece");
        f.盤[x++][y] = piece::codeOf(sente ? Form1::先手 : Form1::後手, static_cast<int>(k) + 1);
    }
    if (x != 10 || y != 9) throw std::invalid_argument("not nine rows of nine squares");
    for (int side : {Form1::先手, Form1::後手}) {
        const std::string_view text = side == Form1::先手 ? senteHand : goteHand;
        int* hand = side == Form1::先手 ? f.先手持駒 : f.後手持駒;
        int& total = side == Form1::先手 ? f.先手持駒合計 : f.後手持駒合計;
        if (!text.empty() && text.size() != 8) throw std::invalid_argument("eight counts a hand");
        total = 0;
        for (int k = 1; k <= 8; ++k) {
            hand[k] = text.empty() ? full[k] : text[k - 1] - '0';
            if (text.empty()) {
                for (int c = 1; c <= 9; ++c) {
                    for (int r = 1; r <= 9; ++r) hand[k] -= f.盤[c][r] == piece::codeOf(side, k);
                }
            }
            total += hand[k];
        }
    }
}

struct Game {
    RecordingWindow w;
    RecordingSound s;
    std::unique_ptr<Form1> f = std::make_unique<Form1>(w, s);

    Form1& operator*() { return *f; }
    Form1* operator->() { return f.get(); }

    // The centre of square (X, Y), hand columns 11 and −1 included, in twips.
    static float cx(int X) { return static_cast<float>(Form1::横位置(X) + 247); }
    static float cy(int Y) { return static_cast<float>(Form1::縦位置(Y) + 307); }

    void click(int X, int Y, int button = Form1::左ボタン) {
        f->Form_MouseDown(button, 0, cx(X), cy(Y));
    }
    // Selects the kind in the own hand of the side to move (1 歩 … 8 王).
    void select(int side, int kind) {
        click(side == Form1::先手 ? Form1::先手持駒列 : Form1::後手持駒列,
              piece::handRow(side, kind));
    }
    void drop(int side, int kind, int X, int Y) {
        select(side, kind);
        click(X, Y);
    }
    // Puts a piece on the board as if it had been dropped from its side's hand.
    void place(int code, int X, int Y) {
        f->盤[X][Y] = code;
        const int kind = piece::kindOf(code);
        if (code < 0) {
            f->先手持駒[kind] -= 1;
            f->先手持駒合計 -= 1;
        } else {
            f->後手持駒[kind] -= 1;
            f->後手持駒合計 -= 1;
        }
    }
    // Two humans: 先手 wins along the bottom row in five drops, each where the placement
    // rule allows: 王 (1,9), 後手 王 (2,8), 金 (2,9), 後手 金 (1,8), 銀 (3,9).
    void playToSenteWin() {
        drop(Form1::先手, 8, 1, 9);
        drop(Form1::後手, 8, 2, 8);
        drop(Form1::先手, 5, 2, 9);
        drop(Form1::後手, 5, 1, 8);
        drop(Form1::先手, 4, 3, 9);
    }
    std::string lastTitle() const { return w.messages.empty() ? "" : w.messages.back().title; }
    std::string lastText() const { return w.messages.empty() ? "" : w.messages.back().text; }
    // Calls of one operation with one handle; a handle of 0 (a sound that did not load)
    // proves nothing, so it counts as −1.
    int count(const char* op, std::int32_t handle) const {
        if (handle == 0) return -1;
        int n = 0;
        for (const auto& c : s.calls) n += (std::string(c.op) == op && c.handle == handle);
        return n;
    }
};

// A game as 初期設定 leaves it: an empty board, full hands, no game under way.
struct SetUpGame : Game {
    SetUpGame() { f->初期設定(); }
};

} // namespace tarvenko
