#include "platform/qt/QtHome.h"

#include "platform/qt/Language.h"
#include "platform/posix/HomeFiles.h"
#include "record/kifu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvenko {

namespace {

QString xdgFolder(const char* variable, const char* fallback) {
    // Relative paths are to be ignored, as the XDG base directory rules say.
    const QString set = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(set)) return set;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
}

void complain(const std::string& file, const QStringList& unusable) {
    if (unusable.isEmpty()) return;
    std::fprintf(stderr, "tarvenko: %s: %s cannot be used; the default is taken instead\n",
                 file.c_str(), qPrintable(unusable.join(QStringLiteral(", "))));
}

// An integer setting within [low, high]; `fallback` (and a complaint) when it is not one.
int integer(QSettings* file, const QString& key, int low, int high, int fallback,
            QStringList& unusable) {
    if (file == nullptr || !file->contains(key)) return fallback;
    bool ok = false;
    const int value = file->value(key).toString().toInt(&ok);
    if (ok && value >= low && value <= high) return value;
    unusable << key;
    return fallback;
}

// A word of `words`, by its index; `fallback` (and a complaint) when it is none of them.
int word(QSettings* file, const QString& key, const QStringList& words, int fallback,
         QStringList& unusable) {
    if (file == nullptr || !file->contains(key)) return fallback;
    const int at = words.indexOf(file->value(key).toString());
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

std::string local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// What a file that could not be used is, and where it went; one line on standard error.
void reportUnusable(const std::string& path, const std::string& problem, bool moved,
                    const std::string& aside, const char* instead) {
    std::fprintf(stderr, "tarvenko: %s %s%s%s%s; %s\n", path.c_str(), problem.c_str(),
                 moved ? " (kept as " : "", moved ? aside.c_str() : "", moved ? ")" : "", instead);
}

// The statistics file: INI lines as the toolkit writes them, read and written here so that a
// count is added to what is on the disk at that moment, under the lock.
struct Entry {
    std::string group, key, value;
};

std::string trimmed(std::string_view s) {
    const std::size_t from = s.find_first_not_of(" \t");
    if (from == std::string_view::npos) return {};
    const std::size_t to = s.find_last_not_of(" \t");
    return std::string(s.substr(from, to - from + 1));
}

// False when the text is not INI lines at all.
bool parseIni(const std::string& bytes, std::vector<Entry>& out) {
    if (homefiles::binary(bytes)) return false;
    std::string group;
    std::string_view rest(bytes);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string line = trimmed(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line = trimmed(line.substr(0, line.size() - 1));
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return false;
            group = trimmed(std::string_view(line).substr(1, line.size() - 2));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) return false;
        std::string value = trimmed(std::string_view(line).substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        out.push_back({group, trimmed(std::string_view(line).substr(0, equals)), value});
    }
    return true;
}

// A count as the file has it: digits within [0, Statistics::kMost].
bool countOf(const std::string& text, int& n) {
    std::size_t i = text.size() > 1 && text[0] == '+' ? 1 : 0;
    if (i == text.size() || text.size() - i > 9) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    if (v > Statistics::kMost) return false;
    n = static_cast<int>(v);
    return true;
}

constexpr const char* kBroughtBackGroup = "kept";
constexpr const char* kBroughtBackKey = "brought_back";
// Kept games brought back from files that could not be removed, remembered by what the file
// was; the latest few are enough.
constexpr std::size_t kBroughtBackKept = 16;

bool isKeptName(std::string_view name) {
    constexpr std::string_view stem = "kept-game", ext = ".tkf";
    if (name.size() < stem.size() + ext.size() || name.substr(0, stem.size()) != stem ||
        name.substr(name.size() - ext.size()) != ext)
        return false;
    const std::string_view middle =
        name.substr(stem.size(), name.size() - stem.size() - ext.size());
    if (middle.empty()) return true;
    if (middle.size() < 2 || middle.size() > 3 || middle[0] != '-' || middle[1] == '0')
        return false;
    for (char c : middle.substr(1)) {
        if (c < '0' || c > '9') return false;
    }
    return middle != "-1";
}

// The files written under the kept games' lock: the kept games and those moved aside.
bool keptWritten(std::string_view name) {
    return name.substr(0, 9) == "kept-game" && name.size() > 13 &&
           name.substr(name.size() - 4) == ".tkf";
}

bool statisticsWritten(std::string_view name) {
    return name == "statistics.ini";
}

// A lock file the toolkit's settings left behind when a program was killed as it wrote them:
// removed once no live program holds it.
void clearSettingsLock(const QString& settingsPath) {
    const QString lock = settingsPath + QStringLiteral(".lock");
    if (!QFileInfo::exists(lock)) return;
    QLockFile leftover(lock);
    if (leftover.tryLock(0)) leftover.unlock();
}

constexpr int kMostKept = 99; // kept-game.tkf, then kept-game-2.tkf .. kept-game-99.tkf

} // namespace

