// Feeds thousands of damaged WAV files through dsCreateDSB. Nothing may crash or read outside
// the buffer (every input ends at a guard page or at the end of an exact-size heap block, which
// AddressSanitizer watches), every handle made is freed, and where the right answer is known
// (only sample bytes changed, file cut short, junk appended) the answer must be right. What is
// accepted never decodes to more than the budget counted for it from its header.

#include "MixerProbe.h"
#include "SoundTestSupport.h"
#include "Tarvenko.h"
#include "WaveCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace soundtest;

namespace {

constexpr int kIterations = 20000;

class Rng { // splitmix64: fixed seed, same cases on every run
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }
    unsigned char byte() { return static_cast<unsigned char>(next()); }

  private:
    std::uint64_t state_;
};

struct Seed {
    std::string name;
    Bytes bytes;
    bool plainPcm; // 8/16-bit PCM: any sample bytes decode
};

enum class Expect { Anything, Accepted, Refused };

struct Case {
    Bytes bytes;
    const char* mutation;
    Expect expect = Expect::Anything;
};

const std::uint32_t kInterestingSizes[] = {
    0,    1,    2,      3,      7,          8,          15,         16,        17,
    0x7F, 0xFF, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
const std::uint16_t kInterestingShorts[] = {0,  1,    2,    3,     4,      6,      7,      8,
                                            9,  12,   15,   16,    17,     24,     32,     33,
                                            64, 0x11, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};

std::vector<Seed> makeSeeds(const TempDir& dir) {
    std::vector<Seed> seeds;
    std::vector<std::int16_t> mono(400), stereo(2 * 300);
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = static_cast<std::int16_t>(12000 * std::sin(0.07 * static_cast<double>(i)));
    for (std::size_t i = 0; i < stereo.size(); ++i)
        stereo[i] = static_cast<std::int16_t>(9000 * std::cos(0.03 * static_cast<double>(i)));
    std::vector<std::uint8_t> eightBit(2 * 500);
    for (std::size_t i = 0; i < eightBit.size(); ++i)
        eightBit[i] = static_cast<std::uint8_t>(128 + 100 * std::sin(0.1 * i));

    seeds.push_back({"pcm16 mono", makePcm16(1, 44100, mono), true});
    seeds.push_back({"pcm16 stereo 22050 + LIST",
                     makePcm16(2, 22050, stereo, {{"LIST", Bytes(21, 'i')}}), true});
    seeds.push_back({"pcm8 stereo 11025", makePcm8(2, 11025, eightBit), true});
    seeds.push_back({"our click", readSound(kClick), true});
    // A file written by someone else's tool, its samples cut to a few hundred frames.
    const std::filesystem::path alsa = "/usr/share/sounds/alsa/Front_Center.wav";
    if (std::filesystem::exists(alsa)) {
        Bytes b = readFile(alsa);
        const auto chunks = listChunks(b);
        if (const ChunkPos* data = findChunk(chunks, "data");
            data != nullptr && data->length > 2000) {
            b.resize(data->at + 8 + 2000);
            put32(b, data->at + 4, 2000);
            put32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
            seeds.push_back({"alsa Front_Center", b, true});
        }
    }

    // Encodings we cannot easily write by hand; sox makes them from a short piece of our click.
    struct Variant {
        const char* name;
        std::vector<std::string> options;
        bool plainPcm;
    };
    const Variant variants[] = {
        {"ms-adpcm stereo", {"-e", "ms-adpcm", "-c", "2"}, false},
        {"ima-adpcm", {"-e", "ima-adpcm"}, false},
        {"float", {"-e", "floating-point", "-b", "32"}, false},
        {"mu-law", {"-e", "u-law"}, false},
        {"24-bit", {"-b", "24"}, false},
        {"6 channels", {"-c", "6"}, false},
        {"8-bit stereo 22050", {"-b", "8", "-c", "2", "-r", "22050"}, true},
    };
    if (!soxPath().empty()) {
        int n = 0;
        for (const Variant& v : variants) {
            const auto out = dir.path() / ("seed" + std::to_string(n++) + ".wav");
            std::vector<std::string> args{soundPath(kClick).string()};
            args.insert(args.end(), v.options.begin(), v.options.end());
            args.push_back(out.string());
            args.insert(args.end(), {"trim", "0", "0.03"});
            if (runSox(args))
                seeds.push_back({v.name, readFile(out), v.plainPcm});
            else
                ADD_FAILURE() << "sox could not make the " << v.name << " seed";
        }
    }
    return seeds;
}

// Fields of the first fmt chunk worth corrupting: offsets from the chunk body, and widths.
struct Field {
    std::size_t offset, width;
};
const Field kFmtFields[] = {{0, 2},  {2, 2},  {4, 4},  {8, 4}, {12, 2},
                            {14, 2}, {16, 2}, {18, 2}, {20, 4}};

void setField(Bytes& b, std::size_t at, std::size_t width, std::uint32_t v) {
    if (at + width > b.size()) return;
    if (width == 2)
        put16(b, at, static_cast<std::uint16_t>(v));
    else
        put32(b, at, v);
}

void mutateOnce(Rng& rng, Bytes& b, int kind) {
    if (b.empty()) return;
    const auto chunks = listChunks(b);
    switch (kind) {
    case 0: // bit flips
        for (std::size_t n = 1 + rng.below(8); n > 0; --n)
            b[rng.below(b.size())] ^= 1u << rng.below(8);
        break;
    case 1: // random bytes
        for (std::size_t n = 1 + rng.below(4); n > 0; --n) b[rng.below(b.size())] = rng.byte();
        break;
    case 2: { // a header byte set to an edge value
        const unsigned char values[] = {0, 1, 0x7F, 0x80, 0xFF};
        b[rng.below(std::min<std::size_t>(b.size(), 96))] = values[rng.below(5)];
        break;
    }
    case 3: { // a chunk's size field
        if (chunks.empty()) break;
        const ChunkPos& c = chunks[rng.below(chunks.size())];
        std::uint32_t v = kInterestingSizes[rng.below(std::size(kInterestingSizes))];
        if (rng.below(3) == 0) v = c.length + static_cast<std::uint32_t>(rng.below(9)) - 4;
        if (c.at + 8 <= b.size()) put32(b, c.at + 4, v);
        break;
    }
    case 4: { // a fmt field
        const ChunkPos* fmt = findChunk(chunks, "fmt ");
        if (fmt == nullptr) break;
        const Field& f = kFmtFields[rng.below(std::size(kFmtFields))];
        const std::uint32_t v = rng.below(4) == 0
                                    ? static_cast<std::uint32_t>(rng.next())
                                    : kInterestingShorts[rng.below(std::size(kInterestingShorts))];
        setField(b, fmt->at + 8 + f.offset, f.width, v);
        break;
    }
    case 5: // the RIFF size
        if (b.size() >= 8) put32(b, 4, kInterestingSizes[rng.below(std::size(kInterestingSizes))]);
        break;
    case 6: { // a chunk renamed, so that it goes missing or appears twice
        if (chunks.empty()) break;
        const ChunkPos& c = chunks[rng.below(chunks.size())];
        const char* names[] = {"fmt ", "data", "fact", "LIST", "dat\0", "FMT "};
        if (c.at + 4 <= b.size())
            std::copy_n(names[rng.below(std::size(names))], 4,
                        b.begin() + static_cast<std::ptrdiff_t>(c.at));
        break;
    }
    case 7: { // a copy of some chunk inserted before another
        if (chunks.size() < 2) break;
        const ChunkPos& from = chunks[rng.below(chunks.size())];
        const ChunkPos& before = chunks[rng.below(chunks.size())];
        const std::size_t end =
            std::min(b.size(), from.at + 8 + std::min<std::size_t>(from.length, 256));
        const Bytes copy(b.begin() + static_cast<std::ptrdiff_t>(from.at),
                         b.begin() + static_cast<std::ptrdiff_t>(end));
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(before.at), copy.begin(), copy.end());
        break;
    }
    default: // a run of bytes removed from the middle
        if (b.size() > 16) {
            const std::size_t at = rng.below(b.size() - 8),
                              count = 1 + rng.below(std::min<std::size_t>(64, b.size() - at));
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                    b.begin() + static_cast<std::ptrdiff_t>(at + count));
        }
        break;
    }
}

