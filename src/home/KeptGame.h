// Where the game in progress is kept when the program ends: one game record, written with the
// record format and the game's atomic Files::replace, read back as 棋譜を開く reads a record.
#pragma once

#include <string>

namespace tarvenko {

class KeptGamePlace {
  public:
    virtual ~KeptGamePlace() = default;
    // The record's path; the folder is there once `forWriting` asked for it.
    virtual std::string keptGamePath(bool forWriting) = 0;
    virtual bool hasKeptGame() = 0;
    virtual void removeKeptGame() = 0;
    // A record that could not be read is renamed beside itself, never deleted.
    virtual void moveKeptGameAside() = 0;
};

} // namespace tarvenko
