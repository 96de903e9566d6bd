// The analysis's menu commands: ｵﾌﾟｼｮﾝ → 解析 and 局面 → 棋譜解析….
#include "analysis/Presentation.h"
#include "game/Form1.h"

namespace tarvenko {

analysis::Analysis& Form1::解析() {
    if (!解析_) 解析_ = std::make_unique<analysis::Analysis>(*this);
    return *解析_;
}

void Form1::ANALYSIS_Click() {
    if (終了済み_) return;
    解析().setOn(!解析().on());
}

void Form1::REVIEW_Click() {
    if (終了済み_) return;
    解析().review();
}

} // namespace tarvenko