struct QtHome::Counts {
    Statistics statistics;
    std::vector<std::string> broughtBack;
    std::vector<Entry> others; // what another version of the game wrote there
};

QtHome::QtHome(const QString& configFolder, const QString& stateFolder)
    : folder_(configFolder + QStringLiteral("/Tarvenko")),
      config_(local(configFolder + QStringLiteral("/Tarvenko"))),
      state_(local(stateFolder + QStringLiteral("/Tarvenko"))) {
    // What a program killed while writing left behind.
    homefiles::clearLeftovers(config_ + "/statistics.ini", &statisticsWritten);
    homefiles::clearLeftovers(keptPath(1), &keptWritten);
    clearSettingsLock(folder_ + QStringLiteral("/Tarvenko.ini"));
    seen_ = newestKept(&seenIdentity_);
}

QtHome::~QtHome() = default;

QString QtHome::desktopConfigFolder() {
    return xdgFolder("XDG_CONFIG_HOME", ".config");
}

QString QtHome::desktopStateFolder() {
    return xdgFolder("XDG_STATE_HOME", ".local/state");
}

// ---- The settings ----

QSettings* QtHome::settingsFile() {
    if (settingsLooked_) return settings_.get();
    settingsLooked_ = true;
    const QString qpath = folder_ + QStringLiteral("/Tarvenko.ini");
    const std::string path = local(qpath);
    // The toolkit would wait on a FIFO and read a huge file whole: it only ever sees a file
    // that was found to be small and regular here.
    std::string bytes, problem;
    const homefiles::Read read = homefiles::read(path, bytes, problem);
    if (read == homefiles::Read::Ok && homefiles::binary(bytes))
        problem = "is not a valid settings file";
    if (read == homefiles::Read::Ok && problem.empty()) {
        settings_ = std::make_unique<QSettings>(qpath, QSettings::IniFormat);
        settings_->allKeys(); // read now, so that what it cannot parse shows now
        if (settings_->status() == QSettings::FormatError) {
            settings_.reset();
            problem = "is not a valid settings file";
        }
    }
    if (!problem.empty()) {
        std::string aside;
        const bool moved = homefiles::moveAside(path, aside);
        reportUnusable(path, problem, moved, aside, "the defaults are taken");
        if (!moved) return nullptr;
    }
    if (!settings_) settings_ = std::make_unique<QSettings>(qpath, QSettings::IniFormat);
    return settings_.get();
}

void QtHome::write(QSettings& file) {
    // What is there now is read again as the toolkit writes: it must still be usable.
    const std::string path = local(file.fileName());
    std::string bytes, problem;
    const homefiles::Read read = homefiles::read(path, bytes, problem);
    if (read == homefiles::Read::Ok && homefiles::binary(bytes))
        problem = "is not a valid settings file";
    if (read != homefiles::Read::Missing && !problem.empty()) {
        std::string aside;
        if (!homefiles::moveAside(path, aside)) {
            std::fprintf(stderr, "tarvenko: %s cannot be written; it is not remembered\n",
                         path.c_str());
            return;
        }
        reportUnusable(path, problem, true, aside, "it is written anew");
    }
    file.sync();
    if (file.status() != QSettings::NoError) {
        std::fprintf(stderr, "tarvenko: %s cannot be written; it is not remembered\n",
                     path.c_str());
    }
}

Settings QtHome::readSettings() {
    QSettings* file = settingsFile();
    Settings s;
    QStringList unusable;
    s.strength = integer(file, QStringLiteral("game/strength"), 0, 2, s.strength, unusable);
    s.music = word(file, QStringLiteral("game/music"), kBooleans, s.music, unusable) == 1;
    s.analysis = word(file, QStringLiteral("game/analysis"), kBooleans, s.analysis, unusable) == 1;
    if (file != nullptr) {
        // The solved puzzles' ids, eight hexadecimal digits each, one space apart.
        const QString solved = file->value(QStringLiteral("puzzles/solved")).toString();
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
        complain(local(file->fileName()), unusable);
    }
    return s;
}

