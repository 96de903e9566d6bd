// A game on the recording window, with helpers that click like a player.
#pragma once

#include "Recording.h"
#include "game/Form1.h"

#include <memory>
#include <string>

namespace tarvenko {

struct Game {
    RecordingWindow w;
    RecordingSound s;
    MemoryFiles files; // the five sounds, short and silent
    std::unique_ptr<Form1> f = std::make_unique<Form1>(w, s, files);

    Game() { files.putTheFive(); }

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
        if (side == Form1::先手) {
            click(Form1::先手持駒列, kind + 1);
        } else {
            click(Form1::後手持駒列, 9 - kind);
        }
    }
    void drop(int side, int kind, int X, int Y) {
        select(side, kind);
        click(X, Y);
    }
    // Puts a piece on the board as if it had been dropped from its side's hand.
    void place(int code, int X, int Y) {
        f->盤[X][Y] = code;
        const int kind = kindOf(code);
        if (code < 0) {
            f->先手持駒[kind] -= 1;
            f->先手持駒合計 -= 1;
        } else {
            f->後手持駒[kind] -= 1;
            f->後手持駒合計 -= 1;
        }
    }
    static int kindOf(int code) {
        const int a = code < 0 ? -code : code;
        constexpr int codes[9] = {0, 10, 20, 30, 100, 110, 800, 900, 950};
        for (int k = 1; k <= 8; ++k) {
            if (codes[k] == a) return k;
        }
        return 0;
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
