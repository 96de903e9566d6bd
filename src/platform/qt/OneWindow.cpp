#include "platform/qt/OneWindow.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QThread>
#include <memory>
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

OneWindow::OneWindow(QString address) : address_(std::move(address)) {}

OneWindow::~OneWindow() = default;

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
    if (address_.isEmpty() || server_ != nullptr) return false;
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

OneWindow::Answer OneWindow::tell(const QList<QByteArray>& records) {
    const QFileInfo socket(address_);
    // Only a socket of this user's is trusted with the records (the temporary folder is
    // everyone's).
    if (!socket.exists() || socket.ownerId() != ::getuid()) return Answer::NoOne;
    QLocalSocket to;
    to.connectToServer(address_);
    // A socket nobody listens on any more refuses at once; a running program accepts even
    // while it is busy.
    if (!to.waitForConnected(2000)) return Answer::NoOne;
    const QByteArray data = message(records);
    to.write(data);
    while (to.bytesToWrite() > 0) {
        if (!to.waitForBytesWritten(10000)) break;
    }
    // The window answers once it has taken the records; one that is ending shuts the
    // connection instead. A window busy for long reads them when it gets to them.
    if (to.waitForReadyRead(10000)) return Answer::Taken;
    if (to.state() == QLocalSocket::ConnectedState && to.bytesToWrite() == 0) return Answer::Taken;
    return Answer::Leaving;
}

void OneWindow::listen() {
    auto server = std::make_unique<QLocalServer>(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered at the address: what is there was left by a program that ended
    // without closing it.
    QLocalServer::removeServer(address_);
    if (!server->listen(address_)) return; // a window of its own, as before
    connect(server.get(), &QLocalServer::newConnection, this, &OneWindow::take);
    server_ = server.release();
}

void OneWindow::leave() {
    if (server_ == nullptr) return;
    // Closing removes the socket: a start from now on finds no one and opens its own window.
    // The connections open now end with it (this may be called from one of them).
    server_->close();
    server_->deleteLater();
    server_ = nullptr;
}

void OneWindow::take() {
    while (QLocalSocket* from = server_->nextPendingConnection()) {
        connect(from, &QLocalSocket::disconnected, from, &QObject::deleteLater);
        connect(from, &QLocalSocket::readyRead, this, [this, from] { read(from); });
    }
}

void OneWindow::read(QLocalSocket* from) {
    if (from->bytesAvailable() > kLargest) {
        from->abort();
        return;
    }
    QDataStream in(from);
    in.setVersion(QDataStream::Qt_6_0);
    in.startTransaction();
    quint32 mark = 0;
    QList<QByteArray> asked;
    in >> mark;
    if (in.status() == QDataStream::Ok && mark != kMark) {
        from->abort(); // not ours
        return;
    }
    in >> asked;
    if (!in.commitTransaction()) {
        if (in.status() != QDataStream::ReadPastEnd) from->abort();
        return; // else the rest is on its way
    }
    bool taken = true;
    const QPointer<QLocalSocket> still(from);
    if (arrived_) {
        taken = arrived_(asked);
    } else {
        early_.append(asked);
    }
    if (!still) return;
    if (!taken) {
        from->abort();
        return;
    }
    from->write("\1", 1);
    from->disconnectFromServer();
}

void OneWindow::onArrival(Arrival arrived) {
    arrived_ = std::move(arrived);
    const QList<QList<QByteArray>> early = std::exchange(early_, {});
    if (arrived_)
        for (const QList<QByteArray>& asked : early) arrived_(asked);
}

} // namespace tarvenko
