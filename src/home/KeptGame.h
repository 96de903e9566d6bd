// Where games in progress are kept when the program ends: game records, written with the
// record format and the game's atomic Files::replace, read back as 棋譜を開く reads a record.
// Programs running at once each keep their own: a kept game is replaced only by the program
// that found it at its start and passed it over.
#pragma once

#include "platform/Files.h"

#include <string>
#include <string_view>

namespace tarvenko {

class KeptGamePlace {
  public:
    virtual ~KeptGamePlace() = default;
    virtual bool hasKeptGame() = 0;

    // 続きから: the newest kept game, taken away as one step against other programs.
    struct Taken {
        std::string name;              // the file's own name, as a message names it
        std::string text;              // its record, when it could be read
        const char* problem = nullptr; // why it could not be read (moved aside then)
        bool refused = false;          // read, but `isRecord` refused it (moved aside then)
        bool removed = false;          // gone from the kept games; else it stays there
        std::string identity;          // what the file is, for one that stays
    };
    virtual Taken takeKeptGame(bool (*isRecord)(std::string_view text)) = 0;

    // Keeps the game in progress, `text`. It takes the place of the kept game this program
    // found at its start if that is still there as it was (the player passed it over): that
    // one's text comes back in `replaced`. Beside any other.
    struct Kept {
        Files::Written written = Files::Written::Failed;
        std::string path;     // where it went, or would have gone
        std::string replaced; // the text of the kept game it took the place of
    };
    virtual Kept keepGame(std::string_view text) = 0;
};

} // namespace tarvenko
