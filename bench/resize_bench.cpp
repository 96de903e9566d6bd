// Drawing the whole picture again for a new window size, as a resize does: a game in its
// middle (pieces on the board and in both hands, highlights, the counter and the last moves)
// on the real canvas, drawn again for a window of 2560 × 1440 and a little less, each time at a
// scale never drawn before (text at a new size, every picture made anew), as when the window
// is maximised; then for the sizes a drag of the window's corner goes through, from the
// default size up to 2560 × 1440.
//
//   bench_resize [RUNS [REDRAWS]]     (default 5 runs of 40 redraws: heights 1440 down to 1241)
//
// Prints how many drawings a redraw replays; for each run the median and the slowest redraw;
// the median of the runs' medians and their range, and the redraws' processor time (which a
// busy machine does not inflate); the drag's median and slowest step.
#include "PixelWindow.h"
#include "game/Form1.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

struct QuietWindow : PixelWindow {
    void messageBox(std::string_view, std::string_view, MessageIcon) override {}
};

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A game of two people four drops in, with a hand piece of each side selected in turn, so
// that outlines of several colours are on the board.
void playSome(Form1& f) {
    auto click = [&f](int X, int Y) {
        f.Form_MouseDown(F::左ボタン, 0, static_cast<float>(F::横位置(X) + 247),
                         static_cast<float>(F::縦位置(Y) + 307));
    };
    auto drop = [&](int side, int kind, int X, int Y) {
        click(side == F::先手 ? F::先手持駒列 : F::後手持駒列, piece::handRow(side, kind));
        click(X, Y);
    };
    f.Form_Load();
    f.START_Click();
    drop(F::先手, 1, 5, 5);
    drop(F::後手, 1, 5, 4);
    drop(F::先手, 5, 3, 7);
    drop(F::後手, 4, 3, 6);
    click(F::先手持駒列, piece::handRow(F::先手, 7));
    f.HINT_Click();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int redraws = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;

    QuietWindow w;
    RecordingSound sound;
    MemoryFiles files;
    files.putTheFive();
    auto form = std::make_unique<Form1>(w, sound, files);
    playSome(*form);
    const QSize picture(606, 514); // the default client area under a window manager

    using clock = std::chrono::steady_clock;
    // The processor time of this thread as well: on a machine busy with other work the time
    // on the clock also counts the waits for a processor.
    std::vector<double> processor;
    auto threadMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    auto redraw = [&](int width, int height) {
        const double cpu = threadMs();
        const auto begun = clock::now();
        w.canvas.setScale(QSize(width, height),
                          PictureScale::fit(width, height, picture.width(), picture.height(), 1));
        (void)w.canvas.image(); // the drawing is finished once the image can be shown
        const double wall = milliseconds(clock::now() - begun);
        processor.push_back(threadMs() - cpu);
        return wall;
    };

    std::printf("redraws replay %d drawings\n", w.canvas.keptDrawings());
    // Each redraw at a scale not drawn before, so its text is at a size not drawn before, and
    // with no picture made at any size yet: all of it from scratch, as when the window is
    // maximised.
    std::vector<double> medians;
    for (int run = 0; run < runs; ++run) {
        std::vector<double> times;
        for (int i = 0; i < redraws; ++i) {
            w.canvas.forgetSizes();
            times.push_back(redraw(2560, std::max(600, 1440 - run * redraws - i)));
        }
        medians.push_back(median(times));
        std::printf("2560x1440 and less, run %d: median %.2f ms, slowest %.2f ms\n", run + 1,
                    medians.back(), *std::max_element(times.begin(), times.end()));
    }
    std::printf("2560x1440 and less: median of %d runs %.2f ms (runs' medians %.2f .. %.2f ms)\n",
                runs, median(medians), *std::min_element(medians.begin(), medians.end()),
                *std::max_element(medians.begin(), medians.end()));
    std::printf("2560x1440 and less: processor time a redraw, median %.2f ms, slowest %.2f ms\n",
                median(processor), *std::max_element(processor.begin(), processor.end()));

    // A drag from the default size to 2560 × 1440 in steps of a few pixels.
    std::vector<double> drag;
    for (int width = picture.width(), height = picture.height(); width <= 2560;
         width += 9, height = std::min(1440, height + 5))
        drag.push_back(redraw(width, height));
    std::printf("drag of %zu sizes up to 2560x1440: median %.2f ms, slowest %.2f ms\n", drag.size(),
                median(drag), *std::max_element(drag.begin(), drag.end()));
    return 0;
}
