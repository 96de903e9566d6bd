// The menu commands: starting a game, ending the program, the version box.
#include "game/Form1.h"

#ifndef TARVENKO_VERSION
#error "TARVENKO_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace tarvenko {

void Form1::START_Click() {
    if (終了済み_) return;
    if (手番 == 終局 || 対局中 == 偽) {
        初期設定();
        対局モード = モード_人間;
        人間側 = 先手;
        COM側 = 後手;
        手番 = 先手;
        対局中 = 真;
        window_.messageBox("先手の番です", " ", MessageIcon::None);
    } else if (手数 > 0) {
        window_.messageBox("  局面 → 最初にして下さい", "対局相手の途中変更は不可",
                           MessageIcon::None);
    } else {
        対局モード = モード_人間;
        if (手番 == 先手) {
            window_.messageBox("先手の番です", " ", MessageIcon::None);
        } else if (手番 == 後手) {
            window_.messageBox("後手の番です", " ", MessageIcon::None);
        }
    }
}

void Form1::SENTE_Click() {
    if (終了済み_) return;
    if (手番 == 終局 || 対局中 == 偽) {
        初期設定();
        対局モード = モード_COM;
        人間側 = 先手;
        COM側 = 後手;
        手番 = 先手;
        対局中 = 真;
        window_.messageBox("先手の番です", " ", MessageIcon::None);
    } else if (手数 > 0) {
        window_.messageBox("  局面 → 最初にして下さい", "途中設定変更は不可", MessageIcon::None);
    } else {
        対局モード = モード_COM;
        if (人間側 == 先手) {
            window_.messageBox("先手の番です", " ", MessageIcon::None);
        } else if (人間側 == 後手) {
            全輪郭クリア();
            人間側 = 先手;
            COM側 = 後手;
            com_ban();
        }
    }
}

void Form1::GOTE_Click() {
    if (終了済み_) return;
    if (手番 == 終局 || 対局中 == 偽) {
        初期設定();
        対局モード = モード_COM;
        人間側 = 後手;
        COM側 = 先手;
        手番 = 先手;
        対局中 = 真;
        com_ban();
    } else if (手数 > 0) {
        window_.messageBox("  局面 → 最初にして下さい", "途中設定変更は不可", MessageIcon::None);
    } else {
        対局モード = モード_COM;
        if (人間側 == 先手) {
            全輪郭クリア();
            人間側 = 後手;
            COM側 = 先手;
            com_ban();
        } else if (人間側 == 後手) {
            window_.messageBox("後手の番です", " ", MessageIcon::None);
        }
    }
}

void Form1::OWARI_Click() {
    if (終了済み_) return;
    処理_終了();
}

void Form1::VER_Click() {
    if (終了済み_) return;
    音_再生(音_その他);
    window_.messageBox("Tarvenko  バージョン " TARVENKO_VERSION "\r\r"
                       "将棋の駒を盤に打って、自分の駒を縦・横・斜めに"
                       "ちょうど三つ並べたほうが勝ちのゲームです。",
                       "その他", MessageIcon::None);
}

void Form1::MATCH_MAN_Click() {}

void Form1::処理_終了() {
    if (終了済み_) return;
    sound_.dsFree(音_その他);
    sound_.dsFree(音_禁止);
    sound_.dsFree(音_駒打);
    sound_.dsFree(音_終局);
    sound_.dsFree(音_BGM);
    サウンド_終了();
    終了済み_ = true;
    window_.quit();
}

} // namespace tarvenko
