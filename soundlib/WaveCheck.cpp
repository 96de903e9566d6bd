#include "WaveCheck.h"

#include <cstring>

namespace tarvenko::sound {

namespace {

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

} // namespace

WaveLayout inspectWave(const unsigned char* bytes, std::size_t size) {
    WaveLayout layout;
    if (bytes == nullptr || size < 12 || !isTag(bytes, "RIFF") || !isTag(bytes + 8, "WAVE"))
        return refuse(layout, WaveVerdict::NotWave);

    // Offsets are 64-bit so that 32-bit header fields can never wrap them.
    const std::uint64_t riffEnd = std::uint64_t{le32(bytes + 4)} + 8;
    if (riffEnd < 12) return refuse(layout, WaveVerdict::Malformed);
    if (riffEnd > size) return refuse(layout, WaveVerdict::Truncated);

    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t at = 12;
    while (!haveData) {
        if (at + 8 > riffEnd) {
            // Ran out of chunks without meeting "data". A partial chunk header means the file
            // was cut; a clean end means the data chunk was simply never there.
            return refuse(layout, at < riffEnd ? WaveVerdict::Truncated : WaveVerdict::Malformed);
        }
        const unsigned char* chunk = bytes + at;
        const std::uint64_t length = le32(chunk + 4);
        const std::uint64_t body = at + 8;
        if (body + length > riffEnd) return refuse(layout, WaveVerdict::Truncated);

        if (isTag(chunk, "fmt ")) {
            // SDL uses the first fmt chunk and ignores any repeat; so do we.
            if (!haveFormat) {
                if (length < 16) return refuse(layout, WaveVerdict::Malformed);
                const unsigned char* f = bytes + body;
                layout.formatTag = le16(f);
                layout.channels = le16(f + 2);
                layout.sampleRate = le32(f + 4);
                layout.blockAlign = le16(f + 12);
                layout.bitsPerSample = le16(f + 14);
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
    if (layout.dataBytes == 0) return refuse(layout, WaveVerdict::Empty);

    // No format SDL decodes packs a sample in fewer than 4 bits (IMA and MS ADPCM), so this
    // bounds the frames decoded; resampling to the output rate then scales the count.
    const std::uint64_t frames = std::uint64_t{layout.dataBytes} * 2 / layout.channels + 1;
    const std::uint64_t outFrames = frames * kOutputRate / layout.sampleRate + 1;
    if (outFrames * kOutputFrameBytes > kMaxDecodedBytes)
        return refuse(layout, WaveVerdict::TooLarge);

    layout.verdict = WaveVerdict::Ok;
    return layout;
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
