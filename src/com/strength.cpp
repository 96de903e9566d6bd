// The computer's strength and the hint. 標準 is com_ban's own one-move look-ahead; 強い and
// 最強 ask the searcher, which sees the same position in its compact form. The hint shows
// the drop 最強 would make for the side to move and changes nothing else.
#include "game/Form1.h"
#include "engine/OpeningTable.h"

namespace tarvenko {

engine::Searcher& Form1::探索器() {
    if (!探索器_) 探索器_ = std::make_unique<engine::Searcher>();
    return *探索器_;
}

bool Form1::探索の手(int IN_手番, int 強さ_, int& 元X, int& 元Y, int& 先X, int& 先Y, int& 駒) {
    const int side = IN_手番 == 先手 ? 0 : 1;
    engine::Position p;
    p.load(盤);
    p.setHands(先手持駒, 後手持駒, side);
    engine::Searcher& s = 探索器();
    engine::DropValue known;
    // 最強 plays the opening table's proved drop where it has one, and searches elsewhere.
    const bool fromTable = 強さ_ == 強さ_最強 && engine::openingTable().best(p, known);
    const engine::Move m = fromTable ? known.move : s.choose(p, engine::limitsFor(強さ_));
    if (m.isPass()) return false;
    元X = side == 0 ? 先手持駒列 : 後手持駒列;
    元Y = side == 0 ? m.kind + 1 : 9 - m.kind;
    先X = engine::columnOf(m.sq);
    先Y = engine::rowOf(m.sq);
    駒 = engine::codeOf(side, m.kind);
    探索の評価 = fromTable ? (known.value.kind == engine::Value::Win ? 1 : -1) *
                                 (engine::Searcher::winScore - known.value.n)
                           : s.score();
    return true;
}

void Form1::LEVEL_STANDARD_Click() {
    if (終了済み_) return;
    ヒント消去();
    強さ = 強さ_標準;
}

void Form1::LEVEL_STRONG_Click() {
    if (終了済み_) return;
    ヒント消去();
    強さ = 強さ_強い;
    探索器(); // its tables now, so that no move has to wait for them
}

void Form1::LEVEL_STRONGEST_Click() {
    if (終了済み_) return;
    ヒント消去();
    強さ = 強さ_最強;
    探索器();
    engine::openingTable(); // read now, so that no move has to wait for it
}

void Form1::強さを選ぶ(int 新しい強さ) {
    if (新しい強さ == 強さ_強い) {
        LEVEL_STRONG_Click();
    } else if (新しい強さ == 強さ_最強) {
        LEVEL_STRONGEST_Click();
    } else {
        LEVEL_STANDARD_Click();
    }
    window_.showStrength(強さ);
}

void Form1::HINT_Click() {
    if (終了済み_) return;
    ヒント消去();
    if (対局中 != 真 || (手番 != 先手 && 手番 != 後手)) return;
    if (対局モード == モード_COM && 手番 == COM側) return;
    int 元X, 元Y, 先X, 先Y, 駒;
    engine::Move fastest;
    if ((詰め中() && 詰め().hint(fastest)) || (解析_ && 解析_->fastestWin(fastest))) {
        // The puzzle's drop, or the analysis has valued every drop: the fastest forced row.
        元X = 手番 == 先手 ? 先手持駒列 : 後手持駒列;
        元Y = piece::handRow(手番, fastest.kind);
        先X = engine::columnOf(fastest.sq);
        先Y = engine::rowOf(fastest.sq);
    } else if (!探索の手(手番, 強さ_最強, 元X, 元Y, 先X, 先Y, 駒)) {
        return;
    }
    ヒント_[0] = 元X, ヒント_[1] = 元Y, ヒント_[2] = 先X, ヒント_[3] = 先Y;
    ヒント表示中_ = true;
    描画_桝輪郭(色_黄, 元X, 元Y);
    描画_桝輪郭(色_黄, 先X, 先Y);
    window_.refresh();
}

// The hint's outlines go back to the board's colour, the selected hand slot to its red.
void Form1::ヒント消去() {
    if (!ヒント表示中_) return;
    ヒント表示中_ = false;
    const bool selected = 選択状態 == 1 && 指し手[1] == ヒント_[0] && 指し手[2] == ヒント_[1];
    描画_桝輪郭(selected ? 色_赤 : 盤輪郭色, ヒント_[0], ヒント_[1]);
    描画_桝輪郭(盤輪郭色, ヒント_[2], ヒント_[3]);
}

} // namespace tarvenko
