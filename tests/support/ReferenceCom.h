// The computer's search as first written: the lines of attack recomputed from the whole
// board for every candidate, one 移動チェック per piece and destination, and the human's
// threat found by trying the marker on every open square. Kept as the reference that the
// game's faster computation must agree with.
#pragma once

#include "game/Form1.h"

namespace tarvenko {

inline void 参照_調査_利き筋(Form1& f, int IN_手番) {
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) f.利き筋[x][y] = Form1::偽;
    }
    if (IN_手番 != Form1::先手 && IN_手番 != Form1::後手) return;
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            const int code = f.盤[x][y];
            if (!((IN_手番 == Form1::先手 && code <= -10) ||
                  (IN_手番 == Form1::後手 && code >= 10)))
                continue;
            for (int i = 1; i <= 9; ++i) {
                for (int j = 1; j <= 9; ++j) {
                    if (f.移動チェック(x, y, i, j, code) == Form1::真) f.利き筋[i][j] = Form1::真;
                }
            }
        }
    }
}

inline int 参照_調査_得点(Form1& f, int IN_元X, int IN_元Y, int IN_先X, int IN_先Y) {
    int result = 0;
    if (IN_元X == Form1::後手持駒列) {
        result = IN_元Y;
    } else if (IN_元X == Form1::先手持駒列) {
        result = 10 - IN_元Y;
    }
    if (f.調査_3並び(f.COM側, IN_先X, IN_先Y) == Form1::真) return 10000;
    const int marker = f.人間側 == Form1::先手 ? Form1::先手歩 : Form1::後手歩;
    参照_調査_利き筋(f, f.COM側);
    const int open = f.調査_利筋あるか();
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            if (f.盤[x][y] != Form1::空き) continue;
            if (open == Form1::真 && f.利き筋[x][y] != Form1::真) continue;
            f.盤[x][y] = marker;
            const int r = f.調査_3並び(f.人間側, x, y);
            f.盤[x][y] = Form1::空き;
            if (r == Form1::真) return -901;
        }
    }
    return result;
}

struct 参照の手 {
    bool chosen = false;
    int sx = 0, sy = 0, dx = 0, dy = 0, code = 0;
};

// The search of a computer turn after the opening: the chosen drop, with the best score in
// 指し手(0) and the maps, flags and COM候補駒 left as the turn leaves them. candidate(col,
// k, x, y, s) is called with each candidate on the board and its score s.
template <class Candidate> 参照の手 参照_探索(Form1& f, Candidate candidate) {
    参照の手 m;
    const int n = f.取得_全持駒数(f.COM側);
    const int col = f.COM側 == Form1::先手 ? Form1::先手持駒列 : Form1::後手持駒列;
    f.指し手[0] = -99999;
    参照_調査_利き筋(f, f.人間側);
    f.利き筋_PUSH();
    f.調査_2歩フラグ設定();
    if (n <= 0) return m;
    const int open = f.調査_利筋あるか();
    for (int k = 1; k <= 8; ++k) {
        const int row = f.COM側 == Form1::先手 ? k + 1 : k;
        if (f.取得_持駒数(f.COM側, row) <= 0) continue;
        f.COM候補駒 = f.取得_持駒(f.COM側, row);
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                if (open == Form1::真 && f.利き筋[x][y] != Form1::真) continue;
                if (f.移動チェック(col, k, x, y, f.COM候補駒) != Form1::真) continue;
                f.盤[x][y] = f.COM候補駒;
                const int s = 参照_調査_得点(f, col, k, x, y);
                candidate(col, k, x, y, s);
                f.盤[x][y] = Form1::空き;
                f.利き筋_POP();
                if (s > f.指し手[0]) {
                    f.指し手[0] = s;
                    m = {true, col, row, x, y, f.COM候補駒};
                    if (f.指し手[0] >= 9998) return m;
                }
            }
        }
    }
    return m;
}

} // namespace tarvenko
