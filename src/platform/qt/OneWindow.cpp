#include "platform/qt/OneWindow.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace tarvenko {

namespace {

// What a later start sends: this mark, then its records. Anything else is not ours.
constexpr quint32 kMark = 0x54726b31; // "Trk1"
// Far more than any path; a message past it is not ours either.
constexpr qsizetype kLargest = 1 << 20;

QByteArray message(const QList<QByteArray>& records) {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMark << records;
    return data;
}

// A display's name as part of a file name: ":0.0" and ":0" are one display.
QString fileNamePart(QByteArray display) {
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.lastIndexOf('.');
    if (colon >= 0 && dot > colon) display.truncate(dot);
    QString part;
    for (char c : display) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.';
        part += plain ? QLatin1Char(c) : QLatin1Char('_');
    }
    return part;
}

// The user's own runtime folder, else none.
bool ownFolder(const QByteArray& folder, uint user) {
    if (!folder.startsWith('/')) return false;
    const QFileInfo info(QFile::decodeName(folder));
    return info.isDir() && info.ownerId() == user;
}

} // namespace

// A later start, connected: what it sent so far.
class OneWindow::Visit final : public QObject {
  public:
    Visit(OneWindow& window, int fd)
        : QObject(&window), fd_(fd), notifier_(fd, QSocketNotifier::Read, this) {
        connect(&notifier_, &QSocketNotifier::activated, this,
                [&window, this] { window.read(*this); });
    }
    ~Visit() override {
        notifier_.setEnabled(false); // before its socket goes
        ::close(fd_);
    }

    // Ends the visit, with the answer that the records were taken or without any.
    void end(bool taken) {
        notifier_.setEnabled(false);
        if (taken) ::send(fd_, "\1", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        deleteLater();
    }

    const int fd_;
    QSocketNotifier notifier_;
    QByteArray data_;
};

OneWindow::OneWindow(QString address) : address_(std::move(address)) {}

OneWindow::~OneWindow() {
    leave();
}

QString OneWindow::address(const QString& platform, const QByteArray& display,
                           const QByteArray& runtimeFolder, uint user) {
    QString shown;
    if (platform == QLatin1String("xcb")) {
        if (display.isEmpty()) return {};
        shown = QStringLiteral("x") + fileNamePart(display);
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        shown = fileNamePart(display.isEmpty() ? QByteArray("wayland-0") : display);
    } else if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ||
               platform.isEmpty()) {
        return {};
    } else {
        shown = fileNamePart(platform.toLatin1()); // a screen of the machine's own
    }
    // The runtime folder is the user's alone; the shared temporary folder holds everyone's,
    // so there the name carries the user's number.
    if (ownFolder(runtimeFolder, user))
        return QFile::decodeName(runtimeFolder) + QStringLiteral("/tarvenko-") + shown;
    return QDir::tempPath() + QStringLiteral("/tarvenko-%1-").arg(user) + shown;
}

QString OneWindow::addressHere() {
    const QString platform = QGuiApplication::platformName();
    const QByteArray display =
        qgetenv(platform.startsWith(QLatin1String("wayland")) ? "WAYLAND_DISPLAY" : "DISPLAY");
    return address(platform, display, qgetenv("XDG_RUNTIME_DIR"), ::getuid());
}

bool OneWindow::handOver(const QList<QByteArray>& records) {
    if (address_.isEmpty() || listening()) return false;
    // Only one start at a time asks and, finding no one, listens: two at once never both
    // take the socket. A lock left by a killed program is taken over (its process is gone).
    QLockFile lock(address_ + QStringLiteral(".lock"));
    if (!lock.tryLock(30000)) return false; // the start holding it is stuck: a window apart
    switch (tell(records)) {
    case Answer::Taken:
        return true;
    case Answer::Leaving: {
        // Its program removes the socket as it ends; taken over before, the socket it
        // removed would be this one's.
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo::exists(address_) && waited.elapsed() < 2000) QThread::msleep(10);
        break;
    }
    case Answer::NoOne:
        break;
    }
    listen();
    return false;
}

