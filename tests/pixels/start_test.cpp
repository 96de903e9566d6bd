// A start of the program: what its command line asks for, and the one window that later starts
// on the same display hand their records to.
#include "platform/qt/CommandLine.h"
#include "platform/qt/OneWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstring>
#include <vector>

using namespace tarvenko;

namespace {

// Runs the event loop until `done`; false if it never is (a hang, not a slow machine).
template <class Done> bool eventsUntil(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

enum class Start { HandedOver, Listening, Alone };

// A later start of the program at `address`: another process (this one, told so by
// pixel_main), while this one's event loop serves the window already there.
Start laterStart(const QString& address, const QList<QByteArray>& records) {
    QStringList arguments{"--later-start", address};
    for (const QByteArray& r : records) arguments << QString::fromLocal8Bit(r);
    QProcess start;
    start.setProcessChannelMode(QProcess::ForwardedChannels);
    start.start(QCoreApplication::applicationFilePath(), arguments);
    eventsUntil([&] { return start.state() == QProcess::NotRunning; });
    EXPECT_EQ(start.exitStatus(), QProcess::NormalExit);
    return static_cast<Start>(start.exitCode());
}

} // namespace

TEST(CommandLine, RecordsOptionsAndMistakes) {
    qputenv("TARVENKO_STARTED_IN", "/started/in");
    struct Case {
        std::vector<const char*> argv;
        const char* record;
        int status; // -1: the game starts
    } cases[] = {
        {{"tarvenko"}, "", -1},
        {{"tarvenko", "game.tkf"}, "/started/in/game.tkf", -1},
        {{"tarvenko", "/a folder/game.tkf"}, "/a folder/game.tkf", -1},
        // The toolkit's own options pass, for the application to take.
        {{"tarvenko", "-platform", "offscreen", "-session", "1a2b", "-reverse", "sub/g.tkf"},
         "/started/in/sub/g.tkf",
         -1},
        {{"tarvenko", "--", "-odd.tkf"}, "/started/in/-odd.tkf", -1},
        {{"tarvenko", "--no-such-option"}, "", 2},
        {{"tarvenko", "-platform"}, "", 2},
        {{"tarvenko", "a.tkf", "b.tkf"}, "", 2},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.argv) argv.push_back(const_cast<char*>(a));
        const command_line::Request r =
            command_line::read(static_cast<int>(argv.size()), argv.data());
        const std::string line = c.argv.size() > 1 ? c.argv[1] : "(none)";
        EXPECT_EQ(r.record.toStdString(), c.record) << line;
        EXPECT_EQ(r.exitStatus.value_or(-1), c.status) << line;
    }
    // Without the launcher's word, from the folder the program runs in.
    qunsetenv("TARVENKO_STARTED_IN");
    char program[] = "tarvenko", record[] = "game.tkf";
    char* argv[] = {program, record};
    EXPECT_EQ(command_line::read(2, argv).record,
              QFile::encodeName(QDir::currentPath()) + "/game.tkf");
}

TEST(OneWindow, AddressByUserAndDisplay) {
    QTemporaryDir runtime;
    const QByteArray own = QFile::encodeName(runtime.path());
    const uint me = ::getuid();
    const QString shared = QDir::tempPath() + QStringLiteral("/tarvenko-%1-").arg(me);
    EXPECT_EQ(OneWindow::address("xcb", ":0", own, me), runtime.path() + "/tarvenko-x_0");
    EXPECT_EQ(OneWindow::address("xcb", ":0.0", own, me), runtime.path() + "/tarvenko-x_0");
    EXPECT_EQ(OneWindow::address("xcb", "host:10.0", own, me),
              runtime.path() + "/tarvenko-xhost_10");
    EXPECT_EQ(OneWindow::address("wayland", "", own, me), runtime.path() + "/tarvenko-wayland-0");
    EXPECT_EQ(OneWindow::address("wayland", "/run/w/1", own, me),
              runtime.path() + "/tarvenko-_run_w_1");
    // No runtime folder of the user's own: the shared one, the user's number in the name.
    EXPECT_EQ(OneWindow::address("xcb", ":1", "", me), shared + "x_1");
    EXPECT_EQ(OneWindow::address("xcb", ":1", "relative", me), shared + "x_1");
    EXPECT_EQ(OneWindow::address("xcb", ":1", own, me + 1),
              QDir::tempPath() + QStringLiteral("/tarvenko-%1-x_1").arg(me + 1));
    // Nothing to share.
    EXPECT_EQ(OneWindow::address("offscreen", ":0", own, me), QString());
    EXPECT_EQ(OneWindow::address("minimal", ":0", own, me), QString());
    EXPECT_EQ(OneWindow::address("xcb", "", own, me), QString());
}

