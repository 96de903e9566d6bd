#include "WaveCheck.h"

#include <algorithm>
#include <cstring>

namespace tarvenko::sound {

namespace {

constexpr std::uint16_t kPcm = 1, kMsAdpcm = 2, kFloat = 3, kALaw = 6, kMuLaw = 7, kImaAdpcm = 0x11,
                        kExtensible = 0xFFFE;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool isTag(const unsigned char* p, const char (&tag)[5]) {
    return std::memcmp(p, tag, 4) == 0;
}

WaveLayout refuse(WaveLayout layout, WaveVerdict verdict) {
    layout.verdict = verdict;
    return layout;
}

// Sample frames SDL can produce from the data chunk, or 0 for a codec or sample size it does
// not decode. Never less than what SDL makes: PCM divides by the smaller of block and frame;
// ADPCM counts every block as whole, two samples a byte and two more from each block header.
std::uint64_t framesOf(const WaveLayout& l, std::uint16_t codec) {
    const std::uint64_t bytes = l.dataBytes;
    // SDL steps through the samples by the header's block size, even one smaller than a frame.
    auto perFrame = [&l, bytes](std::uint64_t sampleBytes) {
        return bytes / std::min<std::uint64_t>(l.blockAlign, l.channels * sampleBytes);
    };
    switch (codec) {
    case kPcm:
        if (l.bitsPerSample != 8 && l.bitsPerSample != 16 && l.bitsPerSample != 24 &&
            l.bitsPerSample != 32)
            return 0;
        return perFrame(l.bitsPerSample / 8);
    case kFloat:
        return l.bitsPerSample == 32 ? perFrame(4) : 0;
    case kALaw:
    case kMuLaw:
        return l.bitsPerSample == 8 ? perFrame(1) : 0;
    case kMsAdpcm:
    case kImaAdpcm: {
        if (l.bitsPerSample != 4) return 0;
        const std::uint64_t blocks = (bytes + l.blockAlign - 1) / l.blockAlign;
        return blocks * (std::uint64_t{l.blockAlign} * 2 / l.channels + 2);
    }
    default:
        return 0;
    }
}

// have: bytes at hand from the file's start; total: the file's length (have <= total).
WaveLayout walk(const unsigned char* bytes, std::size_t have, std::uint64_t total) {
    WaveLayout layout;
    if (bytes == nullptr || have < 12 || !isTag(bytes, "RIFF") || !isTag(bytes + 8, "WAVE"))
        return refuse(layout, WaveVerdict::NotWave);

    // Offsets are 64-bit so that 32-bit header fields can never wrap them.
    const std::uint64_t riffEnd = std::uint64_t{le32(bytes + 4)} + 8;
    if (riffEnd < 12) return refuse(layout, WaveVerdict::Malformed);
    if (riffEnd > total) return refuse(layout, WaveVerdict::Truncated);

    bool haveFormat = false;
    bool haveData = false;
    std::uint16_t codec = 0;
    std::uint64_t at = 12;
    while (!haveData) {
        if (at + 8 > riffEnd) {
            // Ran out of chunks without meeting "data". A partial chunk header means the file
            // was cut; a clean end means the data chunk was simply never there.
            return refuse(layout, at < riffEnd ? WaveVerdict::Truncated : WaveVerdict::Malformed);
        }
        if (at + 8 > have) return refuse(layout, WaveVerdict::Malformed); // beyond the head
        const unsigned char* chunk = bytes + at;
        const std::uint64_t length = le32(chunk + 4);
        const std::uint64_t body = at + 8;
        if (body + length > riffEnd) return refuse(layout, WaveVerdict::Truncated);

        if (isTag(chunk, "fmt ")) {
            // SDL uses the first fmt chunk and ignores any repeat; so do we.
            if (!haveFormat) {
                if (length < 16) return refuse(layout, WaveVerdict::Malformed);
                const unsigned char* f = bytes + body;
                if (body + std::min<std::uint64_t>(length, 40) > have)
                    return refuse(layout, WaveVerdict::Malformed);
                layout.formatTag = le16(f);
                layout.channels = le16(f + 2);
                layout.sampleRate = le32(f + 4);
                layout.blockAlign = le16(f + 12);
                layout.bitsPerSample = le16(f + 14);
                // WAVE_FORMAT_EXTENSIBLE names the real codec in its sub-format's first bytes.
                codec = layout.formatTag;
                if (codec == kExtensible) codec = length >= 40 ? le16(f + 24) : 0;
                haveFormat = true;
            }
        } else if (isTag(chunk, "data")) {
            if (!haveFormat) return refuse(layout, WaveVerdict::Malformed);
            layout.dataOffset = static_cast<std::size_t>(body);
            layout.dataBytes = static_cast<std::size_t>(length);
            haveData = true;
        }
        // Chunks are padded to an even length; the pad byte may be missing after the last one.
        at = body + length + (length & 1);
    }

    if (layout.channels == 0 || layout.channels > kMaxChannels ||
        layout.sampleRate < kMinSampleRate || layout.sampleRate > kMaxSampleRate ||
        layout.blockAlign == 0)
        return refuse(layout, WaveVerdict::Unsupported);
    if (codec != kPcm && codec != kFloat && codec != kALaw && codec != kMuLaw &&
        codec != kMsAdpcm && codec != kImaAdpcm)
        return refuse(layout, WaveVerdict::Unsupported);
    // SDL widens 24-bit samples to 32 bits in place, three bytes a sample for as many frames
    // as the block size gives: with blocks smaller than a frame it reads past the samples into
    // uninitialised memory and plays that.
    if (codec == kPcm && layout.bitsPerSample == 24 && layout.blockAlign < layout.channels * 3)
        return refuse(layout, WaveVerdict::Malformed);
    if (layout.dataBytes == 0) return refuse(layout, WaveVerdict::Empty);

    const std::uint64_t frames = framesOf(layout, codec);
    if (frames == 0) {
        // A known codec with a sample size it never uses; or PCM too short for one frame.
        return refuse(layout, codec == kPcm && layout.bitsPerSample % 8 == 0 &&
                                      layout.bitsPerSample >= 8 && layout.bitsPerSample <= 32
                                  ? WaveVerdict::Empty
                                  : WaveVerdict::Unsupported);
    }
    const std::uint64_t resampled =
        (frames * kOutputRate + layout.sampleRate - 1) / layout.sampleRate;
    layout.decodedBytes = std::max(frames, resampled) * layout.channels * 2;
    if (layout.decodedBytes > kMaxSoundBytes) return refuse(layout, WaveVerdict::TooLarge);

    layout.verdict = WaveVerdict::Ok;
    return layout;
}

} // namespace

WaveLayout inspectWave(const unsigned char* bytes, std::size_t size) {
    return walk(bytes, size, size);
}

WaveLayout inspectWaveHeader(const unsigned char* bytes, std::size_t size, std::uint64_t fileSize) {
    return walk(bytes, static_cast<std::size_t>(std::min<std::uint64_t>(size, fileSize)), fileSize);
}

const char* verdictName(WaveVerdict verdict) {
    switch (verdict) {
    case WaveVerdict::Ok:
        return "Ok";
    case WaveVerdict::NotWave:
        return "NotWave";
    case WaveVerdict::Truncated:
        return "Truncated";
    case WaveVerdict::Malformed:
        return "Malformed";
    case WaveVerdict::Unsupported:
        return "Unsupported";
    case WaveVerdict::TooLarge:
        return "TooLarge";
    case WaveVerdict::Empty:
        return "Empty";
    }
    return "?";
}

} // namespace tarvenko::sound