void QtHome::writeSettings(const Settings& s) {
    QSettings* file = settingsFile();
    if (file == nullptr) {
        std::fprintf(stderr, "tarvenko: %s/Tarvenko.ini cannot be written; it is not remembered\n",
                     config_.c_str());
        return;
    }
    file->setValue(QStringLiteral("game/strength"), s.strength);
    file->setValue(QStringLiteral("game/music"), kBooleans[s.music ? 1 : 0]);
    file->setValue(QStringLiteral("game/analysis"), kBooleans[s.analysis ? 1 : 0]);
    if (!s.puzzlesSolved.empty()) {
        QStringList ids;
        for (const std::uint32_t id : s.puzzlesSolved)
            ids << QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
        file->setValue(QStringLiteral("puzzles/solved"), ids.join(QLatin1Char(' ')));
    }
    write(*file);
}

// ---- The statistics ----

QtHome::Counts QtHome::readCounts() {
    Counts c;
    const std::string path = config_ + "/statistics.ini";
    std::string bytes, problem;
    const homefiles::Read read = homefiles::read(path, bytes, problem);
    std::vector<Entry> entries;
    if (read == homefiles::Read::Ok && !parseIni(bytes, entries))
        problem = "is not a valid settings file";
    if (read != homefiles::Read::Missing && !problem.empty()) {
        std::string aside;
        const bool moved = homefiles::moveAside(path, aside);
        if (!statisticsComplained_ || moved)
            reportUnusable(path, problem, moved, aside, "the counts start from nothing");
        statisticsComplained_ = true;
        return c;
    }
    QStringList unusable;
    std::vector<bool> used(entries.size(), false);
    auto find = [&](const char* group, const char* key) -> const std::string* {
        const std::string* found = nullptr;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].group == group && entries[i].key == key) {
                found = &entries[i].value; // the last one counts, as with the toolkit
                used[i] = true;
            }
        }
        return found;
    };
    auto count = [&](const char* group, const char* key, int& n) {
        const std::string* value = find(group, key);
        if (value != nullptr && !countOf(*value, n)) {
            n = 0;
            unusable << QLatin1String(group) + QLatin1Char('/') + QLatin1String(key);
        }
    };
    for (int strength = 0; strength < Statistics::kStrengths; ++strength) {
        for (int side = 0; side < Statistics::kSides; ++side) {
            for (int result = 0; result < Statistics::kResults; ++result) {
                count(kStrengthGroups[strength], kStatisticsKeys[side][result],
                      c.statistics.com[strength][side][result]);
            }
        }
    }
    count("two_person", "games", c.statistics.twoPerson);
    if (const std::string* list = find(kBroughtBackGroup, kBroughtBackKey)) {
        std::string_view rest(*list);
        while (!rest.empty()) {
            const std::size_t space = rest.find(' ');
            if (space != 0) c.broughtBack.emplace_back(rest.substr(0, space));
            rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!used[i]) c.others.push_back(entries[i]);
    }
    if (!statisticsComplained_) complain(path, unusable);
    statisticsComplained_ = true;
    return c;
}

void QtHome::writeCounts(const Counts& c) {
    std::string out;
    auto line = [&out](const std::string& key, const std::string& value) {
        out += key;
        out += '=';
        out += value;
        out += '\n';
    };
    // Keys in the order the toolkit sorts them, groups apart by an empty line.
    static constexpr int kSorted[Statistics::kSides * Statistics::kResults][2] = {
        {1, Statistics::Lost}, {1, Statistics::Unfinished}, {1, Statistics::Won},
        {0, Statistics::Lost}, {0, Statistics::Unfinished}, {0, Statistics::Won}};
    for (int strength = 0; strength < Statistics::kStrengths; ++strength) {
        out += '[';
        out += kStrengthGroups[strength];
        out += "]\n";
        for (const auto& k : kSorted)
            line(kStatisticsKeys[k[0]][k[1]],
                 std::to_string(c.statistics.com[strength][k[0]][k[1]]));
        out += '\n';
    }
    out += "[two_person]\n";
    line("games", std::to_string(c.statistics.twoPerson));
    if (!c.broughtBack.empty()) {
        std::string list;
        for (const std::string& id : c.broughtBack) list += (list.empty() ? "" : " ") + id;
        out += "\n[";
        out += kBroughtBackGroup;
        out += "]\n";
        line(kBroughtBackKey, list);
    }
    std::string group = "\n";
    for (const Entry& e : c.others) {
        if (e.group != group) {
            group = e.group;
            out += "\n[" + (group.empty() ? std::string("General") : group) + "]\n";
        }
        line(e.key, e.value);
    }
    QDir().mkpath(QString::fromStdString(config_));
    const std::string path = config_ + "/statistics.ini";
    if (files_.replace(path, out) != Files::Written::Ok) {
        std::fprintf(stderr, "tarvenko: %s cannot be written; it is not remembered\n",
                     path.c_str());
    }
}

