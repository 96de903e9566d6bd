// The steps every drop shares, whoever makes it: the human's click, the computer's turn
// and 進. Each caller adds its own drawing and sound around them in its own order.
#include "game/Form1.h"

namespace tarvenko {

void Form1::記録して打つ(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒) {
    手順保存(移動元X, 移動元Y, 移動先X, 移動先Y, 移動駒, 移動駒);
    手数を進める(1);
    駒移動(移動元X, 移動元Y, 移動先X, 移動先Y, 移動駒);
}

void Form1::手数を進める(int 差) {
    if (解析_) 解析_->positionChanged();
    手数 += 差;
    描画_手数(手数, 色_白);
}

bool Form1::勝ちなら終える(int IN_手番, int IN_先X, int IN_先Y) {
    if (終了_判定(IN_手番, IN_先X, IN_先Y) != 真) return false;
    描画_点滅3並び(IN_手番, IN_先X, IN_先Y, 2);
    終了_処理(盤[IN_先X][IN_先Y]);
    return true;
}

} // namespace tarvenko
