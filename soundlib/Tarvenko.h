/* Tarvenko sound library: plays WAV sounds in the background over SDL2_mixer.
 *
 * Every argument and result is a 32-bit integer except WAV data addresses. Handle 0,
 * an unknown handle and a handle already freed are accepted by every operation and do
 * nothing (results 0).
 *
 * dsCreateDSB takes the byte count of the WAV data beside its address and never reads
 * beyond it: the library does not trust the file's own header for the buffer's length.
 *
 * Handles: instances and sounds are small positive integers, counted up from 1 and never
 * handed out twice in one process, so a stale handle can never reach a newer sound. Every
 * operation returns 1 when it did its work and 0 otherwise. After dsTerminate every call is a
 * no-op until the next dsInitialize. Calls may come from any thread; they are serialised.
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

/* Opens the audio output (44.1 kHz, 16-bit, mono). Returns a non-zero instance handle, or
 * 0 when no output can be opened. The window handle is accepted for compatibility and not
 * used. Called again while the output is open, it returns the same instance and changes
 * nothing; a single dsTerminate then closes it. After dsTerminate a new dsInitialize gives a
 * new instance number, and the old one is dead. While no sound plays the output rests:
 * nothing is mixed or handed to the device, not even silence, until the next play. */
TARVENKO_API int32_t dsInitialize(int32_t window);

/* Decodes a whole WAV file held at data (size bytes) into a sound of the live instance and
 * returns its handle, or 0. The library keeps its own decoded copy: the caller may free data
 * as soon as the call returns. A file that is not RIFF/WAVE, is cut short (its RIFF chunk or
 * its data chunk runs past size), has no samples, or is otherwise undecodable gives 0.
 *
 * Codecs: PCM of 8, 16, 24 or 32 bits, 32-bit float, A-law, mu-law, IMA and Microsoft ADPCM
 * (also inside WAVE_FORMAT_EXTENSIBLE); 1 to 8 channels; 1 kHz to 384 kHz.
 *
 * Budget, checked from the header before anything is decoded: a sound costs its length in
 * frames (at 44.1 kHz, or at its own rate if higher) times its channels times 2 bytes.
 *   - each sound at most 105,840,000 bytes: 10 minutes of 44.1 kHz stereo (20 minutes mono);
 *   - all live sounds of the instance together at most 256 MiB (268,435,456 bytes); dsFree
 *     gives a sound's share back.
 * A file over either gives 0. For ADPCM the frame count is an upper bound from the block size.
 *
 * flag: 1 marks background music, which plays about 4 dB below the effects (mixer channel
 * volume 80 of 128); any other value is an effect at full volume. The game passes 1 for the
 * BGM and 3 for its effects.
 *
 * Each sound owns one mixer channel: sounds play over each other freely, but one sound never
 * plays twice at once. */
TARVENKO_API int32_t dsCreateDSB(int32_t instance, const void* data, int32_t size, int32_t flag);

/* Memory for a whole WAV file of size bytes that dsAdoptDSB will take over, or NULL when size
 * is not positive or memory is short. Needs no open output. A buffer that is not handed to
 * dsAdoptDSB is given back with dsFreeBuffer, which accepts NULL. */
TARVENKO_API void* dsAllocBuffer(int32_t size);
TARVENKO_API void dsFreeBuffer(void* buffer);

/* dsCreateDSB on a buffer from dsAllocBuffer, which the library takes over whatever the result:
 * the caller must not touch it after the call, and the library frees it, at once or with the
 * sound. Same answers, checks and budget as dsCreateDSB. A file already in the output's format
 * (16-bit PCM, mono, 44.1 kHz, no more than 64 KiB besides its samples) plays from the buffer
 * itself, so the sound costs one copy of the file instead of two while it loads. */
TARVENKO_API int32_t dsAdoptDSB(int32_t instance, void* data, int32_t size, int32_t flag);

/* A sound that plays from its file as it goes instead of from memory: for long music, which
 * then costs a buffer instead of its length. file is an open descriptor of a regular WAV file
 * of exactly the output's format (16-bit PCM, mono, 44.1 kHz); the library reads its header
 * at once and keeps a duplicate of the descriptor, so the caller closes its own as it likes.
 * Samples are read on the output's thread, a buffer at a time; should the file come up short
 * later, the sound falls silent there. One such sound at a time, outside the memory budget:
 * a second one, a file of any other format or one that is not a regular WAV file gives 0, and
 * the caller can decode it with dsCreateDSB instead. flag and the operations below are as for
 * any other sound. */
TARVENKO_API int32_t dsStreamDSB(int32_t instance, int32_t file, int32_t flag);

/* Plays the sound once from its beginning; if it is already playing, it restarts. */
TARVENKO_API int32_t dsPlay(int32_t sound);
/* Plays the sound from its beginning over and over, seamlessly, until dsStop or dsFree. */
TARVENKO_API int32_t dsPlayLooping(int32_t sound);
TARVENKO_API int32_t dsStop(int32_t sound);
/* Stops the sound and releases it; its handle is dead from then on. */
TARVENKO_API int32_t dsFree(int32_t sound);
/* Stops and frees every sound of the instance and closes the output. */
TARVENKO_API int32_t dsTerminate(int32_t instance);

#ifdef __cplusplus
}
#endif

#endif