Statistics QtHome::readStatistics() {
    const homefiles::Lock lock(config_ + "/statistics.ini");
    return readCounts().statistics;
}

Statistics QtHome::addStatistics(const Statistics& added) {
    QDir().mkpath(QString::fromStdString(config_));
    const homefiles::Lock lock(config_ + "/statistics.ini");
    Counts c = readCounts();
    c.statistics.add(added);
    writeCounts(c);
    return c.statistics;
}

void QtHome::resetStatistics() {
    QDir().mkpath(QString::fromStdString(config_));
    const homefiles::Lock lock(config_ + "/statistics.ini");
    Counts c = readCounts();
    c.statistics = Statistics{};
    writeCounts(c);
}

bool QtHome::firstBroughtBack(const std::string& identity) {
    QDir().mkpath(QString::fromStdString(config_));
    const homefiles::Lock lock(config_ + "/statistics.ini");
    Counts c = readCounts();
    for (const std::string& id : c.broughtBack) {
        if (id == identity) return false;
    }
    c.broughtBack.push_back(identity);
    if (c.broughtBack.size() > kBroughtBackKept) c.broughtBack.erase(c.broughtBack.begin());
    writeCounts(c);
    return true;
}

// ---- The kept games ----

std::string QtHome::keptPath(int n) const {
    return state_ +
           (n == 1 ? std::string("/kept-game.tkf") : "/kept-game-" + std::to_string(n) + ".tkf");
}

std::string QtHome::newestKept(std::string* identity) const {
    DIR* dir = ::opendir(state_.c_str());
    if (dir == nullptr) return {};
    std::string newest;
    timespec when{};
    while (const dirent* entry = ::readdir(dir)) {
        if (!isKeptName(entry->d_name)) continue;
        const std::string path = state_ + '/' + entry->d_name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) continue;
        const timespec t = info.st_mtim;
        // The newest first; of two made in the same instant, the later name.
        if (newest.empty() || t.tv_sec > when.tv_sec ||
            (t.tv_sec == when.tv_sec &&
             (t.tv_nsec > when.tv_nsec ||
              (t.tv_nsec == when.tv_nsec && (path.size() > newest.size() ||
                                             (path.size() == newest.size() && path > newest)))))) {
            newest = path;
            when = t;
        }
    }
    ::closedir(dir);
    if (identity != nullptr)
        *identity = newest.empty() ? std::string() : homefiles::identity(newest);
    return newest;
}

bool QtHome::hasKeptGame() {
    return !newestKept().empty();
}

void QtHome::moveKeptAside(const std::string& path) {
    // kept-game.broken.tkf, else kept-game.broken-2.tkf, ...: an earlier one is never replaced.
    const std::string stem = path.substr(0, path.size() - 4) + ".broken";
    for (int n = 1; n <= 100; ++n) {
        const std::string aside =
            stem + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".tkf";
        struct stat info {};
        if (::lstat(aside.c_str(), &info) != 0 && errno == ENOENT &&
            std::rename(path.c_str(), aside.c_str()) == 0)
            return;
    }
}

KeptGamePlace::Taken QtHome::takeKeptGame(bool (*isRecord)(std::string_view text)) {
    Taken t;
    const homefiles::Lock lock(keptPath(1));
    const std::string path = newestKept();
    t.name = kifu::nameOf(path.empty() ? keptPath(1) : path);
    if (path.empty()) {
        t.problem = "ファイルがありません"; // another program took it meanwhile
        return t;
    }
    if (path == seen_) seen_.clear(); // brought back: not to be replaced at the end
    t.problem = kifu::readRecord(files_, path, t.text);
    if (t.problem != nullptr || !isRecord(t.text)) {
        t.refused = t.problem == nullptr;
        moveKeptAside(path);
        return t;
    }
    t.removed = ::unlink(path.c_str()) == 0 || errno == ENOENT;
    if (!t.removed) t.identity = homefiles::identity(path);
    return t;
}

