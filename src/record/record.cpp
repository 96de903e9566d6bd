// The move record in memory, and stepping through it: 戻 back, 進 forward, 最初 reset.
#include "game/Form1.h"
#include "record/kifu.h"
#include "texts/Texts.h"

namespace tarvenko {

void Form1::手順保存(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動元駒,
                     int 移動先駒) {
    // A game has at most 40 moves; a record that is somehow full keeps what it has.
    if (手順数 + 1 >= 手順容量) return;
    const int n = ++手順数;
    手順_移動元X[n] = 移動元X;
    手順_移動元Y[n] = 移動元Y;
    手順_移動先X[n] = 移動先X;
    手順_移動先Y[n] = 移動先Y;
    手順_移動元駒[n] = 移動元駒;
    手順_移動先駒[n] = 移動先駒;
    手順_取駒[n] = 盤内(移動先X, 移動先Y) ? 盤[移動先X][移動先Y] : 空き;
    手順最大 = 手順数;
}

void Form1::REPLAY_Click() {
    if (終了済み_) return;
    ヒント消去();
    // A puzzle's position is where it begins.
    if (手順数 < 1 || (詰め中() && 手順数 <= 詰め().firstMove())) {
        音_再生(音_禁止);
        window_.messageBox(訳("できません"), 訳("戻る"), MessageIcon::None);
        return;
    }
    選択状態 = 0;
    対局中 = 真;
    描画_将棋盤桝();

    const int n = 手順数;
    const int sx = 手順_移動元X[n], sy = 手順_移動元Y[n];
    const int dx = 手順_移動先X[n], dy = 手順_移動先Y[n];
    if (盤内(sx, sy)) {
        盤[sx][sy] = 手順_移動元駒[n];
        描画_絵(手順_移動元駒[n], sx, sy);
        描画_桝輪郭(背景色, sx, sy);
    } else {
        持駒に足す(手順_移動先駒[n], 1);
    }
    if (盤内(dx, dy)) 盤[dx][dy] = 手順_取駒[n];
    手番 = 取得_手番(手順_移動元駒[n]);

    描画_黒持盤();
    描画_白持盤();
    描画_桝(dx, dy);
    音_再生(音_駒打);
    if (手順_移動元駒[n] > 0) {
        描画_四角形(後手結果X, 後手結果Y, 戻消去幅, 戻消去高, 背景色);
    } else {
        描画_四角形(先手結果X, 先手結果Y, 戻消去幅, 戻消去高, 背景色);
    }
    手順数 -= 1;
    手数を進める(-1);
}

void Form1::AFTER_Click() {
    if (終了済み_) return;
    ヒント消去();
    if (手順数 >= 手順最大) {
        音_再生(音_禁止);
        window_.messageBox(訳("できません"), 訳("進む"), MessageIcon::None);
        return;
    }
    選択状態 = 0;
    描画_将棋盤桝();

    手順数 += 1;
    const int n = 手順数;
    手数を進める(1);

    const int sx = 手順_移動元X[n], sy = 手順_移動元Y[n];
    const int dx = 手順_移動先X[n], dy = 手順_移動先Y[n];
    const int code = 手順_移動先駒[n];
    if (盤内(sx, sy)) {
        盤[sx][sy] = 空き;
        描画_桝(sx, sy);
    } else {
        持駒に足す(code, -1);
    }
    if (盤内(dx, dy)) 盤[dx][dy] = code;
    const int mover = 取得_手番(手順_移動元駒[n]);
    手番 = mover == 先手 ? 後手 : 先手;

    描画_桝(sx, sy);
    描画_絵(code, dx, dy);
    描画_桝輪郭(背景色, dx, dy);
    描画_黒持盤();
    描画_白持盤();
    描画_移動結果(dx, dy, code, 移動結果色);
    音_再生(音_駒打);
    描画_手数(手数, 色_白);

    if (勝ちなら終える(mover, dx, dy)) return;
    // A side that could drop nowhere was passed over, as in play: the record's next move is
    // the mover's again, or at its end the computer has nothing to drop.
    if (n < 手順最大 && 取得_手番(手順_移動元駒[n + 1]) == mover) {
        手番 = mover;
    } else if (n == 手順最大 && 対局モード == モード_COM && 手番 == COM側 &&
               !kifu::canDrop(*this, COM側)) {
        手番 = 人間側;
    }
}

void Form1::持駒に足す(int 駒, int 差) {
    const int kind = piece::kindOf(駒);
    if (kind != 0) (駒 < 0 ? 先手持駒 : 後手持駒)[kind] += 差;
    // The totals count every value of a side's range, as the board's cells do.
    if (駒 >= 後手) {
        後手持駒合計 += 差;
    } else if (駒 <= 先手) {
        先手持駒合計 += 差;
    }
}

void Form1::CANCEL_Click() {
    if (終了済み_) return;
    ヒント消去();
    手番 = 終局;
    初期設定();
    音_再生(音_駒打);
}

} // namespace tarvenko
