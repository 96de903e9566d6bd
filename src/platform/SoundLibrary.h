// The seven operations of the sound library that the game calls. The real table forwards
// to libTarvenko (soundlib/Tarvenko.h); tests use a recording one.
#pragma once

#include <cstdint>

namespace tarvenko {

class SoundLibrary {
  public:
    virtual ~SoundLibrary() = default;
    virtual std::int32_t dsInitialize(std::int32_t window) = 0;
    // data points at a whole WAV file of size bytes; the library keeps its own copy.
    virtual std::int32_t dsCreateDSB(std::int32_t instance, const void* data, std::int32_t size,
                                     std::int32_t flag) = 0;
    virtual std::int32_t dsPlay(std::int32_t sound) = 0;
    virtual std::int32_t dsPlayLooping(std::int32_t sound) = 0;
    virtual std::int32_t dsStop(std::int32_t sound) = 0;
    virtual std::int32_t dsFree(std::int32_t sound) = 0;
    virtual std::int32_t dsTerminate(std::int32_t instance) = 0;
};

} // namespace tarvenko