KeptGamePlace::Kept QtHome::keepGame(std::string_view text) {
    Kept k;
    QDir().mkpath(QString::fromStdString(state_));
    const homefiles::Lock lock(keptPath(1));
    // The game found at the start, still as it was: this one takes its place.
    if (!seen_.empty() && homefiles::identity(seen_) == seenIdentity_) {
        k.path = seen_;
        if (kifu::readRecord(files_, seen_, k.replaced) != nullptr) {
            k.replaced.clear();
            moveKeptAside(seen_); // not a file that can be replaced: kept for the player
        }
    } else {
        for (int n = 1; n <= kMostKept && k.path.empty(); ++n) {
            struct stat info {};
            if (::lstat(keptPath(n).c_str(), &info) != 0) k.path = keptPath(n);
        }
        if (k.path.empty()) k.path = keptPath(1); // every name taken: said as a failure below
    }
    k.written = files_.replace(k.path, text);
    if (k.written != Files::Written::Ok) {
        k.replaced.clear();
    } else {
        seen_ = k.path;
        seenIdentity_ = homefiles::identity(k.path);
    }
    return k;
}

// ---- What only the window keeps ----

QString QtHome::recordFolder() {
    QSettings* file = settingsFile();
    if (file == nullptr) return {};
    const QString folder = file->value(QStringLiteral("dialogs/folder")).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void QtHome::setRecordFolder(const QString& folder) {
    QSettings* file = settingsFile();
    if (file == nullptr || file->value(QStringLiteral("dialogs/folder")).toString() == folder)
        return;
    file->setValue(QStringLiteral("dialogs/folder"), folder);
    write(*file);
}

QString QtHome::language() {
    QSettings* file = settingsFile();
    if (file == nullptr) return {};
    const QString code = file->value(QStringLiteral("game/language")).toString();
    if (code.isEmpty() || language::available().contains(code)) return code;
    std::fprintf(stderr,
                 "tarvenko: %s: game/language cannot be used; the locale's language is taken\n",
                 qPrintable(file->fileName()));
    return {};
}

void QtHome::setLanguage(const QString& code) {
    QSettings* file = settingsFile();
    if (file == nullptr || file->value(QStringLiteral("game/language")).toString() == code) return;
    file->setValue(QStringLiteral("game/language"), code);
    write(*file);
}

QtHome::WindowPlace QtHome::windowPlace() {
    QSettings* file = settingsFile();
    WindowPlace place;
    QStringList unusable;
    const int width = integer(file, QStringLiteral("window/width"), 1, 100000, 0, unusable);
    const int height = integer(file, QStringLiteral("window/height"), 1, 100000, 0, unusable);
    if (width > 0 && height > 0) place.size = QSize(width, height);
    place.state = static_cast<WindowPlace::State>(
        word(file, QStringLiteral("window/state"), kWindowStates, WindowPlace::Normal, unusable));
    if (file != nullptr) complain(local(file->fileName()), unusable);
    return place;
}

void QtHome::setWindowPlace(const WindowPlace& place) {
    QSettings* file = settingsFile();
    if (file == nullptr) return;
    file->setValue(QStringLiteral("window/width"), place.size.width());
    file->setValue(QStringLiteral("window/height"), place.size.height());
    file->setValue(QStringLiteral("window/state"), kWindowStates[place.state]);
    write(*file);
}

QRect QtHome::reviewPlace() {
    QSettings* file = settingsFile();
    QStringList unusable;
    // A desktop of several screens may place a window left of or above the first one.
    const int x = integer(file, QStringLiteral("review/x"), -100000, 100000, 0, unusable);
    const int y = integer(file, QStringLiteral("review/y"), -100000, 100000, 0, unusable);
    const int width = integer(file, QStringLiteral("review/width"), 1, 100000, 0, unusable);
    const int height = integer(file, QStringLiteral("review/height"), 1, 100000, 0, unusable);
    if (file != nullptr) complain(local(file->fileName()), unusable);
    if (width <= 0 || height <= 0) return {};
    return QRect(x, y, width, height);
}

void QtHome::setReviewPlace(const QRect& place) {
    QSettings* file = settingsFile();
    if (file == nullptr) return;
    file->setValue(QStringLiteral("review/x"), place.x());
    file->setValue(QStringLiteral("review/y"), place.y());
    file->setValue(QStringLiteral("review/width"), place.width());
    file->setValue(QStringLiteral("review/height"), place.height());
    write(*file);
}

} // namespace tarvenko
