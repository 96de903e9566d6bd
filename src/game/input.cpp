// The mouse and the keys: select a piece in the own hand, drop it on the board.
#include "analysis/Presentation.h"
#include "game/Form1.h"
#include "texts/Texts.h"

#include <cmath>

namespace tarvenko {

namespace {

// The square column or row of a position in twips. A point left of or above a square's edge
// belongs to the square before it, negative squares included, hence the floor; far-off positions
// are clamped so that the conversion can never overflow.
int 桝目(float 位置, double 原点, double 幅) {
    const double f = std::floor((static_cast<double>(位置) - 原点) / 幅);
    return static_cast<int>(std::fmax(-1000.0, std::fmin(1000.0, std::isnan(f) ? -1000 : f)));
}

// L shows or hides the proved line of play, as a click on the line under the board does.
constexpr int キー_読み筋 = 'L';

} // namespace

void Form1::Form_MouseDown(int Button, int /*Shift*/, float X, float Y) {
    if (終了済み_) return;
    // The line under the board that tells a proved value: its line of play, shown or hidden.
    if (Button == 左ボタン && 解析_ && 解析_->lineAt(X, Y) && 解析_->toggleLine()) return;
    ヒント消去();
    if (対局中 == 偽) {
        音_再生(音_禁止);
        window_.messageBox(訳("「対局」で始めて下さい"), 訳("開始"), MessageIcon::None);
        return;
    }
    if (対局モード == モード_COM && 手番 == COM側) {
        com_ban();
        return;
    }

    const int SX = 桝目(X, 原点X, 桝幅);
    const int SY = 桝目(Y, 原点Y, 桝高);
    if (Button == 右ボタン && SX == 指し手[1] && SY == 指し手[2]) {
        選択状態 = 0;
        全輪郭クリア();
    } else if (盤内(SX, SY)) {
        盤をクリック(SX, SY);
    } else {
        持駒をクリック(SX, SY);
    }
}

void Form1::盤をクリック(int SX, int SY) {
    if (選択状態 == 0) {
        音_再生(音_禁止);
        if (手番 == 先手) {
            window_.messageBox(訳("張駒を選択して下さい"), 訳("先手の番です"), MessageIcon::None);
        } else if (手番 == 後手) {
            window_.messageBox(訳("張駒を選択して下さい"), 訳("後手の番です"), MessageIcon::None);
        }
        return;
    }

    指し手[3] = SX;
    指し手[4] = SY;
    調査_利き筋(手番 == 先手 ? 後手 : 先手);
    if (調査_利筋あるか() == 真 && 利き筋[SX][SY] == 偽) {
        描画_置可能桝色(色_白);
        音_再生(音_禁止);
        window_.messageBox(訳("相手の利き筋に\r\r持駒を置いて下さい"), 訳("注意"),
                           MessageIcon::None);
        return;
    }
    調査_2歩フラグ設定();
    if (移動チェック_2歩か(指し手[3], 指し手[6]) == 真) {
        音_再生(音_禁止);
        window_.messageBox(訳("そこは二歩です"), 訳("置けません"), MessageIcon::None);
        return;
    }
    if (移動チェック(指し手[1], 指し手[2], 指し手[3], 指し手[4], 指し手[6]) == 偽) {
        音_再生(音_禁止);
        return;
    }

    選択状態 = 0;
    記録して打つ(指し手[1], 指し手[2], 指し手[3], 指し手[4], 指し手[6]);
    音_再生(音_駒打);
    描画_移動結果(指し手[3], 指し手[4], 指し手[6], 移動結果色);
    描画_将棋盤桝();
    const bool won = 勝ちなら終える(手番, 指し手[3], 指し手[4]);

    if (対局モード == モード_人間) {
        if (手番 == 先手) {
            手番 = 後手;
        } else if (手番 == 後手) {
            手番 = 先手;
        }
    } else if (!won) {
        com_ban();
    }
}

void Form1::持駒をクリック(int SX, int SY) {
    // The previous selection's highlight goes, whatever was clicked.
    描画_移動可能桝色(指し手[1], 指し手[2], 盤輪郭色, 指し手[6]);
    描画_桝輪郭(盤輪郭色, 指し手[1], 指し手[2]);

    const int own = 対局モード == モード_COM ? 人間側 : 手番;
    const int column = own == 先手 ? 先手持駒列 : 後手持駒列;
    if (SX != column || SY < 1 || SY > 桝数) return;
    if (取得_持駒数(手番, SY) <= 0) {
        window_.messageBox(訳("駒をクリックて下さい"), 訳("開始"), MessageIcon::None);
        return;
    }
    指し手[6] = 取得_持駒(手番, SY);
    指し手[1] = column;
    指し手[2] = SY;
    調査_2歩フラグ設定();
    選択状態 = 1;
    描画_桝輪郭(色_赤, column, SY);
}

void Form1::Form_KeyDown(int KeyCode, int /*Shift*/) {
    // The hint stays while the cursor moves: Enter, Space and Backspace click, and a click
    // takes it away.
    if (終了済み_) return;
    if (KeyCode == 27) {
        処理_終了();
    } else if (KeyCode == 112) {
        処理_BGM();
    } else if (KeyCode == キー_読み筋) {
        if (解析_) 解析_->toggleLine();
    } else {
        キー操作(KeyCode);
    }
}

void Form1::Form_Unload(int& /*Cancel*/) {
    if (終了済み_) return;
    処理_終了();
}

} // namespace tarvenko
