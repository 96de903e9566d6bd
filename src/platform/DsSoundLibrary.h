// The sound table over the real sound library (libTarvenko).
#pragma once

#include "platform/SoundLibrary.h"

#include "Tarvenko.h"

namespace tarvenko {

class DsSoundLibrary final : public SoundLibrary {
  public:
    std::int32_t dsInitialize(std::int32_t w) override { return ::dsInitialize(w); }
    std::int32_t dsCreateDSB(std::int32_t i, const void* d, std::int32_t n,
                             std::int32_t f) override {
        return ::dsCreateDSB(i, d, n, f);
    }
    std::int32_t dsPlay(std::int32_t s) override { return ::dsPlay(s); }
    std::int32_t dsPlayLooping(std::int32_t s) override { return ::dsPlayLooping(s); }
    std::int32_t dsStop(std::int32_t s) override { return ::dsStop(s); }
    std::int32_t dsFree(std::int32_t s) override { return ::dsFree(s); }
    std::int32_t dsTerminate(std::int32_t i) override { return ::dsTerminate(i); }
};

} // namespace tarvenko
