// The sound table over the real sound library (libTarvenko), loaded when it is first asked
// to start rather than with the program: the library and the audio stack beneath it take
// longer to load than the window takes to appear.
#pragma once

#include "platform/SoundLibrary.h"

#include <string>
#include <utility>
#include <vector>

namespace tarvenko {

class DsSoundLibrary final : public SoundLibrary {
  public:
    // files: where the library may be, tried in this order.
    explicit DsSoundLibrary(std::vector<std::string> files) : files_(std::move(files)) {}

    // A library that cannot be loaded (or lacks an operation) starts as an output that
    // cannot be opened: dsInitialize gives 0 and every other operation does nothing.
    std::int32_t dsInitialize(std::int32_t window) override;
    std::int32_t dsCreateDSB(std::int32_t instance, const void* data, std::int32_t size,
                             std::int32_t flag) override;
    void* dsAllocBuffer(std::int32_t size) override;
    void dsFreeBuffer(void* buffer) override;
    std::int32_t dsAdoptDSB(std::int32_t instance, void* data, std::int32_t size,
                            std::int32_t flag) override;
    std::int32_t dsStreamDSB(std::int32_t instance, int file, std::int32_t flag) override;
    std::int32_t dsPlay(std::int32_t sound) override;
    std::int32_t dsPlayLooping(std::int32_t sound) override;
    std::int32_t dsStop(std::int32_t sound) override;
    std::int32_t dsFree(std::int32_t sound) override;
    std::int32_t dsTerminate(std::int32_t instance) override;

  private:
    using One = std::int32_t (*)(std::int32_t);
    using Create = std::int32_t (*)(std::int32_t, const void*, std::int32_t, std::int32_t);
    using One3 = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t);
    using Adopt = std::int32_t (*)(std::int32_t, void*, std::int32_t, std::int32_t);
    struct Api {
        One initialize, play, playLooping, stop, free, terminate;
        Create create;
        void* (*allocBuffer)(std::int32_t);
        void (*freeBuffer)(void*);
        Adopt adopt;
        One3 stream; // optional: an older library loads every sound whole
    };
    bool load();

    std::vector<std::string> files_;
    bool tried_ = false;
    Api api_{};
};

} // namespace tarvenko
