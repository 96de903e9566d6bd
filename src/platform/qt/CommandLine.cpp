#include "platform/qt/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageLogContext>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace tarvenko::command_line {

namespace {

// The toolkit's own options (QGuiApplication, QApplication and the X11 platform), which the
// application takes off the command line itself; the desktop's session manager restarts a
// program with -session.
constexpr const char* kToolkitOptionsWithValue[] = {"platform",      "platformpluginpath",
                                                    "platformtheme", "plugin",
                                                    "qmljsdebugger", "qwindowgeometry",
                                                    "geometry",      "qwindowicon",
                                                    "qwindowtitle",  "session",
                                                    "display",       "style",
                                                    "stylesheet"};
constexpr const char* kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb"};

void addHidden(QCommandLineParser& parser, const char* name, bool value) {
    QCommandLineOption option(QString::fromLatin1(name));
    if (value) option.setValueName(QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
}

QByteArray absolute(const QString& record) {
    const QByteArray name = QFile::encodeName(record);
    if (name.startsWith('/')) return name;
    QByteArray folder = qgetenv("TARVENKO_STARTED_IN");
    if (!folder.startsWith('/')) folder = QFile::encodeName(QDir::currentPath());
    if (!folder.endsWith('/')) folder += '/';
    return folder + name;
}

} // namespace

Request read(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // "-platform offscreen" is the toolkit's way, so a single dash names a whole word.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Tarvenko: three in a row with shogi pieces, dropped on a 9x9 board."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("record"),
        QStringLiteral("A game record (.tkf) to open, as Position → Open Record… "
                       "(局面 → 棋譜を開く…) does."),
        QStringLiteral("[record]"));
    for (const char* name : kToolkitOptionsWithValue) addHidden(parser, name, true);
    for (const char* name : kToolkitFlags) addHidden(parser, name, false);

    Request request;
    const bool understood = parser.parse(arguments);
    QStringList records = parser.positionalArguments();
    records.removeAll(QString());
    if (!understood || records.size() > 1) {
        const QString why = understood ? QStringLiteral("only one record can be opened at a time")
                                       : parser.errorText();
        std::fprintf(stderr, "tarvenko: %s\nTry 'tarvenko --help' for more information.\n",
                     qPrintable(why));
        request.exitStatus = 2;
        return request;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")) || parser.isSet(version)) {
        // The parser's answers name the program and list the toolkit's options from an
        // application object; one without a display does.
        QCoreApplication answers(argc, argv);
        parser.process(answers); // prints and ends the program with status 0
        request.exitStatus = 0;
        return request;
    }
    if (!records.isEmpty()) request.record = absolute(records.constFirst());
    return request;
}

namespace {

// A message of the toolkit's, held while the application is made.
struct Held {
    QtMsgType type;
    std::string file, function, category;
    int line;
    QString text;
};

std::mutex heldLock;
std::vector<Held> held;
QtMessageHandler previous = nullptr;

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // The toolkit gives up only when no platform could show a window; it would abort
        // with a core dump and advice that does not apply.
        const QByteArray display = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY");
        if (display.isEmpty() && wayland.isEmpty()) {
            std::fputs("tarvenko: the game needs a graphical desktop, and none was found "
                       "(no DISPLAY or WAYLAND_DISPLAY is set)\n",
                       stderr);
        } else {
            std::fprintf(stderr,
                         "tarvenko: the game needs a graphical desktop, and the display %s "
                         "could not be opened\n",
                         (display.isEmpty() ? wayland : display).constData());
        }
        std::fflush(stderr);
        std::_Exit(1);
    }
    std::lock_guard<std::mutex> hold(heldLock);
    held.push_back({type, context.file ? context.file : "",
                    context.function ? context.function : "",
                    context.category ? context.category : "", context.line, text});
}

} // namespace

DesktopCheck::DesktopCheck() {
    previous = qInstallMessageHandler(holdOrEnd);
}

DesktopCheck::~DesktopCheck() {
    passed();
}

void DesktopCheck::passed() {
    if (!active_) return;
    active_ = false;
    qInstallMessageHandler(previous);
    std::vector<Held> messages;
    {
        std::lock_guard<std::mutex> hold(heldLock);
        messages.swap(held);
    }
    for (const Held& m : messages) {
        const QMessageLogContext context(m.file.empty() ? nullptr : m.file.c_str(), m.line,
                                         m.function.empty() ? nullptr : m.function.c_str(),
                                         m.category.empty() ? nullptr : m.category.c_str());
        if (previous) previous(m.type, context, m.text);
    }
}

} // namespace tarvenko::command_line
