// A snapshot of the game state a computer turn reads or changes, to restore a position or
// compare two. Shared by the computer-player tests and its benchmark.
#pragma once

#include "game/Form1.h"

#include <cstring>
#include <tuple>

namespace tarvenko {

// Everything a computer turn reads or changes, apart from the scratch maps and flags.
struct 局面 {
    int 盤[10][10];
    int 先手持駒[9], 後手持駒[9];
    int 先手持駒合計, 後手持駒合計;
    int 手数, 手番, 人間側, COM側, 対局中, 対局モード, 手順数, 手順最大;

    explicit 局面(const Form1& f)
        : 先手持駒合計(f.先手持駒合計), 後手持駒合計(f.後手持駒合計), 手数(f.手数), 手番(f.手番),
          人間側(f.人間側), COM側(f.COM側), 対局中(f.対局中), 対局モード(f.対局モード),
          手順数(f.手順数), 手順最大(f.手順最大) {
        std::memcpy(盤, f.盤, sizeof 盤);
        std::memcpy(先手持駒, f.先手持駒, sizeof 先手持駒);
        std::memcpy(後手持駒, f.後手持駒, sizeof 後手持駒);
    }
    void 戻す(Form1& f) const {
        std::memcpy(f.盤, 盤, sizeof 盤);
        std::memcpy(f.先手持駒, 先手持駒, sizeof 先手持駒);
        std::memcpy(f.後手持駒, 後手持駒, sizeof 後手持駒);
        f.先手持駒合計 = 先手持駒合計;
        f.後手持駒合計 = 後手持駒合計;
        f.手数 = 手数;
        f.手番 = 手番;
        f.人間側 = 人間側;
        f.COM側 = COM側;
        f.対局中 = 対局中;
        f.対局モード = 対局モード;
        f.手順数 = 手順数;
        f.手順最大 = 手順最大;
    }
    bool operator==(const 局面& o) const {
        return std::memcmp(盤, o.盤, sizeof 盤) == 0 &&
               std::memcmp(先手持駒, o.先手持駒, sizeof 先手持駒) == 0 &&
               std::memcmp(後手持駒, o.後手持駒, sizeof 後手持駒) == 0 &&
               std::tie(先手持駒合計, 後手持駒合計, 手数, 手番, 人間側, COM側, 対局中, 対局モード,
                        手順数, 手順最大) == std::tie(o.先手持駒合計, o.後手持駒合計, o.手数,
                                                      o.手番, o.人間側, o.COM側, o.対局中,
                                                      o.対局モード, o.手順数, o.手順最大);
    }
};

// Calls visit(col, row, x, y, code) for every drop the side may make now under the
// placement rule and the drop rules, in the order hand slot row, column, row.
template <class Visit> void 打てる手を調べる(Form1& f, int side, Visit visit) {
    f.調査_利き筋(-side);
    const int open = f.調査_利筋あるか();
    f.調査_2歩フラグ設定();
    const int col = side == Form1::先手 ? Form1::先手持駒列 : Form1::後手持駒列;
    for (int row = 1; row <= 9; ++row) {
        if (f.取得_持駒数(side, row) <= 0) continue;
        const int code = f.取得_持駒(side, row);
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                if (open == Form1::真 && f.利き筋[x][y] != Form1::真) continue;
                if (f.移動チェック(col, row, x, y, code) == Form1::真) visit(col, row, x, y, code);
            }
        }
    }
}

} // namespace tarvenko
