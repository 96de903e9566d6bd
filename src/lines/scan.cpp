// Runs of one side's pieces from a square in the eight directions, and exactly three in a
// row through a square. A cell counts for 先手 at ≤ −10 and for 後手 at ≥ 10.
#include "game/Form1.h"

namespace tarvenko {

int Form1::走査(int IN_手番, int IN_X, int IN_Y, int dX, int dY) const {
    if (IN_手番 != 先手 && IN_手番 != 後手) return 0;
    int count = 0;
    // The edge test comes before every read, on both coordinates, so a start square off
    // the board reads nothing outside it.
    for (int x = IN_X + dX, y = IN_Y + dY; 盤内(x, y); x += dX, y += dY) {
        if (IN_手番 == 先手 && 盤[x][y] > 先手) break;
        if (IN_手番 == 後手 && 盤[x][y] < 後手) break;
        ++count;
    }
    return count;
}

int Form1::調査_右(int t, int x, int y) const {
    return 走査(t, x, y, 1, 0);
}
int Form1::調査_左(int t, int x, int y) const {
    return 走査(t, x, y, -1, 0);
}
int Form1::調査_下(int t, int x, int y) const {
    return 走査(t, x, y, 0, 1);
}
int Form1::調査_上(int t, int x, int y) const {
    return 走査(t, x, y, 0, -1);
}
int Form1::調査_右下(int t, int x, int y) const {
    return 走査(t, x, y, 1, 1);
}
int Form1::調査_右上(int t, int x, int y) const {
    return 走査(t, x, y, 1, -1);
}
int Form1::調査_左下(int t, int x, int y) const {
    return 走査(t, x, y, -1, 1);
}
int Form1::調査_左上(int t, int x, int y) const {
    return 走査(t, x, y, -1, -1);
}

namespace {
// The four axes in the order they are examined: column, row, falling and rising diagonal.
// Each is the direction in which its squares are listed; the scan against it comes first.
constexpr int 軸[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
} // namespace

int Form1::調査_3並び(int IN_手番, int IN_X, int IN_Y) const {
    return 三並び(IN_手番, IN_X, IN_Y, nullptr, false);
}

int Form1::調査_3並び(int IN_手番, int IN_X, int IN_Y, 並び& 列, bool 最後の軸) const {
    return 三並び(IN_手番, IN_X, IN_Y, &列, 最後の軸);
}

int Form1::三並び(int IN_手番, int IN_X, int IN_Y, 並び* 列, bool 最後の軸) const {
    if (!盤内(IN_X, IN_Y)) return 偽;
    if (盤[IN_X][IN_Y] == 空き) return 偽;
    for (int i = 0; i < 4; ++i) {
        const int dX = 軸[最後の軸 ? 3 - i : i][0], dY = 軸[最後の軸 ? 3 - i : i][1];
        const int back = 走査(IN_手番, IN_X, IN_Y, -dX, -dY);
        if (back + 走査(IN_手番, IN_X, IN_Y, dX, dY) + 1 != 3) continue;
        if (列 != nullptr) {
            for (int k = 0; k < 3; ++k) {
                列->X[k] = IN_X + (k - back) * dX;
                列->Y[k] = IN_Y + (k - back) * dY;
            }
        }
        return 真;
    }
    return 偽;
}

} // namespace tarvenko
