/* SDL_mixer's music player, left out of the sound library.
 *
 * The library plays WAV chunks only. SDL_mixer's mixing code refers to its music player,
 * and the music player to a decoder for every other format (FLAC, Ogg, Opus, MP3, MOD,
 * MIDI), which as a shared library loads some twenty more libraries into the game before
 * it can make a sound. Linking SDL_mixer's archive with these empty definitions in front of
 * it keeps the player and every decoder out: the mixer sees no music formats at all. Should
 * a later SDL_mixer need more of its player, the link fails on duplicate symbols rather than
 * building something half-linked. Everything here stays local to the library.
 */
#include <SDL.h>

int get_num_music_interfaces(void) {
    return 0;
}

void* get_music_interface(int index) {
    (void)index;
    return NULL;
}

int detect_music_type(SDL_RWops* src) {
    (void)src;
    return 0; /* MUS_NONE */
}

SDL_bool load_music_type(int type) {
    (void)type;
    return SDL_FALSE;
}

SDL_bool open_music_type(int type) {
    (void)type;
    return SDL_FALSE;
}

void open_music(const SDL_AudioSpec* format) {
    (void)format;
}

void SDLCALL music_mixer(void* udata, Uint8* stream, int len) {
    (void)udata;
    (void)stream;
    (void)len;
}

void close_music(void) {}

void unload_music(void) {}

int Mix_SetMusicCMD(const char* command) {
    (void)command;
    return -1;
}

int Mix_VolumeMusic(int volume) {
    (void)volume;
    return 0;
}
