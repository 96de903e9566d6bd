// The operations of the sound library that the game calls. The real table forwards to
// libTarvenko (soundlib/Tarvenko.h); tests use a recording one.
#pragma once

#include <cstdint>
#include <new>

namespace tarvenko {

class SoundLibrary {
  public:
    virtual ~SoundLibrary() = default;
    virtual std::int32_t dsInitialize(std::int32_t window) = 0;
    // data points at a whole WAV file of size bytes; the library keeps its own copy.
    virtual std::int32_t dsCreateDSB(std::int32_t instance, const void* data, std::int32_t size,
                                     std::int32_t flag) = 0;
    // A buffer for a whole WAV file that dsAdoptDSB takes over (nullptr when short of memory),
    // and its release when it is not handed over. A table that cannot adopt keeps a copy.
    virtual void* dsAllocBuffer(std::int32_t size) {
        return size > 0 ? new (std::nothrow) unsigned char[static_cast<unsigned>(size)] : nullptr;
    }
    virtual void dsFreeBuffer(void* buffer) { delete[] static_cast<unsigned char*>(buffer); }
    // dsCreateDSB on a buffer from dsAllocBuffer, which is the library's from then on.
    virtual std::int32_t dsAdoptDSB(std::int32_t instance, void* data, std::int32_t size,
                                    std::int32_t flag) {
        const std::int32_t handle = dsCreateDSB(instance, data, size, flag);
        dsFreeBuffer(data);
        return handle;
    }
    // A sound that plays from the open file descriptor as it goes (long music); 0 when the
    // table cannot, and then the caller loads the file whole.
    virtual std::int32_t dsStreamDSB(std::int32_t /*instance*/, int /*file*/,
                                     std::int32_t /*flag*/) {
        return 0;
    }
    virtual std::int32_t dsPlay(std::int32_t sound) = 0;
    virtual std::int32_t dsPlayLooping(std::int32_t sound) = 0;
    virtual std::int32_t dsStop(std::int32_t sound) = 0;
    virtual std::int32_t dsFree(std::int32_t sound) = 0;
    virtual std::int32_t dsTerminate(std::int32_t instance) = 0;
};

} // namespace tarvenko
