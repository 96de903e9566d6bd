// Looks at SDL_mixer's state from the test side. The library and the tests share the one
// SDL_mixer in the process, so the tests can see which channels really play.
#pragma once

#include <SDL_mixer.h>

#include <vector>

// Whether the sound that plays from its file plays (the library's objects, not exported).
bool tarvenkoStreamPlaying();

namespace soundtest {

inline bool streamPlaying() {
    return tarvenkoStreamPlaying();
}

inline std::vector<int> playingChannels() {
    std::vector<int> playing;
    const int count = Mix_AllocateChannels(-1);
    for (int c = 0; c < count; ++c)
        if (Mix_Playing(c)) playing.push_back(c);
    return playing;
}

inline bool outputOpen() {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&rate, &format, &channels) != 0;
}

} // namespace soundtest
