#include "platform/qt/QtHome.h"

#include "platform/qt/Language.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <cstdio>

namespace tarvenko {

namespace {

QString xdgFolder(const char* variable, const char* fallback) {
    // Relative paths are to be ignored, as the XDG base directory rules say.
    const QString set = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(set)) return set;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
}

void complain(const QSettings& file, const QStringList& unusable) {
    if (unusable.isEmpty()) return;
    std::fprintf(stderr, "tarvenko: %s: %s cannot be used; the default is taken instead\n",
                 qPrintable(file.fileName()), qPrintable(unusable.join(QStringLiteral(", "))));
}

// An integer setting within [low, high]; `fallback` (and a complaint) when it is not one.
int integer(QSettings& file, const QString& key, int low, int high, int fallback,
            QStringList& unusable) {
    if (!file.contains(key)) return fallback;
    bool ok = false;
    const int value = file.value(key).toString().toInt(&ok);
    if (ok && value >= low && value <= high) return value;
    unusable << key;
    return fallback;
}

// A word of `words`, by its index; `fallback` (and a complaint) when it is none of them.
int word(QSettings& file, const QString& key, const QStringList& words, int fallback,
         QStringList& unusable) {
    if (!file.contains(key)) return fallback;
    const int at = words.indexOf(file.value(key).toString());
    if (at >= 0) return at;
    unusable << key;
    return fallback;
}

const QStringList kBooleans = {QStringLiteral("false"), QStringLiteral("true")};
const QStringList kWindowStates = {QStringLiteral("normal"), QStringLiteral("maximised"),
                                   QStringLiteral("fullscreen")};
const char* const kStrengthGroups[Statistics::kStrengths] = {"standard", "strong", "strongest"};
const char* const kStatisticsKeys[Statistics::kSides][Statistics::kResults] = {
    {"sente_won", "sente_lost", "sente_unfinished"}, {"gote_won", "gote_lost", "gote_unfinished"}};

} // namespace

QtHome::QtHome(const QString& configFolder, const QString& stateFolder)
    : folder_(configFolder + QStringLiteral("/Tarvenko")),
      keptFile_(stateFolder + QStringLiteral("/Tarvenko/kept-game.tkf")) {}

QtHome::~QtHome() = default;

QString QtHome::desktopConfigFolder() {
    return xdgFolder("XDG_CONFIG_HOME", ".config");
}

QString QtHome::desktopStateFolder() {
    return xdgFolder("XDG_STATE_HOME", ".local/state");
}

QSettings& QtHome::open(std::unique_ptr<QSettings>& file, const QString& path) {
    if (file) return *file;
    file = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (file->status() == QSettings::FormatError) {
        // The toolkit never writes over a file it cannot parse: it is moved aside, so the
        // next choices are kept again.
        const QString aside = path + QStringLiteral(".broken");
        QFile::remove(aside);
        const bool moved = QFile::rename(path, aside);
        std::fprintf(
            stderr, "tarvenko: %s is not a valid settings file%s; the defaults are taken\n",
            qPrintable(path),
            moved ? qPrintable(QStringLiteral(" (kept as ") + aside + QLatin1Char(')')) : "");
        file = std::make_unique<QSettings>(path, QSettings::IniFormat);
    } else if (file->status() == QSettings::AccessError) {
        std::fprintf(stderr, "tarvenko: %s cannot be read; the defaults are taken\n",
                     qPrintable(path));
    }
    return *file;
}

void QtHome::write(QSettings& file) {
    file.sync();
    if (file.status() != QSettings::NoError) {
        std::fprintf(stderr, "tarvenko: %s cannot be written; it is not remembered\n",
                     qPrintable(file.fileName()));
    }
}

Settings QtHome::readSettings() {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    Settings s;
    QStringList unusable;
    s.strength = integer(file, QStringLiteral("game/strength"), 0, 2, s.strength, unusable);
    s.music = word(file, QStringLiteral("game/music"), kBooleans, s.music, unusable) == 1;
    s.analysis = word(file, QStringLiteral("game/analysis"), kBooleans, s.analysis, unusable) == 1;
    // The solved puzzles' ids, eight hexadecimal digits each, one space apart.
    const QString solved = file.value(QStringLiteral("puzzles/solved")).toString();
    for (const QString& id : solved.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint value = id.toUInt(&ok, 16);
        if (ok && id.size() == 8) {
            s.puzzlesSolved.push_back(value);
        } else {
            unusable << QStringLiteral("puzzles/solved");
            s.puzzlesSolved.clear();
            break;
        }
    }
    complain(file, unusable);
    return s;
}

