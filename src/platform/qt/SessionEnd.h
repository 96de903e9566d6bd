// The desktop session ending (SIGTERM, SIGHUP) closes the window as its close button does,
// so the game in progress is kept and the program ends normally. The signal handler only
// writes a byte; the window's own thread reads it from the event loop and closes the window.
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
