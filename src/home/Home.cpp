#include "home/Home.h"

#include "game/Form1.h"
#include "record/kifu.h"
#include "texts/Texts.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace tarvenko {

using F = Form1;

const Settings& Home::settings() {
    if (!settingsRead_) {
        settings_ = settingsStore_.readSettings();
        settingsRead_ = true;
    }
    return settings_;
}

void Home::screenLoaded(Form1& f) {
    const int strength = settings().strength;
    if (strength != F::強さ_標準) f.強さを選ぶ(strength);
    if (settings().analysis) f.解析().setOn(true);
}

bool Home::musicAtStart() {
    musicApplied_ = true;
    return settings().music;
}

const Statistics& Home::statistics() {
    // Read each time: another program may have counted meanwhile.
    statistics_ = statisticsStore_.readStatistics();
    return statistics_;
}

void Home::count(int mode, int human, int strength, Statistics::Result result) {
    Statistics one;
    one.count(mode == F::モード_COM ? human : 0, strength, result);
    statistics_ = statisticsStore_.addStatistics(one);
}

void Home::resetStatistics() {
    statistics_ = Statistics{};
    statisticsStore_.resetStatistics();
}

// A puzzle is counted nowhere, nor kept: its solved marks are kept with the settings.
void Home::gameLeft(const Form1& f) {
    if (!counted_ && f.手順最大 > 0 && !f.詰め中())
        count(f.対局モード, f.人間側, f.強さ, Statistics::Unfinished);
    counted_ = false;
}

void Home::gameReplaced(const Form1& f, bool recordEnded) {
    gameLeft(f);
    counted_ = recordEnded;
}

void Home::gameEnded(const Form1& f, int winner) {
    if (counted_ || f.詰め中()) return;
    counted_ = true;
    count(f.対局モード, f.人間側, f.強さ, winner == f.人間側 ? Statistics::Won : Statistics::Lost);
}

namespace {

// A game with a move that does not stand at its row of three (which the program may end on
// while the winner's box is still shown).
bool inProgress(const Form1& f) {
    if (f.対局中 != F::真 || f.手番 == F::終局 || f.手順最大 < 1 || f.詰め中()) return false;
    const int n = f.手順数;
    if (n < f.手順最大 || n < 1 || n >= F::手順容量) return true;
    return f.終了_判定(f.取得_手番(f.手順_移動先駒[n]), f.手順_移動先X[n], f.手順_移動先Y[n]) !=
           F::真;
}

} // namespace

void Home::programEnds(Form1& f) {
    if (inProgress(f)) {
        const std::string text = kifu::text(f, counted_);
        const KeptGamePlace::Kept kept = kept_.keepGame(text);
        kifu::Summary before;
        if (kept.written == Files::Written::Ok) {
            // The game kept before, never brought back, gave way to this one.
            if (!kept.replaced.empty() && kifu::summarize(kept.replaced, before) && !before.ended &&
                !before.counted) {
                count(before.mode, before.human, before.strength, Statistics::Unfinished);
            }
        } else {
            std::fprintf(stderr, "tarvenko: the game in progress could not be kept in %s\n",
                         kept.path.c_str());
            keepElsewhere(f, kept);
        }
    }
    Settings now = settings();
    now.strength = f.強さ;
    now.analysis = f.解析().on();
    if (musicApplied_) now.music = f.window().musicChecked();
    settingsStore_.writeSettings(now);
}

void Home::keepElsewhere(Form1& f, const KeptGamePlace::Kept& kept) {
    const std::string question = std::string(訳("対局を残せませんでした\r\r")) +
                                 kifu::nameOf(kept.path) + "\r" +
                                 std::string(訳(kifu::whyNotWritten(kept.written))) + "\r\r" +
                                 std::string(訳("棋譜を別の場所に保存しますか？"));
    while (f.window().askSaveElsewhere(question, 訳("対局を残せません"))) {
        const std::string path = f.window().askRecordPath(true);
        if (!path.empty() && kifu::save(f, path)) return;
    }
}

bool Home::puzzleSolved(std::uint32_t id) {
    const auto& solved = settings().puzzlesSolved;
    return std::find(solved.begin(), solved.end(), id) != solved.end();
}

bool Home::anyPuzzleSolved() {
    return !settings().puzzlesSolved.empty();
}

void Home::solvePuzzle(std::uint32_t id) {
    if (puzzleSolved(id)) return;
    settings_.puzzlesSolved.push_back(id);
    settingsStore_.writeSettings(settings_);
}

void Home::resume(Form1& f) {
    KeptGamePlace::Taken taken = kept_.takeKeptGame(&kifu::isRecord);
    if (taken.problem != nullptr) {
        kifu::cannotOpen(f, taken.name, taken.problem);
        return;
    }
    // A file that stays (a folder that cannot be written) would bring the game back again:
    // only its first coming back counts.
    const bool countedBefore =
        !taken.removed && !taken.refused && !statisticsStore_.firstBroughtBack(taken.identity);
    if (kifu::openText(f, taken.name, taken.text) && countedBefore) counted_ = true;
}

// ---- The menu commands ----

void Form1::RESUME_Click() {
    if (終了済み_) return;
    ヒント消去();
    if (home_ == nullptr || !home_->hasKeptGame()) return; // the item is disabled then
    home_->resume(*this);
}

void Form1::STATS_Click() {
    if (終了済み_) return;
    ヒント消去();
    const Statistics none;
    const Statistics& shown = home_ != nullptr ? home_->statistics() : none;
    if (window_.statisticsBox(shown.text() + 詰めの成績(), 訳("成績")) && home_ != nullptr) {
        home_->resetStatistics();
    }
}

} // namespace tarvenko
