// The score of one candidate drop of the computer: one move ahead, win first, then
// whether the human could answer with a row of three, else a preference by piece kind.
#include "game/Form1.h"

namespace tarvenko {

int Form1::調査_得点(int IN_元X, int IN_元Y, int IN_先X, int IN_先Y) {
    int result = 0;
    if (IN_元X == 後手持駒列) {
        result = IN_元Y;
    } else if (IN_元X == 先手持駒列) {
        result = 10 - IN_元Y;
    }

    if (調査_3並び(COM側, IN_先X, IN_先Y) == 真) return 得点_勝ち;

    const int marker = 人間側 == 先手 ? 先手歩 : 後手歩;
    調査_利き筋(COM側);
    const int open = 調査_利筋あるか();
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            if (盤[x][y] != 空き) continue;
            if (open == 真 && 利き筋[x][y] != 真) continue;
            盤[x][y] = marker;
            const int r = 調査_3並び(人間側, x, y);
            盤[x][y] = 空き;
            if (r == 真) return 得点_負け;
        }
    }
    return result;
}

} // namespace tarvenko
