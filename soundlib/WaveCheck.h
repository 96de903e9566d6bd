// A bounded look at a WAV file's RIFF layout, made before SDL decodes it.
//
// SDL's own loader is lenient: it decodes truncated files up to the last whole block and
// sizes its buffers from header fields. The game hands us whole files from disk, so a file
// that is cut short, uses a codec SDL cannot decode, or whose header asks for more memory than
// the budget below allows is refused here, before any decoding, using only bytes inside
// [bytes, bytes + size).
//
// The same check runs on a file's first bytes alone (inspectWaveHeader), so that a reader can
// refuse a file before reading its body.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvenko::sound {

enum class WaveVerdict {
    Ok,
    NotWave,     // no "RIFF....WAVE" header
    Truncated,   // the RIFF chunk, or a chunk up to and including "data", runs past the buffer
    Malformed,   // chunks out of order or missing, a "fmt " chunk too short, the data chunk
                 // starting beyond the bytes looked at, or 24-bit blocks smaller than a frame
    Unsupported, // a codec, sample size, channel count or sample rate we do not decode
    TooLarge,    // decoding would take more than kMaxSoundBytes
    Empty,       // the data chunk holds no sample at all
};

struct WaveLayout {
    WaveVerdict verdict = WaveVerdict::NotWave;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::size_t dataOffset = 0;     // where the samples start, from the file's first byte
    std::size_t dataBytes = 0;      // as declared by the data chunk (it fits in the file when Ok)
    std::uint64_t decodedBytes = 0; // the sound's cost against the budget (below), when Ok
};

// The decoding budget. A sound costs its length in frames, counted at the mixer's 44.1 kHz or
// at its own rate if that is higher, times its channels, times two bytes: what it takes as
// 16-bit samples. The frame count comes from the header alone and errs high for the block
// codecs (ADPCM), so the check holds whatever the samples contain.
//
// Each sound: at most 10 minutes at 44.1 kHz stereo, 105,840,000 bytes.
inline constexpr std::uint64_t kMaxSoundBytes = std::uint64_t{600} * 44100 * 2 * 2;
// All the sounds of one output together, and the largest file read at all: 256 MiB.
inline constexpr std::uint64_t kMaxTotalBytes = std::uint64_t{256} << 20;
inline constexpr std::uint64_t kMaxFileBytes = kMaxTotalBytes;
// A reader that looks at a file's head first needs "fmt " and the start of "data" in this
// many bytes.
inline constexpr std::size_t kHeadBytes = std::size_t{1} << 20;

inline constexpr std::uint32_t kMinSampleRate = 1000;
inline constexpr std::uint32_t kMaxSampleRate = 384000;
inline constexpr std::uint16_t kMaxChannels = 8;

// The mixer's rate, used to count frames after resampling.
inline constexpr std::uint32_t kOutputRate = 44100;

// The whole file is in [bytes, bytes + size).
WaveLayout inspectWave(const unsigned char* bytes, std::size_t size);
// Only the file's first `size` bytes are at hand; the file is `fileSize` bytes long. Ok means
// the whole file would pass inspectWave as far as its header goes: the chunks before "data"
// fit, and the sound is within the per-sound budget.
WaveLayout inspectWaveHeader(const unsigned char* bytes, std::size_t size, std::uint64_t fileSize);

const char* verdictName(WaveVerdict verdict);

} // namespace tarvenko::sound
