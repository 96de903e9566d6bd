// Files of one folder on a POSIX system.
#pragma once

#include "platform/Files.h"

#include <string>
#include <utility>

namespace tarvenko {

class PosixFiles final : public Files {
  public:
    // Names are looked up in `folder`, or in the current folder when it is empty.
    explicit PosixFiles(std::string folder = {}) : folder_(std::move(folder)) {}
    Opened open(std::string_view name) override;
    bool read(int file, std::uint64_t offset, unsigned char* into, std::size_t n) override;
    std::int64_t readUpTo(int file, std::uint64_t offset, unsigned char* into,
                          std::size_t n) override;
    void close(int file) override;
    int descriptor(int file) const override { return file; }
    Written replace(std::string_view name, std::string_view bytes) override;

  private:
    std::string folder_;
};

} // namespace tarvenko
