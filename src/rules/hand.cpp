// Executing a drop and the two hands as columns of slots beside the board.
#include "game/Form1.h"

namespace tarvenko {

void Form1::駒移動(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒) {
    if (移動元X == 後手持駒列) {
        const int kind = piece::kindAtRow(後手, 移動元Y);
        if (kind >= 0 && kind <= 8) {
            後手持駒合計 -= 1;
            後手持駒[kind] -= 1;
        }
        描画_白持盤();
    } else if (移動元X == 先手持駒列) {
        const int kind = piece::kindAtRow(先手, 移動元Y);
        if (kind >= 0 && kind <= 8) {
            先手持駒合計 -= 1;
            先手持駒[kind] -= 1;
        }
        描画_黒持盤();
    } else if (盤内(移動元X, 移動元Y)) {
        描画_桝(移動元X, 移動元Y);
        盤[移動元X][移動元Y] = 空き;
    }
    if (!盤内(移動先X, 移動先Y)) return;
    盤[移動先X][移動先Y] = 移動駒;
    描画_絵(移動駒, 移動先X, 移動先Y);
    描画_桝輪郭(背景色, 移動先X, 移動先Y);
}

int Form1::取得_持駒(int IN_手番, int IN_Y) const {
    if (IN_手番 != 先手 && IN_手番 != 後手) return 0;
    return piece::codeOf(IN_手番, piece::kindAtRow(IN_手番, IN_Y));
}

int Form1::取得_手番(int IN_駒) const {
    return piece::sideOf(IN_駒);
}

int Form1::取得_持駒数(int IN_手番, int IN_Y) const {
    if (IN_手番 != 先手 && IN_手番 != 後手) return 0;
    const int i = piece::kindAtRow(IN_手番, IN_Y);
    if (i < 0 || i > piece::種類数) return 0;
    return (IN_手番 == 先手 ? 先手持駒 : 後手持駒)[i];
}

int Form1::取得_全持駒数(int IN_手番) const {
    int total = 0;
    for (int k = 1; k <= piece::種類数; ++k)
        total += 取得_持駒数(IN_手番, piece::handRow(IN_手番, k));
    return total;
}

} // namespace tarvenko
