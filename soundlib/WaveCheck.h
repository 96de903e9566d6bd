// A bounded look at a WAV file's RIFF layout, made before SDL decodes it.
//
// SDL's own loader is lenient: it decodes truncated files up to the last whole block and
// sizes its buffers from header fields. The game hands us whole files from disk, so a file
// that is cut short or whose header asks for absurd amounts of memory is refused here,
// before any decoding, using only bytes inside [bytes, bytes + size).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvenko::sound {

enum class WaveVerdict {
    Ok,
    NotWave,     // no "RIFF....WAVE" header
    Truncated,   // the RIFF chunk, or a chunk up to and including "data", runs past the buffer
    Malformed,   // chunks out of order or missing, or a "fmt " chunk too short
    Unsupported, // channel count or sample rate outside what we are willing to decode
    TooLarge,    // decoding could need more memory than kMaxDecodedBytes
    Empty,       // the data chunk holds no sample at all
};

struct WaveLayout {
    WaveVerdict verdict = WaveVerdict::NotWave;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::size_t dataOffset = 0; // where the samples start, from the file's first byte
    std::size_t dataBytes = 0;  // as declared by the data chunk (it fits in the buffer when Ok)
};

// Largest decoded sound (44.1 kHz, 16-bit mono) we accept: about 50 minutes.
inline constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{256} << 20;
inline constexpr std::uint32_t kMinSampleRate = 1000;
inline constexpr std::uint32_t kMaxSampleRate = 384000;
inline constexpr std::uint16_t kMaxChannels = 8;

// Output format the mixer runs at, used to bound the decoded size.
inline constexpr std::uint32_t kOutputRate = 44100;
inline constexpr std::uint32_t kOutputFrameBytes = 2;

WaveLayout inspectWave(const unsigned char* bytes, std::size_t size);

const char* verdictName(WaveVerdict verdict);

} // namespace tarvenko::sound
