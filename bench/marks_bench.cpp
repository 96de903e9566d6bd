// Choosing a piece in hand with 解析 on, in the real window at 2560 × 1440: the click's
// handler picks that kind's values out of those already in and the window paints the board
// with its new marks. The start of a game, every drop valued (at once, before the timing),
// and 先手's eight hand slots chosen in turn, each followed by letting it go.
//
//   bench_marks [ROUNDS]     (default 20 rounds of the eight slots)
//
// Prints the median and the slowest of a choice (handler and paint) on the clock and in the
// processor time of the thread, which a busy machine does not inflate; one frame at 60 Hz is
// 16.7 ms.
#include "Recording.h"
#include "analysis/Presentation.h"
#include "game/Form1.h"
#include "platform/qt/MainWindow.h"

#include <QApplication>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    RecordingSound sound;
    MemoryFiles files;
    MainWindow window(sound, files);
    Form1& form = window.form();
    form.Form_Load();
    window.show();
    window.resize(2560, 1440 + window.menuBar()->sizeHint().height()); // the board's view

    QApplication::processEvents();
    // The game's message boxes are answered as soon as they show.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    answer.start(50);
    // The analysis on this thread, so that every value is in before the timing.
    form.解析().use(nullptr);
    form.START_Click();
    form.ANALYSIS_Click();
    QApplication::processEvents();

    using clock = std::chrono::steady_clock;
    std::vector<double> wall, processor;
    const auto slot = [&](int button, int kind) {
        const double cpu = threadMs();
        const auto begun = clock::now();
        window.handle([&](Form1& f) {
            f.Form_MouseDown(button, 0, static_cast<float>(F::横位置(F::先手持駒列) + 247),
                             static_cast<float>(F::縦位置(piece::handRow(F::先手, kind)) + 307));
        });
        window.refresh(); // painted now, marks and all
        wall.push_back(std::chrono::duration<double, std::milli>(clock::now() - begun).count());
        processor.push_back(threadMs() - cpu);
    };
    for (int round = 0; round < rounds; ++round) {
        for (int kind = 1; kind <= 8; ++kind) {
            slot(F::左ボタン, kind);
            if (form.解析().selectedKind() != kind) {
                std::fprintf(stderr, "slot %d was not chosen\n", kind);
                return 1;
            }
            slot(F::右ボタン, kind);
        }
    }
    std::printf("%zu choices at %dx%d: on the clock median %.2f ms, slowest %.2f ms; processor "
                "median %.2f ms, slowest %.2f ms\n",
                wall.size(), window.centralWidget()->width(), window.centralWidget()->height(),
                median(wall), *std::max_element(wall.begin(), wall.end()), median(processor),
                *std::max_element(processor.begin(), processor.end()));
    return 0;
}
