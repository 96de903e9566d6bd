// The computer's turn: a fixed one-move look-ahead over every allowed drop, in a fixed
// order, keeping the first best. The same position always gives the same move.
#include "game/Form1.h"
#include "texts/Texts.h"

namespace tarvenko {

void Form1::com_ban() {
    if (詰め中()) {
        詰め().answer(); // the exact reply that resists longest, at once
        return;
    }
    const double boxX = COM側 == 先手 ? 先手結果X : 後手結果X;
    const double boxY = COM側 == 先手 ? 先手結果Y : 後手結果Y;
    描画_四角形(boxX, boxY, 結果枠幅, 結果枠高, 背景色);
    描画_数値(boxX, boxY, 訳("思考中"), 移動結果色, 0, 12);

    const int n = 取得_全持駒数(COM側);
    const int col = COM側 == 先手 ? 先手持駒列 : 後手持駒列;

    bool chosen = false;
    int sx = 0, sy = 0, dx = 0, dy = 0, c = 0;

    if (手数 == 0) {
        // The opening: the computer's own 歩 onto the centre, no search.
        sx = col, sy = piece::handRow(COM側, piece::歩), c = piece::codeOf(COM側, piece::歩);
        dx = 5, dy = 5;
        chosen = true;
    } else {
        指し手[0] = 得点_最低;
        調査_利き筋(人間側);
        利き筋_PUSH();
        調査_2歩フラグ設定();
        window_.refresh();
        if (強さ != 強さ_標準) {
            chosen = 探索の手(COM側, 強さ, sx, sy, dx, dy, c);
            if (chosen) 指し手[0] = 探索の評価;
        } else if (n > 0) {
            const int open = 調査_利筋あるか();
            候補前局面_.load(盤);
            候補採点中_ = true;
            // The search stops at the first winning drop.
            for (int k = 1; k <= 8 && 指し手[0] < 得点_打ち切り; ++k) {
                const int row = piece::topHandRow(COM側) + k - 1;
                if (取得_持駒数(COM側, row) <= 0) continue;
                COM候補駒 = 取得_持駒(COM側, row);
                for (int x = 1; x <= 9 && 指し手[0] < 得点_打ち切り; ++x) {
                    for (int y = 1; y <= 9 && 指し手[0] < 得点_打ち切り; ++y) {
                        if (open == 真 && 利き筋[x][y] != 真) continue;
                        if (移動チェック(col, k, x, y, COM候補駒) != 真) continue;
                        盤[x][y] = COM候補駒;
                        const int s = 調査_得点(col, k, x, y);
                        盤[x][y] = 空き;
                        利き筋_POP();
                        if (s > 指し手[0]) {
                            指し手[0] = s;
                            sx = col, sy = row, dx = x, dy = y, c = COM候補駒;
                            chosen = true;
                        }
                    }
                }
            }
        }
    }

    候補採点中_ = false;
    if (!chosen) {
        // No drop is possible: the computer passes. Nothing is recorded or counted, and
        // its box no longer says it is thinking.
        描画_四角形(boxX, boxY, 結果枠幅, 結果枠高, 背景色);
        window_.refresh();
        手番 = 人間側;
        return;
    }

    記録して打つ(sx, sy, dx, dy, c);
    描画_桝輪郭(色_白, dx, dy);
    音_再生(音_駒打);
    描画_移動結果(dx, dy, c, 色_白);
    if (勝ちなら終える(COM側, dx, dy)) return;
    手番 = 人間側;
}

} // namespace tarvenko
