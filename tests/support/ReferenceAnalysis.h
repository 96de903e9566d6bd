// Forced rows found the slow way, straight from the rules on the game's own procedures: every
// allowed drop tried in turn, a row judged by 調査_3並び, and a side with no drop passing.
// Kept as the reference that the engine's exact analysis must agree with.
#pragma once

#include "Position.h"
#include "game/Form1.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace tarvenko {

class 参照解析 {
  public:
    explicit 参照解析(Form1& f) : f_(f) {}

    // `side`, to move, forces a row within k of its own drops.
    bool 勝てる(int side, int k) { return 調べる(side, k, true, false); }
    // Every drop of `side`, to move, lets the other side force a row within k of its drops.
    bool 負ける(int side, int k) { return 調べる(side, k, false, false); }

    // The value within `most` drops, as the engine writes it: +N a win in N, −N a loss in
    // N, 0 for neither within `most`.
    int 値(int side, int most) {
        for (int n = 1; n <= most; ++n) {
            if (勝てる(side, n)) return n;
            if (負ける(side, n)) return -n;
        }
        return 0;
    }

    struct Drop {
        int col, row, x, y, code;
    };
    std::vector<Drop> 手(int side) {
        std::vector<Drop> v;
        打てる手を調べる(f_, side, [&](int c, int r, int x, int y, int code) {
            v.push_back({c, r, x, y, code});
        });
        return v;
    }
    void 打つ(const Drop& d, int delta) {
        f_.盤[d.x][d.y] = delta < 0 ? d.code : Form1::空き;
        const bool sente = d.code < 0;
        (sente ? f_.先手持駒 : f_.後手持駒)[piece::kindOf(d.code)] += delta;
        (sente ? f_.先手持駒合計 : f_.後手持駒合計) += delta;
    }

  private:
    bool 調べる(int side, int k, bool win, bool passed) {
        std::string key(reinterpret_cast<const char*>(f_.盤), sizeof f_.盤);
        key.append(reinterpret_cast<const char*>(f_.先手持駒), sizeof f_.先手持駒);
        key.append(reinterpret_cast<const char*>(f_.後手持駒), sizeof f_.後手持駒);
        key += static_cast<char>(side > 0);
        key += static_cast<char>(k);
        key += static_cast<char>(win);
        key += static_cast<char>(passed);
        if (const auto it = memo_.find(key); it != memo_.end()) return it->second;
        const bool r = 探す(side, k, win, passed);
        memo_[key] = r;
        return r;
    }

    bool 探す(int side, int k, bool win, bool passed) {
        const std::vector<Drop> drops = 手(side);
        if (drops.empty()) {
            if (passed) return false; // neither side can drop: no row will ever come
            return 調べる(-side, k, !win, true);
        }
        for (const Drop& d : drops) {
            打つ(d, -1);
            const bool row = f_.調査_3並び(side, d.x, d.y) == Form1::真;
            打つ(d, 1);
            if (row) return win; // the mover completes a row now
        }
        // The attacker needs one drop after which every reply loses; the defender loses when
        // every drop does, each with the attacker's count of drops.
        if (win && k <= 1) return false;
        for (const Drop& d : drops) {
            打つ(d, -1);
            const bool r = 調べる(-side, win ? k - 1 : k, !win, false);
            打つ(d, 1);
            if (r == win) return win;
        }
        return !win;
    }

    Form1& f_;
    std::unordered_map<std::string, bool> memo_;
};

} // namespace tarvenko
