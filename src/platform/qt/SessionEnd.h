// The desktop session ending (SIGTERM, SIGHUP) or an interrupt from a terminal (SIGINT,
// SIGQUIT) closes the window as its close button does, so the game in progress is kept and the
// program ends normally; what cannot be kept is said on standard error, and nothing is asked. The
// signal handler only writes a byte; the window's own thread reads it from the event loop and
// closes the window.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace tarvenko {

class SessionEnd final : public QObject {
  public:
    explicit SessionEnd(QWidget& window);
    ~SessionEnd() override;

  private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tarvenko