TEST(OneWindow, LaterStartsHandTheirRecordsToTheFirst) {
    QTemporaryDir runtime;
    const QString address = runtime.path() + "/tarvenko-x_9";
    OneWindow first(address);
    EXPECT_FALSE(first.handOver({"/r/first.tkf"}));
    ASSERT_TRUE(first.listening());

    // Not ours: refused, and the next start still gets through.
    QLocalSocket stranger;
    stranger.connectToServer(address);
    ASSERT_TRUE(stranger.waitForConnected(10000));
    stranger.write("hello, window");
    ASSERT_TRUE(eventsUntil([&] { return stranger.state() != QLocalSocket::ConnectedState; }));
    // What comes before the window is ready is taken, and handed over once it is.
    EXPECT_EQ(laterStart(address, {"/a folder/r.tkf"}), Start::HandedOver);
    EXPECT_EQ(laterStart(address, {}), Start::HandedOver);
    std::vector<QList<QByteArray>> arrived;
    first.onArrival([&](const QList<QByteArray>& records) {
        arrived.push_back(records);
        return true;
    });
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_EQ(arrived[0], QList<QByteArray>{"/a folder/r.tkf"});
    EXPECT_TRUE(arrived[1].isEmpty());
    EXPECT_EQ(laterStart(address, {"/r/later.tkf"}), Start::HandedOver);
    ASSERT_EQ(arrived.size(), 3u);
    EXPECT_EQ(arrived[2], QList<QByteArray>{"/r/later.tkf"});
}

TEST(OneWindow, AWindowThatEndsLetsTheNextStartOpenItsOwn) {
    QTemporaryDir runtime;
    const QString address = runtime.path() + "/tarvenko-x_9";
    OneWindow first(address);
    EXPECT_FALSE(first.handOver({}));
    // Ending while a start waits for its answer: that start takes the window's place.
    first.onArrival([&](const QList<QByteArray>&) {
        first.leave();
        return false;
    });
    EXPECT_EQ(laterStart(address, {"/r/r.tkf"}), Start::Listening);
    EXPECT_FALSE(first.listening());
    EXPECT_FALSE(QFile::exists(address)); // the later start's, gone with it
    // Ended before: the next start finds no one.
    OneWindow second(address);
    EXPECT_FALSE(second.handOver({}));
    second.leave();
    EXPECT_EQ(laterStart(address, {}), Start::Listening);
}

TEST(OneWindow, ASocketLeftByAKilledProgramIsTakenOver) {
    QTemporaryDir runtime;
    const QString address = runtime.path() + "/tarvenko-x_9";
    // Bound, never listened on, closed without being removed: what kill -9 leaves.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(address);
    std::memcpy(name.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&name), sizeof name), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(address));
    EXPECT_EQ(laterStart(address, {}), Start::Listening);
}

TEST(OneWindow, ASocketOfAnotherUserIsNeverTold) {
    QTemporaryDir shared;
    const QString address = shared.path() + "/tarvenko-x_9";
    QLocalServer theirs;
    ASSERT_TRUE(theirs.listen(address));
    if (::getuid() != 0 || ::chown(QFile::encodeName(address).constData(), 65534, 65534) != 0)
        GTEST_SKIP() << "needs root to give the socket to another user";
    EXPECT_NE(laterStart(address, {"/secret/r.tkf"}), Start::HandedOver);
    QCoreApplication::processEvents();
    EXPECT_FALSE(theirs.hasPendingConnections());
}
