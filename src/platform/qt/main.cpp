#include "platform/ds/DsSoundLibrary.h"
#include "platform/posix/PosixFiles.h"
#include "home/Home.h"
#include "platform/qt/CommandLine.h"
#include "platform/qt/Language.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/OneWindow.h"
#include "platform/qt/QtHome.h"
#include "platform/qt/SessionEnd.h"

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QIcon>
#include <QList>
#include <QLocale>
#include <QTimer>
#include <fontconfig/fontconfig.h>
#include <malloc.h>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// Runs a task once, just after the first paint of a widget has gone to the screen, or after a
// while if no paint comes (a window that starts minimised is never painted).
class AfterFirstPaint final : public QObject {
  public:
    AfterFirstPaint(QWidget* widget, std::function<void()> task)
        : widget_(widget), task_(std::move(task)) {
        widget_->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { run(); });
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::Paint) {
            widget_->removeEventFilter(this);
            // Queued, so that the frame being painted is flushed first; sync() makes sure the
            // display server has it before the task keeps this thread busy.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    QGuiApplication::sync();
                    run();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

  private:
    void run() {
        if (done_) return;
        done_ = true;
        widget_->removeEventFilter(this);
        task_();
    }

    QWidget* widget_;
    std::function<void()> task_;
    bool done_ = false;
};

// Six sizes of one picture, for the window manager to choose from. Decoding them all and
// handing them to the display server is not needed for the first frame.
void setWindowIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/tarvenko-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
}

// The window as the player left it; as the game places it when nothing was kept.
void showAsLeft(tarvenko::MainWindow& window, tarvenko::QtHome& home) {
    using Place = tarvenko::QtHome::WindowPlace;
    const Place kept = home.windowPlace();
    tarvenko::MainWindow::Placement place;
    if (!kept.size.isEmpty()) place.size = kept.size;
    place.maximised = kept.state == Place::Maximised;
    place.fullScreen = kept.state == Place::FullScreen;
    window.applyPlacement(place);
    window.show();
}

void rememberWindow(const tarvenko::MainWindow& window, tarvenko::QtHome& home) {
    using Place = tarvenko::QtHome::WindowPlace;
    const tarvenko::MainWindow::Placement now = window.placement();
    Place place;
    place.state = now.fullScreen  ? Place::FullScreen
                  : now.maximised ? Place::Maximised
                                  : Place::Normal;
    place.size = now.size;
    home.setWindowPlace(place);
}

} // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // The program's few threads allocate little: one allocation arena for all of them spares
    // the few hundred kilobytes each further arena would take.
    mallopt(M_ARENA_MAX, 1);
#endif
    QApplication::setApplicationName(QStringLiteral("Tarvenko"));
    QApplication::setApplicationVersion(QStringLiteral(TARVENKO_VERSION));
    const tarvenko::command_line::Request request = tarvenko::command_line::read(argc, argv);
    if (request.exitStatus) return *request.exitStatus;
    QList<QByteArray> records;
    if (!request.record.isEmpty()) records << request.record;
    // The desktop's font configuration takes a few milliseconds to read, and the first text
    // drawn would wait for it; it is read on the side while the toolkit connects to the display.
    std::thread fontConfiguration;
    try {
        fontConfiguration = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread: the toolkit reads it when it first needs it.
    }
    tarvenko::command_line::DesktopCheck desktop;
    QApplication app(argc, argv);
    desktop.passed();
    QApplication::setDesktopFileName(QStringLiteral("tarvenko"));
    // A window already open on this display takes this start's record, and comes to the front.
    tarvenko::OneWindow oneWindow(tarvenko::OneWindow::addressHere());
    if (oneWindow.handOver(records)) {
        if (fontConfiguration.joinable()) fontConfiguration.join();
        return 0;
    }
    tarvenko::QtHome places(tarvenko::QtHome::desktopConfigFolder(),
                            tarvenko::QtHome::desktopStateFolder());
    // Every text in the language last chosen, else the locale's, before the first is made.
    const QString chosen = places.language();
    tarvenko::language::use(chosen.isEmpty() ? tarvenko::language::fromLocale() : chosen);
    tarvenko::language::onChosen([&places](const QString& code) { places.setLanguage(code); });

    // The sound library, relative to the program: where an installation puts it, else where
    // the build tree has it.
    const std::string folder = QCoreApplication::applicationDirPath().toStdString() + '/';
    tarvenko::DsSoundLibrary sound({
#ifdef TARVENKO_SOUNDLIB_INSTALLED
        folder + TARVENKO_SOUNDLIB_INSTALLED,
#endif
        folder + TARVENKO_SOUNDLIB_BUILT});
    tarvenko::PosixFiles files; // the current folder
    tarvenko::MainWindow window(sound, files);
    tarvenko::Form1& form = window.form();
    tarvenko::Home home(places, places, places);
    form.住まいを使う(&home);
    window.useHome(&places);
    tarvenko::SessionEnd sessionEnd(window);
    if (fontConfiguration.joinable()) fontConfiguration.join();
    // The screen half of the load first; the window icon and then the sound half (which may
    // show its message box) follow the first frame, so the music starts as the window appears.
    // The icon comes first: decoding it after the music is in memory raises the program's peak
    // by about half a megabyte, for a few milliseconds sooner music.
    form.Form_Load_画面();
    if (form.終了済み()) return 0;
    // The record named on the command line, and those of later starts, once the game has its
    // sounds: a record that ends in a row of three announces its winner with them.
    AfterFirstPaint afterFirstFrame(window.centralWidget(), [&form, &window, &oneWindow, &records] {
        setWindowIcon();
        if (!form.終了済み()) form.Form_Load_サウンド();
        window.openRecords(records);
        oneWindow.onArrival(
            [&window](const QList<QByteArray>& asked) { return window.startedAgain(asked); });
    });
    // From the game's end, a start finds no window here and opens its own.
    window.whenEnding([&oneWindow] { oneWindow.leave(); });
    showAsLeft(window, places);
    const int status = app.exec();
    window.rememberReview();
    rememberWindow(window, places);
    return status;
}
