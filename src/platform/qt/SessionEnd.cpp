#include "platform/qt/SessionEnd.h"

#include "platform/qt/MainWindow.h"

#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvenko {

namespace {

int ends[2] = {-1, -1}; // [0] read by the event loop, [1] written by the handler
// The session ending, and Ctrl+C or Ctrl+\ in a terminal: each keeps the game.
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(ends[1], &byte, 1);
    errno = saved;
}

} // namespace

SessionEnd::SessionEnd(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) return;
    notifier_ = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [&window] {
        char bytes[16];
        while (::read(ends[0], bytes, sizeof bytes) > 0) {
        }
        if (auto* main = dynamic_cast<MainWindow*>(&window)) {
            main->endForSignal();
        } else {
            window.close();
        }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

SessionEnd::~SessionEnd() {
    if (notifier_ == nullptr) return;
    for (int signal : kSignals) std::signal(signal, SIG_DFL);
    ::close(ends[0]);
    ::close(ends[1]);
    ends[0] = ends[1] = -1;
}

} // namespace tarvenko
