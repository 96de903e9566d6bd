// Reading the game's own files (its five sounds), by bare name from the game's folder.
// The real reader never blocks on what is not a regular file; tests read from memory.
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
    virtual void close(int file) = 0;
};

} // namespace tarvenko
