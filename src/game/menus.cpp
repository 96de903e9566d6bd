// The menu commands: starting a game, ending the program, the version box.
#include "game/Form1.h"
#include "texts/Texts.h"

#include "home/Home.h"

#ifndef TARVENKO_VERSION
#error "TARVENKO_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace tarvenko {

void Form1::START_Click() {
    対局を始める(モード_人間, 先手, 訳("対局相手の途中変更は不可"));
}

void Form1::SENTE_Click() {
    対局を始める(モード_COM, 先手, 訳("途中設定変更は不可"));
}

void Form1::GOTE_Click() {
    対局を始める(モード_COM, 後手, 訳("途中設定変更は不可"));
}

void Form1::対局を始める(int モード, int 人間, std::string_view 変更不可) {
    if (終了済み_) return;
    ヒント消去();
    const int com = 人間 == 先手 ? 後手 : 先手;
    // A puzzle gives way at once.
    if (手番 == 終局 || 対局中 == 偽 || 詰め中()) {
        初期設定();
        対局モード = モード;
        人間側 = 人間;
        COM側 = com;
        手番 = 先手;
        対局中 = 真;
        if (モード == モード_COM && 人間 == 後手) {
            com_ban();
        } else {
            番を知らせる(先手);
        }
    } else if (手数 > 0) {
        window_.messageBox(訳("  局面 → 最初にして下さい"), 変更不可, MessageIcon::None);
    } else {
        // Before the first move the sides may still change; a change gives the computer
        // its move at once.
        対局モード = モード;
        if (モード == モード_COM && 人間側 != 人間 && (人間側 == 先手 || 人間側 == 後手)) {
            全輪郭クリア();
            人間側 = 人間;
            COM側 = com;
            com_ban();
        } else {
            番を知らせる(モード == モード_人間 ? 手番 : 人間側);
        }
    }
}

void Form1::番を知らせる(int side) {
    if (side == 先手) {
        window_.messageBox(訳("先手の番です"), " ", MessageIcon::None);
    } else if (side == 後手) {
        window_.messageBox(訳("後手の番です"), " ", MessageIcon::None);
    }
}

void Form1::OWARI_Click() {
    if (終了済み_) return;
    ヒント消去();
    処理_終了();
}

void Form1::VER_Click() {
    if (終了済み_) return;
    ヒント消去();
    音_再生(音_その他);
    const std::string text = texts::fill(訳("Tarvenko  バージョン %1\r\r"
                                            "将棋の駒を盤に打って、自分の駒を縦・横・斜めに"
                                            "ちょうど三つ並べたほうが勝ちのゲームです。"),
                                         {TARVENKO_VERSION});
    window_.messageBox(text, 訳("その他"), MessageIcon::None);
}

void Form1::MATCH_MAN_Click() {}

void Form1::処理_終了() {
    // A close or a signal while a box of the ending waits changes nothing: the box answers.
    if (終了済み_ || 終了中_) return;
    終了中_ = true;
    if (home_) home_->programEnds(*this);
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
