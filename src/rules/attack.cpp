// Lines of attack: the empty squares a side's pieces could move to. They carry the
// placement rule: a drop must go where the opponent attacks, if it attacks anything.
#include "game/Form1.h"

#include <cstring>

namespace tarvenko {

void Form1::調査_利き筋(int IN_手番) {
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) 利き筋[x][y] = 偽;
    }
    if (IN_手番 != 先手 && IN_手番 != 後手) return;
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            const int code = 盤[x][y];
            if (!((IN_手番 == 先手 && code <= -10) || (IN_手番 == 後手 && code >= 10))) continue;
            for (int i = 1; i <= 9; ++i) {
                for (int j = 1; j <= 9; ++j) {
                    if (移動チェック(x, y, i, j, code) == 真) 利き筋[i][j] = 真;
                }
            }
        }
    }
}

int Form1::調査_利筋あるか() const {
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            if (利き筋[x][y] == 真) return 真;
        }
    }
    return 偽;
}

void Form1::利き筋_PUSH() {
    std::memcpy(利き筋_保存, 利き筋, sizeof 利き筋);
}

void Form1::利き筋_POP() {
    std::memcpy(利き筋, 利き筋_保存, sizeof 利き筋);
}

} // namespace tarvenko
