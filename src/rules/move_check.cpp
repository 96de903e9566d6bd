// Where a piece may go: drops with their limits and the two-pawns rule, and the board
// moves that give each piece its lines of attack. No captures, no promotion.
#include "game/Form1.h"

#include <cstdlib>

namespace tarvenko {

int Form1::移動チェック(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒種類) {
    if (!盤内(移動先X, 移動先Y)) return 偽;
    if (移動元X == 移動先X && 移動元Y == 移動先Y) return 偽;
    if (盤[移動先X][移動先Y] != 空き) return 偽;

    const int kind = piece::kindOf(移動駒種類);
    const bool sente = 移動駒種類 < 0;

    if (移動元X == 先手持駒列 || 移動元X == 後手持駒列) {
        if (移動チェック_2歩か(移動先X, 移動駒種類) == 真) return 偽;
        switch (kind) {
        case piece::歩:
        case piece::香:
            return (sente ? 移動先Y == 1 : 移動先Y == 9) ? 偽 : 真;
        case piece::桂:
            return (sente ? 移動先Y <= 2 : 移動先Y >= 8) ? 偽 : 真;
        default:
            return 真;
        }
    }

    // A source that is neither a hand nor a board square moves nothing.
    if (!盤内(移動元X, 移動元Y)) return 偽;

    const int f = sente ? -1 : 1;
    const int dx = 移動先X - 移動元X;
    const int dy = 移動先Y - 移動元Y;
    switch (kind) {
    case piece::歩:
        return (dx == 0 && dy == f) ? 真 : 偽;
    case piece::香:
        if (dx != 0 || dy * f <= 0) return 偽;
        return 移動チェック飛車(移動元X, 移動元Y, 移動先X, 移動先Y);
    case piece::桂:
        return ((dx == -1 || dx == 1) && dy == 2 * f) ? 真 : 偽;
    case piece::銀:
        if (dy == f && dx >= -1 && dx <= 1) return 真;
        return (dy == -f && (dx == -1 || dx == 1)) ? 真 : 偽;
    case piece::金:
        if (dy == f && dx >= -1 && dx <= 1) return 真;
        if (dy == 0 && (dx == -1 || dx == 1)) return 真;
        return (dy == -f && dx == 0) ? 真 : 偽;
    case piece::角:
        return 移動チェック角(移動元X, 移動元Y, 移動先X, 移動先Y);
    case piece::飛:
        return 移動チェック飛車(移動元X, 移動元Y, 移動先X, 移動先Y);
    case piece::王:
        return (std::abs(dx) <= 1 && std::abs(dy) <= 1) ? 真 : 偽;
    default:
        return 偽;
    }
}

int Form1::移動チェック飛車(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y) const {
    if (移動元X != 移動先X && 移動元Y != 移動先Y) return 偽;
    if (移動元X == 移動先X) {
        // Rows strictly between; none when the squares are the same or adjacent.
        const int s = 移動先Y > 移動元Y ? 1 : -1;
        for (int y = 移動元Y + s; s > 0 ? y <= 移動先Y - s : y >= 移動先Y - s; y += s) {
            if (!盤内(移動元X, y) || 盤[移動元X][y] != 空き) return 偽;
        }
    } else {
        const int s = 移動先X > 移動元X ? 1 : -1;
        for (int x = 移動元X + s; s > 0 ? x <= 移動先X - s : x >= 移動先X - s; x += s) {
            if (!盤内(x, 移動元Y) || 盤[x][移動元Y] != 空き) return 偽;
        }
    }
    return 真;
}

int Form1::移動チェック角(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y) const {
    const int dx = 移動先X - 移動元X;
    const int dy = 移動先Y - 移動元Y;
    if (dx != dy && dx != -dy) return 偽;
    const bool upward = 移動元Y > 移動先Y;
    int sx, sy;
    if (dx == -dy) {
        sx = upward ? 1 : -1;
        sy = upward ? -1 : 1;
    } else {
        sx = upward ? -1 : 1;
        sy = upward ? -1 : 1;
    }
    for (int d = 1;; ++d) {
        const int x = 移動元X + d * sx;
        const int y = 移動元Y + d * sy;
        if (sx > 0 ? x >= 移動先X : x <= 移動先X) break;
        if (!盤内(x, y) || 盤[x][y] != 空き) return 偽;
    }
    return 真;
}

int Form1::移動チェック_2歩か(int 移動先X, int 移動駒種類) const {
    if (移動先X < 0 || 移動先X > 9) return 偽;
    if (移動駒種類 == 先手歩 && 先手2歩フラグ[移動先X] == 1) return 真;
    if (移動駒種類 == 後手歩 && 後手2歩フラグ[移動先X] == 1) return 真;
    return 偽;
}

void Form1::調査_2歩フラグ設定() {
    for (int x = 1; x <= 9; ++x) {
        先手2歩フラグ[x] = 0;
        後手2歩フラグ[x] = 0;
        for (int y = 1; y <= 9; ++y) {
            if (盤[x][y] == 先手歩) 先手2歩フラグ[x] = 1;
            if (盤[x][y] == 後手歩) 後手2歩フラグ[x] = 1;
        }
    }
}

} // namespace tarvenko
