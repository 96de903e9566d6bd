// Playing with the keys: a cursor over the board and the hand board of the side to move.
// Enter and Space do what a left click on the cursor's square does, Backspace what a right
// click on the selected hand slot does, so every rule and message is the mouse's own.
#include "game/Form1.h"

namespace tarvenko {

namespace {

constexpr int キー_BS = 8, キー_Enter = 13, キー_Space = 32;
constexpr int キー_左 = 37, キー_上 = 38, キー_右 = 39, キー_下 = 40;
// Light cyan: a colour the board uses nowhere else.
constexpr int カーソル色 = 11;

} // namespace

void Form1::カーソル_初期化() {
    カーソル表示 = 偽;
    カーソルX = 5;
    カーソルY = 5;
    window_.showCursor(false, 0, 0, 0, 0, カーソル色);
}

bool Form1::キー操作(int KeyCode) {
    // The square's centre, as a click there would give it.
    auto click = [this](int button, int X, int Y) {
        Form_MouseDown(button, 0, static_cast<float>(横位置(X) + 桝幅 / 2),
                       static_cast<float>(縦位置(Y) + 桝高 / 2));
    };
    switch (KeyCode) {
    case キー_Enter:
    case キー_Space:
        if (カーソル表示 == 真) click(左ボタン, カーソルX, カーソルY);
        return true;
    case キー_BS:
        if (カーソル表示 == 真 && 選択状態 == 1) click(右ボタン, 指し手[1], 指し手[2]);
        return true;
    case キー_左:
    case キー_上:
    case キー_右:
    case キー_下:
        break;
    default:
        return false;
    }

    // The hand board the mouse may select from: the human's against the computer, else the
    // side to move's. Its eight slots are rows 2..9 for 先手 (right), 1..8 for 後手 (left).
    const int own = 対局モード == モード_COM ? 人間側 : 手番;
    const int hand = own == 後手 ? 後手持駒列 : 先手持駒列;
    const int top = piece::topHandRow(own == 後手 ? 後手 : 先手);
    if (カーソル表示 == 真) {
        int X = カーソルX, Y = カーソルY;
        if (X == 先手持駒列 || X == 後手持駒列) X = hand; // the turn has passed
        if (KeyCode == キー_左) {
            X = X == 先手持駒列 ? 9 : X == 1 && hand == 後手持駒列 ? hand : X > 1 ? X - 1 : X;
        } else if (KeyCode == キー_右) {
            X = X == 後手持駒列                ? 1
                : X == 9 && hand == 先手持駒列 ? hand
                : X < 9 && X > 0               ? X + 1
                                               : X;
        } else {
            Y += KeyCode == キー_上 ? -1 : 1;
        }
        const int low = X == hand ? top : 1, high = X == hand ? top + 7 : 9;
        カーソルX = X;
        カーソルY = Y < low ? low : Y > high ? high : Y;
    }
    カーソル表示 = 真; // the first arrow key only shows it
    window_.showCursor(true, static_cast<float>(横位置(カーソルX)),
                       static_cast<float>(縦位置(カーソルY)),
                       static_cast<float>(横位置(カーソルX + 1)),
                       static_cast<float>(縦位置(カーソルY + 1)), カーソル色);
    return true;
}

} // namespace tarvenko
