// Start-up and the set-up of a new game.
#include "game/Form1.h"

#include "home/Home.h"

namespace tarvenko {

void Form1::Form_Load() {
    Form_Load_サウンド();
    Form_Load_画面();
}

void Form1::Form_Load_サウンド() {
    // The library, the five sounds, and the music with its check mark.
    サウンド_初期化(window_.handle());
    音_その他 = サウンド_読込("その他.wav", 3);
    音_禁止 = サウンド_読込("禁止.wav", 3);
    音_駒打 = サウンド_読込("駒打音.wav", 3);
    音_終局 = サウンド_読込("終局.wav", 3);
    音_BGM = サウンド_読込("BGM.wav", 1);
    // As the player left it; on at the first start.
    const bool music = home_ == nullptr || home_->musicAtStart();
    if (music) sound_.dsPlayLooping(音_BGM);
    window_.setMusicChecked(music);
}

void Form1::Form_Load_画面() {
    // The codes, geometry and colours are compile-time constants of Form1.
    手番 = 終局;

    window_.setBackground(背景色);
    描画_桝_数値();
    初期設定();
    描画_絵(絵_タイトル, 11.3, 0);

    if (window_.top() != -60) window_.place(-60, -60, 9000, 8000);
    if (home_) home_->screenLoaded(*this);
}

void Form1::初期設定() {
    if (home_) home_->gameLeft(*this);
    詰めを終える();
    対局中 = 偽;
    選択状態 = 0;
    手数 = 0;
    手順数 = 0;
    手順最大 = 0;
    カーソル_初期化();
    if (解析_) 解析_->positionChanged();

    for (int k = 0; k <= 8; ++k) {
        先手持駒[k] = piece::初期数[k];
        後手持駒[k] = piece::初期数[k];
    }
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) 盤[x][y] = 空き;
    }
    先手持駒合計 = 0;
    後手持駒合計 = 0;
    for (int k = 1; k <= 8; ++k) {
        if (先手持駒[k] > 0) 先手持駒合計 += 先手持駒[k];
        if (後手持駒[k] > 0) 後手持駒合計 += 後手持駒[k];
    }

    描画_黒持盤();
    描画_白持盤();
    描画_盤();

    描画_四角形(手数表示X, 手数表示Y, 手数枠幅, 手数枠高, 背景色);
    描画_四角形(先手結果X, 先手結果Y, 結果枠幅, 結果枠高, 背景色);
    描画_四角形(後手結果X, 後手結果Y, 結果枠幅, 結果枠高, 背景色);
}

} // namespace tarvenko