Case makeCase(Rng& rng, const Seed& seed) {
    Case c{seed.bytes, "", Expect::Anything};
    const auto layout = tarvenko::sound::inspectWave(seed.bytes.data(), seed.bytes.size());
    // Kinds 0 to 5 are one mutation each, named here in mutateOnce's order.
    static constexpr const char* kSingle[] = {"bit flips",  "random bytes", "edge byte",
                                              "chunk size", "fmt field",    "riff size"};
    const auto kind = rng.below(12);
    if (kind < std::size(kSingle)) {
        c.mutation = kSingle[kind];
        mutateOnce(rng, c.bytes, static_cast<int>(kind));
        return c;
    }
    switch (kind) {
    case 6:
        c.mutation = "chunk renamed / inserted / bytes removed";
        mutateOnce(rng, c.bytes, 6 + static_cast<int>(rng.below(3)));
        break;
    case 7: // cut short anywhere: always refused
        c.mutation = "truncated";
        c.bytes.resize(rng.below(seed.bytes.size()));
        c.expect = Expect::Refused;
        break;
    case 8: // junk after a whole file: always accepted
        c.mutation = "junk appended";
        for (std::size_t n = 1 + rng.below(300); n > 0; --n) c.bytes.push_back(rng.byte());
        c.expect = Expect::Accepted;
        break;
    case 9: // only sample values changed: any value is a valid sample in plain PCM
        c.mutation = "samples changed";
        for (std::size_t n = 1 + rng.below(64); n > 0; --n)
            c.bytes[layout.dataOffset + rng.below(layout.dataBytes)] = rng.byte();
        if (seed.plainPcm) c.expect = Expect::Accepted;
        break;
    case 10: // several at once, then maybe a random cut
        c.mutation = "stacked";
        for (std::size_t n = 2 + rng.below(3); n > 0; --n)
            mutateOnce(rng, c.bytes, static_cast<int>(rng.below(9)));
        if (rng.below(2) == 0) c.bytes.resize(rng.below(c.bytes.size() + 1));
        break;
    default: { // a RIFF/WAVE header followed by noise of random length
        c.mutation = "header then noise";
        c.bytes.resize(12 + rng.below(200));
        for (std::size_t i = 12; i < c.bytes.size(); ++i) c.bytes[i] = rng.byte();
        if (rng.below(2) == 0) std::copy_n("fmt ", 4, c.bytes.begin() + 12);
        break;
    }
    }
    return c;
}

