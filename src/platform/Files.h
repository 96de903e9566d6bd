// The game's files: its five sounds, by bare name from the game's folder, and the game records
// the player names. The real reader never blocks on what is not a regular file; tests keep
// files in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvenko {

class Files {
  public:
    enum class Status {
        Ok,
        Missing,    // no such name
        Unreadable, // there, but it cannot be opened (permissions, I/O error, …)
        NotAFile,   // a folder, FIFO, device or socket
    };
    struct Opened {
        Status status = Status::Missing;
        int file = -1;          // for read and close, when Ok
        std::uint64_t size = 0; // length in bytes, when Ok
    };

    virtual ~Files() = default;
    // Opens without waiting on anything, and judges what was opened, not the name, so a swap
    // of the name meanwhile changes nothing. An Ok file must be closed.
    virtual Opened open(std::string_view name) = 0;
    // Reads exactly n bytes at offset; false on an error or if the file ends first.
    virtual bool read(int file, std::uint64_t offset, unsigned char* into, std::size_t n) = 0;
    // Reads up to n bytes at offset, fewer only where the file ends; the count, or −1 on an
    // error. For files whose size says nothing (those under /proc report 0). This one asks
    // read() a byte at a time, which any implementation can answer.
    virtual std::int64_t readUpTo(int file, std::uint64_t offset, unsigned char* into,
                                  std::size_t n);
    virtual void close(int file) = 0;
    // The operating system's descriptor of an open file, for a reader that goes on reading it
    // after close (it keeps a duplicate); −1 where files have none.
    virtual int descriptor(int /*file*/) const { return -1; }

    enum class Written {
        Ok,
        NoFolder,   // the folder is not there
        NotAllowed, // no permission, a read-only file or a read-only disk
        DiskFull,   // also a file-size limit
        Failed,     // any other error
        NotAFile,   // `name` is a folder, FIFO, device or socket (or ends in '/')
    };
    // Writes a whole file: first a new one beside it, renamed over it once all of it is on the
    // disk, so a crash or a full disk never leaves half a file. On a failure the old file is
    // as it was and no new one stays. A symbolic link is followed and the file it names is
    // replaced in that file's folder; the old file's mode (and owner, where allowed) carry
    // over. A file nobody may write (no write bit) or the user may not write is refused, as
    // is anything there that is not a regular file.
    virtual Written replace(std::string_view name, std::string_view bytes) = 0;
};

inline std::int64_t Files::readUpTo(int file, std::uint64_t offset, unsigned char* into,
                                    std::size_t n) {
    std::size_t got = 0;
    while (got < n && read(file, offset + got, into + got, 1)) ++got;
    return static_cast<std::int64_t>(got);
}

} // namespace tarvenko
