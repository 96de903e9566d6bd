// One game window for each user and display. The first start listens on a local (Unix domain)
// socket in the user's runtime folder, named after the display; a later start on the same display
// hands its record (or nothing, to bring the window to the front) to that one and ends once the
// window has said that it took it. A socket left by a program that was killed is taken over by the
// next start, and so is one whose program is on its way out.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

namespace tarvenko {

class OneWindow final : public QObject {
  public:
    // What a later start asks for: the records it was given (absolute paths), none to bring
    // the window to the front only. True when the window takes them; false when it is ending,
    // and that start then takes the window's place. Answers at once: that start waits.
    using Arrival = std::function<bool(const QList<QByteArray>& records)>;

    // At a socket's path; an empty one does nothing, and every start keeps a window of its own.
    explicit OneWindow(QString address);
    ~OneWindow() override;

    // The socket's path for this user and the display the application shows on; empty on a
    // display no one shares (offscreen, minimal).
    static QString addressHere();

    // Hands `records` to the window already running on this display, if there is one: true
    // then, and this start ends. Otherwise this program's window becomes the one, and later
    // starts reach `arrived` (from the event loop). Starts at the same moment are taken in
    // turn, so exactly one of them keeps its window.
    bool handOver(const QList<QByteArray>& records);
    // Starts that came before this is set are handed to it now.
    void onArrival(Arrival arrived);
    // This program's window is the one later starts come to.
    bool listening() const { return listener_ >= 0; }
    // The window is ending: later starts no longer come here, and the next one opens its own.
    void leave();

    // The socket's path for a platform (the toolkit's name), its display, the user's runtime
    // folder (XDG_RUNTIME_DIR) and the user.
    static QString address(const QString& platform, const QByteArray& display,
                           const QByteArray& runtimeFolder, uint user);

  private:
    enum class Answer { Taken, NoOne, Leaving };
    Answer tell(const QList<QByteArray>& records);
    void listen();
    void take();
    class Visit;
    void read(Visit& visit);

    QString address_;
    int listener_ = -1;
    QSocketNotifier* knocks_ = nullptr;
    unsigned long long inode_ = 0; // of the socket's file, while it is this program's
    Arrival arrived_;
    QList<QList<QByteArray>> early_;
};

} // namespace tarvenko
