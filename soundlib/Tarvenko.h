/* Tarvenko sound library: plays WAV sounds in the background over SDL2_mixer.
 *
 * Every argument and result is a 32-bit integer except the WAV data address. Handle 0,
 * an unknown handle and a handle already freed are accepted by every operation and do
 * nothing (results 0).
 *
 * dsCreateDSB takes the byte count of the WAV data beside its address and never reads
 * beyond it: the library does not trust the file's own header for the buffer's length.
 */
#ifndef TARVENKO_SOUND_H
#define TARVENKO_SOUND_H

#include <stdint.h>

#if defined(_WIN32)
#define TARVENKO_API __declspec(dllexport)
#else
#define TARVENKO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the audio output. Returns a non-zero instance handle, or 0 when no output can be
 * opened. The window handle is accepted for compatibility and not used. */
TARVENKO_API int32_t dsInitialize(int32_t window);

/* Decodes a whole WAV file held at data (size bytes) into a sound. flag: see the
 * implementation's documentation in Tarvenko.c(pp). Returns the sound handle or 0. */
TARVENKO_API int32_t dsCreateDSB(int32_t instance, const void* data, int32_t size, int32_t flag);

TARVENKO_API int32_t dsPlay(int32_t sound);        /* once from the beginning */
TARVENKO_API int32_t dsPlayLooping(int32_t sound); /* repeatedly until dsStop */
TARVENKO_API int32_t dsStop(int32_t sound);
TARVENKO_API int32_t dsFree(int32_t sound);
TARVENKO_API int32_t dsTerminate(int32_t instance); /* stops everything, closes the output */

#ifdef __cplusplus
}
#endif

#endif
