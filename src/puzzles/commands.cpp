// The puzzles' menu command, and what the headless driver and 成績 ask of them.
#include "game/Form1.h"

namespace tarvenko {

puzzles::Session& Form1::詰め() {
    if (!詰め_) 詰め_ = std::make_unique<puzzles::Session>(*this);
    return *詰め_;
}

void Form1::TSUME_Click() {
    if (終了済み_) return;
    ヒント消去();
    詰め().choose();
}

bool Form1::詰めを始める(int k) {
    if (終了済み_) return false;
    ヒント消去();
    詰め().collection();
    return 詰め().start(k);
}

std::string Form1::詰めの成績() {
    return 詰め().statistics();
}

} // namespace tarvenko
