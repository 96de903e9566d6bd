#include "platform/qt/OneWindow.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
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

bool records(const QByteArray& data, QList<QByteArray>& out) {
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 mark = 0;
    in >> mark;
    if (mark != kMark) return false;
    in >> out;
    return in.status() == QDataStream::Ok && in.atEnd();
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
    if (!lock.tryLock(10000)) return false; // the start holding it is stuck: a window apart
    if (tell(records)) return true;
    listen();
    return false;
}

bool OneWindow::tell(const QList<QByteArray>& records) {
    const QFileInfo socket(address_);
    // Only a socket of this user's is trusted with the records (the temporary folder is
    // everyone's).
    if (!socket.exists() || socket.ownerId() != ::getuid()) return false;
    QLocalSocket to;
    to.connectToServer(address_);
    // A socket nobody listens on any more refuses at once; a running program accepts even
    // while it is busy, and reads the message when it gets to it.
    if (!to.waitForConnected(2000)) return false;
    const QByteArray data = message(records);
    if (to.write(data) != data.size()) return false;
    while (to.bytesToWrite() > 0) {
        if (!to.waitForBytesWritten(5000)) return false;
    }
    to.disconnectFromServer();
    return true;
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

void OneWindow::take() {
    while (QLocalSocket* from = server_->nextPendingConnection()) {
        auto data = std::make_shared<QByteArray>();
        connect(from, &QLocalSocket::readyRead, this, [from, data] {
            *data += from->readAll();
            if (data->size() > kLargest) {
                data->clear();
                from->abort();
            }
        });
        connect(from, &QLocalSocket::disconnected, this, [this, from, data] {
            *data += from->readAll();
            from->deleteLater();
            arrive(*data);
        });
    }
}

void OneWindow::arrive(const QByteArray& data) {
    QList<QByteArray> asked;
    if (data.isEmpty() || !records(data, asked)) return;
    if (arrived_) {
        arrived_(asked);
    } else {
        early_.append(asked);
    }
}

void OneWindow::onArrival(Arrival arrived) {
    arrived_ = std::move(arrived);
    const QList<QList<QByteArray>> early = std::exchange(early_, {});
    if (arrived_)
        for (const QList<QByteArray>& asked : early) arrived_(asked);
}

} // namespace tarvenko