void QtHome::writeSettings(const Settings& s) {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    file.setValue(QStringLiteral("game/strength"), s.strength);
    file.setValue(QStringLiteral("game/music"), kBooleans[s.music ? 1 : 0]);
    file.setValue(QStringLiteral("game/analysis"), kBooleans[s.analysis ? 1 : 0]);
    if (!s.puzzlesSolved.empty()) {
        QStringList ids;
        for (const std::uint32_t id : s.puzzlesSolved)
            ids << QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
        file.setValue(QStringLiteral("puzzles/solved"), ids.join(QLatin1Char(' ')));
    }
    write(file);
}

Statistics QtHome::readStatistics() {
    QSettings& file = open(statistics_, folder_ + QStringLiteral("/statistics.ini"));
    Statistics s;
    QStringList unusable;
    for (int strength = 0; strength < Statistics::kStrengths; ++strength) {
        for (int side = 0; side < Statistics::kSides; ++side) {
            for (int result = 0; result < Statistics::kResults; ++result) {
                s.com[strength][side][result] =
                    integer(file,
                            QLatin1String(kStrengthGroups[strength]) + QLatin1Char('/') +
                                QLatin1String(kStatisticsKeys[side][result]),
                            0, Statistics::kMost, 0, unusable);
            }
        }
    }
    s.twoPerson =
        integer(file, QStringLiteral("two_person/games"), 0, Statistics::kMost, 0, unusable);
    complain(file, unusable);
    return s;
}

void QtHome::writeStatistics(const Statistics& s) {
    QSettings& file = open(statistics_, folder_ + QStringLiteral("/statistics.ini"));
    for (int strength = 0; strength < Statistics::kStrengths; ++strength) {
        for (int side = 0; side < Statistics::kSides; ++side) {
            for (int result = 0; result < Statistics::kResults; ++result) {
                file.setValue(QLatin1String(kStrengthGroups[strength]) + QLatin1Char('/') +
                                  QLatin1String(kStatisticsKeys[side][result]),
                              s.com[strength][side][result]);
            }
        }
    }
    file.setValue(QStringLiteral("two_person/games"), s.twoPerson);
    write(file);
}

std::string QtHome::keptGamePath(bool forWriting) {
    if (forWriting) QDir().mkpath(QFileInfo(keptFile_).path());
    return QFile::encodeName(keptFile_).toStdString();
}

bool QtHome::hasKeptGame() {
    return QFileInfo::exists(keptFile_);
}

void QtHome::removeKeptGame() {
    QFile::remove(keptFile_);
}

void QtHome::moveKeptGameAside() {
    // kept-game.broken.tkf, else kept-game.broken-2.tkf, ...: an earlier one is never replaced.
    const QString stem = keptFile_.chopped(4) + QStringLiteral(".broken");
    for (int n = 1; n <= 100; ++n) {
        const QString aside =
            stem + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".tkf");
        if (!QFileInfo::exists(aside) && QFile::rename(keptFile_, aside)) return;
    }
}

QString QtHome::recordFolder() {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    const QString folder = file.value(QStringLiteral("dialogs/folder")).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void QtHome::setRecordFolder(const QString& folder) {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    if (file.value(QStringLiteral("dialogs/folder")).toString() == folder) return;
    file.setValue(QStringLiteral("dialogs/folder"), folder);
    write(file);
}

QString QtHome::language() {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    const QString code = file.value(QStringLiteral("game/language")).toString();
    if (code.isEmpty() || language::available().contains(code)) return code;
    std::fprintf(stderr,
                 "tarvenko: %s: game/language cannot be used; the locale's language is taken\n",
                 qPrintable(file.fileName()));
    return {};
}

void QtHome::setLanguage(const QString& code) {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    if (file.value(QStringLiteral("game/language")).toString() == code) return;
    file.setValue(QStringLiteral("game/language"), code);
    write(file);
}

QtHome::WindowPlace QtHome::windowPlace() {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    WindowPlace place;
    QStringList unusable;
    const int width = integer(file, QStringLiteral("window/width"), 1, 100000, 0, unusable);
    const int height = integer(file, QStringLiteral("window/height"), 1, 100000, 0, unusable);
    if (width > 0 && height > 0) place.size = QSize(width, height);
    place.state = static_cast<WindowPlace::State>(
        word(file, QStringLiteral("window/state"), kWindowStates, WindowPlace::Normal, unusable));
    complain(file, unusable);
    return place;
}

void QtHome::setWindowPlace(const WindowPlace& place) {
    QSettings& file = open(settings_, folder_ + QStringLiteral("/Tarvenko.ini"));
    file.setValue(QStringLiteral("window/width"), place.size.width());
    file.setValue(QStringLiteral("window/height"), place.size.height());
    file.setValue(QStringLiteral("window/state"), kWindowStates[place.state]);
    write(file);
}

} // namespace tarvenko
