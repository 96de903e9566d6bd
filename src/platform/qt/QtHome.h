// The settings, the statistics and the kept game in the desktop's places: QSettings INI files
// under $XDG_CONFIG_HOME/Tarvenko, the kept game under $XDG_STATE_HOME/Tarvenko. A file that
// cannot be used gives the defaults and one line on standard error; one that cannot be
// written costs only the remembering.
#pragma once

#include "home/KeptGame.h"
#include "home/Settings.h"
#include "home/Statistics.h"

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
    void writeStatistics(const Statistics& statistics) override;
    std::string keptGamePath(bool forWriting) override;
    bool hasKeptGame() override;
    void removeKeptGame() override;
    void moveKeptGameAside() override;

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
    QSettings& open(std::unique_ptr<QSettings>& file, const QString& path);
    void write(QSettings& file);

    QString folder_, keptFile_;
    std::unique_ptr<QSettings> settings_, statistics_;
};

} // namespace tarvenko
