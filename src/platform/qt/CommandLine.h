// The program's command line and its start on a desktop: the record to open, --help and
// --version, and a plain word instead of the toolkit's abort when there is no display.
#pragma once

#include <QByteArray>
#include <optional>

namespace tarvenko::command_line {

struct Request {
    // The game record to open at start as an absolute path (file-name bytes); empty for none.
    QByteArray record;
    // Set when the program is to end at once with this status: after --help or --version (0),
    // or after saying on standard error what is wrong with the command line (2).
    std::optional<int> exitStatus;
};

// Reads the command line, answering --help and --version on standard output. The toolkit's own
// options (-platform, -display, -session, ...) are let through for the application to take.
// A relative record is taken from the folder the player started the program in: the launcher
// names it in TARVENKO_STARTED_IN, since it changes to the folder of the sounds.
Request read(int argc, char** argv);

// Lives across the making of the application. If the toolkit finds no display to show a
// window on, one line on standard error says that the game needs a graphical desktop and the
// program ends with status 1; the toolkit's own messages of that moment are held back and
// passed on once the application stands.
class DesktopCheck {
  public:
    DesktopCheck();
    ~DesktopCheck();
    DesktopCheck(const DesktopCheck&) = delete;
    DesktopCheck& operator=(const DesktopCheck&) = delete;
    // The application stands: the messages held back go out, and the toolkit's handling of
    // messages is as before.
    void passed();

  private:
    bool active_ = true;
};

} // namespace tarvenko::command_line
