// The small files the game keeps for itself (settings, statistics, kept games), read as game
// records are: a regular file only, opened without waiting on anything and read up to a limit,
// so a FIFO, a device or a huge file in their place never stalls or swells the program. Writers
// of one file take its lock, so programs running at once never lose each other's changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvenko::homefiles {

// Far more than any of these files holds.
inline constexpr std::size_t kMostBytes = 64 * 1024;

enum class Read {
    Ok,
    Missing,    // no such name
    NotAFile,   // a folder, FIFO, device or socket
    TooLarge,   // more than kMostBytes
    Unreadable, // permissions, a loop of links, an I/O error
};

// The whole file, when it is a regular file of at most kMostBytes; otherwise `problem` says
// what it is, for a line on standard error ("is not a regular file", ...).
Read read(const std::string& path, std::string& bytes, std::string& problem);

// True when the bytes cannot be an INI file: a NUL byte or text that is not UTF-8.
bool binary(const std::string& bytes);

// What a file is, to tell a later look whether it was replaced meanwhile; empty when there is
// nothing by that name. Taken from the name itself, links not followed.
std::string identity(const std::string& path);

// Renames a file that could not be used to path + ".broken" (an earlier one is replaced), so
// that it is kept for the player and not read again. False when it could not be moved.
bool moveAside(const std::string& path, std::string& aside);

// An exclusive lock shared by every program writing `path`: the file path + ".lock", locked
// with flock (so the system releases it when a program dies) and removed on release. Waits a
// while for a holder; a lock that cannot be had (a folder that cannot be written) is not held,
// and the caller goes on without it.
class Lock {
  public:
    explicit Lock(const std::string& path, bool wait = true);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    std::string name_;
    int fd_ = -1;
};

// At start: the lock file of `path` and the temporary files (`NAME.tmp-xxxxxxxx`, as
// Files::replace names them) that a program killed while writing left in its folder, for each
// NAME that `written` accepts (all written under that one lock). Nothing is touched while
// another program holds the lock, nor any name the game does not make.
void clearLeftovers(const std::string& path, bool (*written)(std::string_view name));

} // namespace tarvenko::homefiles
