// Executing a drop and the two hands as columns of slots beside the board.
#include "game/Form1.h"

namespace tarvenko {

namespace {
constexpr int 先手の駒[9] = {0, -10, -20, -30, -100, -110, -800, -900, -950};
} // namespace

void Form1::駒移動(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒) {
    if (移動元X == 後手持駒列) {
        const int kind = 9 - 移動元Y;
        if (kind >= 0 && kind <= 8) {
            後手持駒合計 -= 1;
            後手持駒[kind] -= 1;
        }
        描画_白持盤();
    } else if (移動元X == 先手持駒列) {
        const int kind = 移動元Y - 1;
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
    int kind;
    if (IN_手番 == 後手) {
        kind = 9 - IN_Y;
    } else if (IN_手番 == 先手) {
        kind = IN_Y - 1;
    } else {
        return 0;
    }
    if (kind < 1 || kind > 8) return 0;
    return IN_手番 == 先手 ? 先手の駒[kind] : -先手の駒[kind];
}

int Form1::取得_手番(int IN_駒) const {
    for (int kind = 1; kind <= 8; ++kind) {
        if (IN_駒 == 先手の駒[kind]) return 先手;
        if (IN_駒 == -先手の駒[kind]) return 後手;
    }
    return 0;
}

int Form1::取得_持駒数(int IN_手番, int IN_Y) const {
    if (IN_手番 == 先手) {
        const int i = IN_Y - 1;
        return (i >= 0 && i <= 8) ? 先手持駒[i] : 0;
    }
    if (IN_手番 == 後手) {
        const int i = 9 - IN_Y;
        return (i >= 0 && i <= 8) ? 後手持駒[i] : 0;
    }
    return 0;
}

int Form1::取得_全持駒数(int IN_手番) const {
    int total = 0;
    if (IN_手番 == 先手) {
        for (int y = 2; y <= 9; ++y) total += 取得_持駒数(IN_手番, y);
    } else if (IN_手番 == 後手) {
        for (int y = 1; y <= 8; ++y) total += 取得_持駒数(IN_手番, y);
    }
    return total;
}

} // namespace tarvenko
