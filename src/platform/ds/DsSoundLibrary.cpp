#include "platform/ds/DsSoundLibrary.h"

#include <dlfcn.h>

namespace tarvenko {

bool DsSoundLibrary::load() {
    if (!tried_) {
        tried_ = true;
        // Never closed: the audio thread lives until the program ends.
        void* lib = nullptr;
        for (const std::string& file : files_) {
            lib = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (lib != nullptr) break;
        }
        if (lib == nullptr) return false;
        auto one = [lib](const char* name) { return reinterpret_cast<One>(::dlsym(lib, name)); };
        Api api{one("dsInitialize"),
                one("dsPlay"),
                one("dsPlayLooping"),
                one("dsStop"),
                one("dsFree"),
                one("dsTerminate"),
                reinterpret_cast<Create>(::dlsym(lib, "dsCreateDSB")),
                reinterpret_cast<void* (*)(std::int32_t)>(::dlsym(lib, "dsAllocBuffer")),
                reinterpret_cast<void (*)(void*)>(::dlsym(lib, "dsFreeBuffer")),
                reinterpret_cast<Adopt>(::dlsym(lib, "dsAdoptDSB")),
                reinterpret_cast<One3>(::dlsym(lib, "dsStreamDSB"))};
        if (api.initialize && api.play && api.playLooping && api.stop && api.free &&
            api.terminate && api.create && api.allocBuffer && api.freeBuffer && api.adopt) {
            api_ = api;
        }
    }
    return api_.initialize != nullptr;
}

std::int32_t DsSoundLibrary::dsInitialize(std::int32_t window) {
    return load() ? api_.initialize(window) : 0;
}

std::int32_t DsSoundLibrary::dsCreateDSB(std::int32_t instance, const void* data, std::int32_t size,
                                         std::int32_t flag) {
    return api_.create ? api_.create(instance, data, size, flag) : 0;
}

void* DsSoundLibrary::dsAllocBuffer(std::int32_t size) {
    return api_.allocBuffer ? api_.allocBuffer(size) : nullptr;
}

void DsSoundLibrary::dsFreeBuffer(void* buffer) {
    if (api_.freeBuffer) api_.freeBuffer(buffer);
}

std::int32_t DsSoundLibrary::dsAdoptDSB(std::int32_t instance, void* data, std::int32_t size,
                                        std::int32_t flag) {
    return api_.adopt ? api_.adopt(instance, data, size, flag) : 0;
}

std::int32_t DsSoundLibrary::dsStreamDSB(std::int32_t instance, int file, std::int32_t flag) {
    return api_.stream ? api_.stream(instance, file, flag) : 0;
}

std::int32_t DsSoundLibrary::dsPlay(std::int32_t sound) {
    return api_.play ? api_.play(sound) : 0;
}

std::int32_t DsSoundLibrary::dsPlayLooping(std::int32_t sound) {
    return api_.playLooping ? api_.playLooping(sound) : 0;
}

std::int32_t DsSoundLibrary::dsStop(std::int32_t sound) {
    return api_.stop ? api_.stop(sound) : 0;
}

std::int32_t DsSoundLibrary::dsFree(std::int32_t sound) {
    return api_.free ? api_.free(sound) : 0;
}

std::int32_t DsSoundLibrary::dsTerminate(std::int32_t instance) {
    return api_.terminate ? api_.terminate(instance) : 0;
}

} // namespace tarvenko
