// Lines of attack: the empty squares a side's pieces could move to. They carry the
// placement rule: a drop must go where the opponent attacks, if it attacks anything.
#include "game/Form1.h"

#include <cstring>

namespace tarvenko {

void Form1::調査_利き筋(int IN_手番) {
    if (IN_手番 != 先手 && IN_手番 != 後手) {
        engine::writeMap(0, 利き筋, 真, 偽);
        return;
    }
    // Every piece's reach at once from the per-square tables, each slide stopping at its
    // first occupied square: the same squares 移動チェック allows a board move to.
    engine::Position p;
    p.loadBoard(盤);
    engine::writeMap(p.attacks[IN_手番 == 先手 ? 0 : 1], 利き筋, 真, 偽);
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