namespace {

bool socketAddress(const QString& path, sockaddr_un& name) {
    const QByteArray bytes = QFile::encodeName(path);
    name = sockaddr_un{};
    name.sun_family = AF_UNIX;
    if (bytes.size() >= static_cast<qsizetype>(sizeof name.sun_path)) return false;
    std::memcpy(name.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

} // namespace

OneWindow::Answer OneWindow::tell(const QList<QByteArray>& records) {
    const QFileInfo socket(address_);
    // Only a socket of this user's is trusted with the records (the temporary folder is
    // everyone's).
    sockaddr_un name;
    if (!socket.exists() || socket.ownerId() != ::getuid() || !socketAddress(address_, name))
        return Answer::NoOne;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Answer::NoOne;
    // A socket nobody listens on any more refuses at once; a running program accepts even
    // while it is busy.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&name), sizeof name) != 0) {
        ::close(fd);
        return Answer::NoOne;
    }
    const QByteArray data = message(records);
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + sent,
                                 static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += n;
    }
    // The window answers once it has taken the records; one that is ending shuts the
    // connection instead. A window busy for long reads them when it gets to them.
    Answer answer = Answer::Leaving;
    if (sent == data.size()) {
        pollfd wait{fd, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&wait, 1, 10000);
        } while (ready < 0 && errno == EINTR);
        char reply = 0;
        if (ready == 0 || (ready > 0 && ::recv(fd, &reply, 1, 0) == 1)) answer = Answer::Taken;
    }
    ::close(fd);
    return answer;
}

void OneWindow::listen() {
    sockaddr_un name;
    if (!socketAddress(address_, name)) return; // too long a path: a window of its own
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return;
    // Nobody answered at the address: what is there was left by a program that ended
    // without removing it.
    ::unlink(name.sun_path);
    struct stat made;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&name), sizeof name) != 0 ||
        ::chmod(name.sun_path, 0600) != 0 || ::stat(name.sun_path, &made) != 0 ||
        ::listen(fd, 16) != 0) {
        ::close(fd);
        return; // a window of its own, as before
    }
    listener_ = fd;
    inode_ = made.st_ino;
    knocks_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(knocks_, &QSocketNotifier::activated, this, &OneWindow::take);
}

void OneWindow::leave() {
    if (listener_ < 0) return;
    // The socket's file goes first, and only if it is still this program's: a start from now
    // on finds no one and opens its own window, and that one's socket is never removed here.
    // Connections still waiting then end unanswered, and their starts take over.
    struct stat now;
    if (::stat(QFile::encodeName(address_).constData(), &now) == 0 && now.st_ino == inode_)
        ::unlink(QFile::encodeName(address_).constData());
    delete knocks_;
    knocks_ = nullptr;
    ::close(listener_);
    listener_ = -1;
}

void OneWindow::take() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        // Only this user's programs come in.
        ucred peer{};
        socklen_t size = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
            peer.uid != ::getuid()) {
            ::close(fd);
            continue;
        }
        new Visit(*this, fd);
    }
}

void OneWindow::read(Visit& visit) {
    char chunk[4096];
    ssize_t n;
    while ((n = ::recv(visit.fd_, chunk, sizeof chunk, 0)) > 0) visit.data_.append(chunk, n);
    const bool closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    if (visit.data_.size() > kLargest) return visit.end(false);
    QDataStream in(visit.data_);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 mark = 0;
    QList<QByteArray> asked;
    in >> mark;
    if (in.status() == QDataStream::Ok && mark != kMark) return visit.end(false); // not ours
    in >> asked;
    if (in.status() != QDataStream::Ok) {
        // The rest is on its way, unless the start has gone or sent something else.
        if (closed || in.status() != QDataStream::ReadPastEnd) visit.end(false);
        return;
    }
    visit.notifier_.setEnabled(false); // read whole: nothing more comes in
    bool taken = true;
    if (arrived_) {
        taken = arrived_(asked);
    } else {
        early_.append(asked);
    }
    visit.end(taken);
}

void OneWindow::onArrival(Arrival arrived) {
    arrived_ = std::move(arrived);
    const QList<QList<QByteArray>> early = std::exchange(early_, {});
    if (arrived_)
        for (const QList<QByteArray>& asked : early) arrived_(asked);
}

} // namespace tarvenko
