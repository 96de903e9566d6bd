// The settings, the statistics and the kept games in the desktop's places: INI files under
// $XDG_CONFIG_HOME/Tarvenko (the settings through QSettings), the kept games under
// $XDG_STATE_HOME/Tarvenko. Each is read only as a regular file of at most 64 KiB, never
// waited on; a file that cannot be used gives the defaults and one line on standard error, and
// is moved aside (NAME.broken) before it is replaced. One that cannot be written costs only
// the remembering, said on standard error. Programs running at once merge their counts under
// a lock and keep each its own game.
#pragma once

#include "home/KeptGame.h"
#include "home/Settings.h"
#include "home/Statistics.h"
#include "platform/posix/PosixFiles.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

class QSettings;

namespace tarvenko {

class QtHome final : public SettingsStore, public StatisticsStore, public KeptGamePlace {
  public:
    // The files go into configFolder/Tarvenko and stateFolder/Tarvenko.
    QtHome(const QString& configFolder, const QString& stateFolder);
    ~QtHome() override;
    // $XDG_CONFIG_HOME and $XDG_STATE_HOME, or their defaults ~/.config and ~/.local/state.
    static QString desktopConfigFolder();
    static QString desktopStateFolder();

    Settings readSettings() override;
    void writeSettings(const Settings& settings) override;
    Statistics readStatistics() override;
    Statistics addStatistics(const Statistics& added) override;
    void resetStatistics() override;
    bool firstBroughtBack(const std::string& identity) override;
    bool hasKeptGame() override;
    Taken takeKeptGame(bool (*isRecord)(std::string_view text)) override;
    Kept keepGame(std::string_view text) override;

    // The folder the record dialogs last used; empty when none is kept or it is gone.
    QString recordFolder();
    void setRecordFolder(const QString& folder);

    // The language the player last chose from the menu; empty when none was chosen or it is
    // not one the program has (the locale decides then).
    QString language();
    void setLanguage(const QString& code);

    // The window as it was left: its size in logical pixels (empty when none is kept) and
    // whether it filled the screen.
    struct WindowPlace {
        enum State { Normal, Maximised, FullScreen };
        QSize size;
        State state = Normal;
    };
    WindowPlace windowPlace();
    void setWindowPlace(const WindowPlace& place);

    // The 棋譜解析 window as it was left: its frame's top-left corner and its inside's size,
    // in logical pixels of the desktop; empty when none is kept.
    QRect reviewPlace();
    void setReviewPlace(const QRect& place);

  private:
    // The settings file, read once it is known to be a small regular file; nullptr when it
    // cannot be used and could not be moved aside either.
    QSettings* settingsFile();
    void write(QSettings& file);

    // The statistics as kept, with the lock held; `fresh` when the file was moved aside.
    struct Counts;
    Counts readCounts();
    void writeCounts(const Counts& counts);

    std::string keptPath(int n) const; // kept-game.tkf, kept-game-2.tkf, ...
    std::string newestKept(std::string* identity = nullptr) const;
    void moveKeptAside(const std::string& path);

    QString folder_;
    std::string config_, state_; // the two folders, as the system names them
    std::unique_ptr<QSettings> settings_;
    bool settingsLooked_ = false;
    bool statisticsComplained_ = false;
    PosixFiles files_;
    // The kept game this program found at its start, as it was then: the one its own game
    // may take the place of.
    std::string seen_, seenIdentity_;
};

} // namespace tarvenko