// The samples a sound plays, read back from its channel while it loops.
Bytes samplesOf(std::int32_t sound) {
    EXPECT_EQ(dsPlayLooping(sound), 1);
    const auto playing = playingChannels();
    EXPECT_EQ(playing.size(), 1u);
    const Mix_Chunk* chunk = playing.size() == 1 ? Mix_GetChunk(playing[0]) : nullptr;
    Bytes samples = chunk ? Bytes(chunk->abuf, chunk->abuf + chunk->alen) : Bytes{};
    dsStop(sound);
    return samples;
}

TEST(SoundFuzz, DamagedWaveFilesNeverCrashAndKnownAnswersHold) {
    const std::int32_t instance = dsInitialize(0);
    ASSERT_NE(instance, 0);
    TempDir dir;
    const std::vector<Seed> seeds = makeSeeds(dir);
    std::size_t largest = 0;
    for (const Seed& s : seeds) {
        ASSERT_EQ(tarvenko::sound::inspectWave(s.bytes.data(), s.bytes.size()).verdict,
                  tarvenko::sound::WaveVerdict::Ok)
            << s.name;
        const std::int32_t h =
            dsCreateDSB(instance, s.bytes.data(), static_cast<std::int32_t>(s.bytes.size()), 3);
        ASSERT_GT(h, 0) << "seed " << s.name << " must load before it is damaged";
        dsFree(h);
        largest = std::max(largest, s.bytes.size());
    }
    GuardedRegion region(largest + 4096);

    Rng rng(20240611);
    int accepted = 0, refused = 0, wrong = 0;
    for (int i = 0; i < kIterations; ++i) {
        const Seed& seed = seeds[rng.below(seeds.size())];
        const Case c = makeCase(rng, seed);
        const auto size = c.bytes.size();

        std::int32_t h = 0;
        if (i % 2 == 0 && size <= region.capacity()) {
            h = dsCreateDSB(instance, region.placeAtEnd(c.bytes), static_cast<std::int32_t>(size),
                            3);
        } else {
            // An exact-size heap block: AddressSanitizer's red zone starts right after it.
            std::unique_ptr<unsigned char[]> exact(
                new unsigned char[std::max<std::size_t>(size, 1)]);
            std::copy(c.bytes.begin(), c.bytes.end(), exact.get());
            h = dsCreateDSB(instance, exact.get(), static_cast<std::int32_t>(size), 3);
        }

        // The same file handed over in the library's own memory (played in place where it can
        // be): the same answer and the same samples.
        void* own = dsAllocBuffer(static_cast<std::int32_t>(size));
        ASSERT_TRUE(own != nullptr || size == 0);
        std::copy(c.bytes.begin(), c.bytes.end(), static_cast<unsigned char*>(own));
        const std::int32_t adopted = dsAdoptDSB(instance, own, static_cast<std::int32_t>(size), 3);
        EXPECT_EQ(adopted != 0, h != 0) << "case " << i << " (" << c.mutation << ")";
        if (adopted != 0 && h != 0) {
            EXPECT_EQ(samplesOf(adopted), samplesOf(h))
                << "case " << i << " (" << c.mutation << ")";
        }
        dsFree(adopted);

        if (h != 0) {
            ++accepted;
            // Whatever was accepted must be playable.
            EXPECT_EQ(i % 2 == 0 ? dsPlay(h) : dsPlayLooping(h), 1)
                << "case " << i << " (" << c.mutation << ")";
            // ...and no larger than its header let the decoding budget count.
            const std::uint64_t counted =
                tarvenko::sound::inspectWave(c.bytes.data(), size).decodedBytes;
            for (int channel : playingChannels()) {
                const Mix_Chunk* chunk = Mix_GetChunk(channel);
                if (chunk == nullptr) continue;
                EXPECT_LE(chunk->alen, counted) << "case " << i << " (" << c.mutation << ")";
            }
            EXPECT_EQ(dsFree(h), 1);
        } else {
            ++refused;
        }
        const bool right =
            c.expect == Expect::Anything || (c.expect == Expect::Accepted) == (h != 0);
        if (!right && ++wrong <= 10)
            ADD_FAILURE() << "case " << i << " (" << c.mutation << " of " << seed.name << ", "
                          << size << " bytes) was " << (h ? "accepted" : "refused");
    }
    RecordProperty("accepted", accepted);
    RecordProperty("refused", refused);
    EXPECT_EQ(wrong, 0);
    // Both outcomes must be common, or the mutations are not reaching the decoder.
    EXPECT_GT(accepted, kIterations / 10);
    EXPECT_GT(refused, kIterations / 10);

    // Nothing left behind: no sound playing, channels recycled, and the library still works.
    EXPECT_TRUE(playingChannels().empty());
    EXPECT_LE(Mix_AllocateChannels(-1), 16);
    const Bytes click = readSound(kClick);
    const std::int32_t h =
        dsCreateDSB(instance, click.data(), static_cast<std::int32_t>(click.size()), 3);
    EXPECT_GT(h, 0);
    EXPECT_EQ(dsPlay(h), 1);
    EXPECT_EQ(dsTerminate(instance), 1);
}

} // namespace
