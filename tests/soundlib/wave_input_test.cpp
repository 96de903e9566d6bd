// What dsCreateDSB accepts and refuses: WAV files from elsewhere, damaged files, and buffers
// that end exactly where the caller's memory does.

#include "MixerProbe.h"
#include "OutputTest.h"
#include "SoundTestSupport.h"
#include "Tarvenko.h"
#include "WaveCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

using namespace soundtest;
using tarvenko::sound::inspectWave;
using tarvenko::sound::verdictName;
using tarvenko::sound::WaveVerdict;

namespace {

constexpr std::int32_t kEffect = 3;
// What one frame of the mixer's output format takes: 16-bit mono.
constexpr std::size_t kMixerFrameBytes = 2;

class WaveInputTest : public OutputTest {
  protected:
    std::int32_t create(const unsigned char* data, std::size_t size) {
        return dsCreateDSB(instance_, data, static_cast<std::int32_t>(size), kEffect);
    }
    std::int32_t create(const Bytes& b) { return create(b.data(), b.size()); }
    // Bytes of the decoded sound in the output format, read back from the mixer.
    std::size_t decodedBytes(std::int32_t sound) {
        EXPECT_EQ(dsPlay(sound), 1);
        const auto playing = playingChannels();
        EXPECT_EQ(playing.size(), 1u);
        const Mix_Chunk* chunk = playing.empty() ? nullptr : Mix_GetChunk(playing.front());
        dsStop(sound);
        return chunk ? chunk->alen : 0;
    }
    // Sample frames of the decoded sound at the output rate.
    std::size_t decodedFrames(std::int32_t sound) { return decodedBytes(sound) / kMixerFrameBytes; }
};

WaveVerdict verdictOf(const Bytes& b) {
    return inspectWave(b.data(), b.size()).verdict;
}

Bytes smallPcm16(std::uint16_t channels = 1, std::uint32_t rate = 44100, std::size_t frames = 441) {
    std::vector<std::int16_t> samples(frames * channels);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(8000 * std::sin(0.05 * static_cast<double>(i)));
    return makePcm16(channels, rate, samples);
}

// --- The layout check on its own ------------------------------------------------------------

TEST(WaveCheck, AcceptsAPlainFileAndReportsItsLayout) {
    const Bytes wav = smallPcm16(2, 22050, 100);
    const auto layout = inspectWave(wav.data(), wav.size());
    EXPECT_EQ(layout.verdict, WaveVerdict::Ok) << verdictName(layout.verdict);
    EXPECT_EQ(layout.formatTag, 1);
    EXPECT_EQ(layout.channels, 2);
    EXPECT_EQ(layout.sampleRate, 22050u);
    EXPECT_EQ(layout.blockAlign, 4);
    EXPECT_EQ(layout.bitsPerSample, 16);
    EXPECT_EQ(layout.dataOffset, 44u);
    EXPECT_EQ(layout.dataBytes, 400u);
}

TEST(WaveCheck, SkipsOtherChunksIncludingOddSizedOnesWithTheirPadByte) {
    const Bytes wav = makePcm16(1, 44100, std::vector<std::int16_t>(10, 100),
                                {{"LIST", Bytes(7, 'x')}, {"junk", Bytes(12, 0)}});
    const auto layout = inspectWave(wav.data(), wav.size());
    ASSERT_EQ(layout.verdict, WaveVerdict::Ok) << verdictName(layout.verdict);
    EXPECT_EQ(layout.dataOffset, 44u + 8 + 8 + 8 + 12);
    EXPECT_EQ(layout.dataBytes, 20u);
}

TEST(WaveCheck, RefusesWhatIsNotRiffWave) {
    EXPECT_EQ(inspectWave(nullptr, 100).verdict, WaveVerdict::NotWave);
    Bytes wav = smallPcm16();
    EXPECT_EQ(inspectWave(wav.data(), 11).verdict, WaveVerdict::NotWave);
    Bytes rifx = wav;
    rifx[3] = 'X';
    EXPECT_EQ(verdictOf(rifx), WaveVerdict::NotWave);
    Bytes avi = wav;
    avi[8] = 'A', avi[9] = 'V', avi[10] = 'I', avi[11] = ' ';
    EXPECT_EQ(verdictOf(avi), WaveVerdict::NotWave);
}

TEST(WaveCheck, RefusesFilesCutShortOrClaimingMoreThanTheyHold) {
    const Bytes wav = smallPcm16();
    for (std::size_t size = 12; size < wav.size(); ++size)
        EXPECT_NE(inspectWave(wav.data(), size).verdict, WaveVerdict::Ok) << size;
    EXPECT_EQ(inspectWave(wav.data(), wav.size() - 1).verdict, WaveVerdict::Truncated);
    EXPECT_EQ(inspectWave(wav.data(), 40).verdict, WaveVerdict::Truncated);

    Bytes longData = wav; // data chunk claims one byte more than the RIFF holds
    put32(longData, 40, get32(wav, 40) + 2);
    EXPECT_EQ(verdictOf(longData), WaveVerdict::Truncated);
    Bytes hugeData = wav;
    put32(hugeData, 40, 0xFFFFFFFF);
    EXPECT_EQ(verdictOf(hugeData), WaveVerdict::Truncated);
    Bytes longRiff = wav;
    put32(longRiff, 4, get32(wav, 4) + 1);
    EXPECT_EQ(verdictOf(longRiff), WaveVerdict::Truncated);
    Bytes hugeFmt = wav;
    put32(hugeFmt, 16, 0xFFFFFFF0);
    EXPECT_EQ(verdictOf(hugeFmt), WaveVerdict::Truncated);
}

TEST(WaveCheck, TrailingBytesAfterTheRiffChunkAreIgnored) {
    Bytes wav = smallPcm16();
    wav.insert(wav.end(), 100, 0xEE);
    EXPECT_EQ(verdictOf(wav), WaveVerdict::Ok);
}

TEST(WaveCheck, RefusesChunksOutOfOrderOrMissing) {
    const Bytes wav = smallPcm16();
    Bytes noFmt = wav; // rename "fmt " so that data comes first
    noFmt[12] = 'x';
    EXPECT_EQ(verdictOf(noFmt), WaveVerdict::Malformed);
    Bytes noData = wav;
    noData[36] = 'x';
    EXPECT_EQ(verdictOf(noData), WaveVerdict::Malformed);
    Bytes shortFmt = wav; // a 14-byte fmt chunk leaves no room for the sample size
    put32(shortFmt, 16, 14);
    EXPECT_EQ(verdictOf(shortFmt), WaveVerdict::Malformed);
    Bytes tinyRiff = wav;
    put32(tinyRiff, 4, 2);
    EXPECT_EQ(verdictOf(tinyRiff), WaveVerdict::Malformed);
}

TEST(WaveCheck, RefusesFormatsOutsideSaneLimits) {
    const Bytes wav = smallPcm16();
    auto with16 = [&](std::size_t at, std::uint16_t v) {
        Bytes b = wav;
        put16(b, at, v);
        return verdictOf(b);
    };
    auto with32 = [&](std::size_t at, std::uint32_t v) {
        Bytes b = wav;
        put32(b, at, v);
        return verdictOf(b);
    };
    EXPECT_EQ(with16(22, 0), WaveVerdict::Unsupported); // channels
    EXPECT_EQ(with16(22, 9), WaveVerdict::Unsupported);
    EXPECT_EQ(with16(22, 8), WaveVerdict::Ok);
    EXPECT_EQ(with32(24, 0), WaveVerdict::Unsupported); // sample rate
    EXPECT_EQ(with32(24, 999), WaveVerdict::Unsupported);
    EXPECT_EQ(with32(24, 1000), WaveVerdict::Ok);
    EXPECT_EQ(with32(24, 384000), WaveVerdict::Ok);
    EXPECT_EQ(with32(24, 384001), WaveVerdict::Unsupported);
    EXPECT_EQ(with32(24, 0xFFFFFFFF), WaveVerdict::Unsupported);
    EXPECT_EQ(with16(32, 0), WaveVerdict::Unsupported); // block align
    Bytes b24 = wav; // 24-bit mono: SDL widens as many 3-byte samples as there are blocks
    put16(b24, 34, 24);
    put16(b24, 32, 3);
    EXPECT_EQ(verdictOf(b24), WaveVerdict::Ok);
    put16(b24, 32, 2);
    EXPECT_EQ(verdictOf(b24), WaveVerdict::Malformed);
}

TEST(WaveCheck, RefusesFilesThatWouldDecodeToAnAbsurdSize) {
    // 6 MB at 1 kHz would be 264 MB at 44.1 kHz mono.
    const Bytes big = makePcm16(1, 1000, std::vector<std::int16_t>(3000000, 1));
    EXPECT_EQ(verdictOf(big), WaveVerdict::TooLarge);
    const Bytes fine = makePcm16(1, 44100, std::vector<std::int16_t>(1500000, 1));
    EXPECT_EQ(verdictOf(fine), WaveVerdict::Ok);
}

TEST(WaveCheck, RefusesAnEmptyDataChunk) {
    EXPECT_EQ(verdictOf(makePcm16(1, 44100, {})), WaveVerdict::Empty);
}

// A 44-byte header whose data chunk declares dataBytes, judged without them.
WaveVerdict headerVerdict(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                          std::uint16_t align, std::uint16_t bits, std::uint32_t dataBytes) {
    Bytes b = makePcm16(1, 44100, {0});
    put16(b, 20, tag);
    put16(b, 22, channels);
    put32(b, 24, rate);
    put16(b, 32, align);
    put16(b, 34, bits);
    put32(b, 40, dataBytes);
    put32(b, 4, 36 + dataBytes);
    return tarvenko::sound::inspectWaveHeader(b.data(), 44, 44 + std::uint64_t{dataBytes}).verdict;
}

TEST(WaveCheck, JudgesTheCostOfEveryCodecFromTheHeaderAlone) {
    using V = WaveVerdict;
    const std::uint32_t min10 = 600 * 44100;
    EXPECT_EQ(headerVerdict(1, 2, 44100, 4, 16, min10 * 4), V::Ok); // 10 minutes of CD stereo
    EXPECT_EQ(headerVerdict(1, 2, 44100, 4, 16, min10 * 4 + 4), V::TooLarge);
    EXPECT_EQ(headerVerdict(1, 2, 48000, 4, 16, 600 * 48000 * 4), V::TooLarge); // counted at 48 kHz
    EXPECT_EQ(headerVerdict(1, 1, 44100, 2, 16, 780 * 44100 * 2), V::Ok);       // 13 min mono
    EXPECT_EQ(headerVerdict(3, 2, 44100, 8, 32, min10 * 8), V::Ok);             // float
    // Small files that would decode to hundreds of megabytes at the mixer's rate.
    EXPECT_EQ(headerVerdict(0x11, 1, 1000, 256, 4, 1409024), V::TooLarge); // IMA-ADPCM
    EXPECT_EQ(headerVerdict(2, 1, 1000, 256, 4, 1409024), V::TooLarge);    // MS ADPCM
    EXPECT_EQ(headerVerdict(1, 1, 1000, 1, 8, 2790000), V::TooLarge);      // 8-bit
    EXPECT_EQ(headerVerdict(7, 1, 1000, 1, 8, 2790000), V::TooLarge);      // u-law
    EXPECT_EQ(headerVerdict(0x11, 1, 44100, 256, 4, 13000000), V::Ok);     // 10 min of ADPCM
    // Codecs and sample sizes SDL does not decode.
    EXPECT_EQ(headerVerdict(0x55, 1, 44100, 1, 0, 1000), V::Unsupported); // MP3
    EXPECT_EQ(headerVerdict(1, 1, 44100, 2, 12, 1000), V::Unsupported);
    EXPECT_EQ(headerVerdict(3, 1, 44100, 8, 64, 1000), V::Unsupported);
    EXPECT_EQ(headerVerdict(0x11, 1, 44100, 256, 3, 1000), V::Unsupported);
}

TEST(WaveCheck, TheHeadMustHoldTheFormatAndTheStartOfTheData) {
    const Bytes wav =
        makePcm16(1, 44100, std::vector<std::int16_t>(10, 1), {{"LIST", Bytes(100, 'x')}});
    const auto head = [&](std::size_t n) {
        return tarvenko::sound::inspectWaveHeader(wav.data(), n, wav.size()).verdict;
    };
    EXPECT_EQ(head(36 + 108 + 8), WaveVerdict::Ok);
    EXPECT_EQ(head(36 + 108 + 7), WaveVerdict::Malformed);
    EXPECT_EQ(head(30), WaveVerdict::Malformed);
}

TEST_F(WaveInputTest, TheSoundsTogetherStayWithinTheirBudget) {
    // Eight channels of 8-bit at 1 kHz: a 1.1 MB file that counts as 100 MB, a third of all.
    const Bytes wav = makePcm8(8, 1000, std::vector<std::uint8_t>(8 * 141700, 128));
    ASSERT_GT(inspectWave(wav.data(), wav.size()).decodedBytes * 3,
              tarvenko::sound::kMaxTotalBytes);
    const std::int32_t first = create(wav), second = create(wav);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 0);
    EXPECT_EQ(create(wav), 0); // 300 MB in all
    EXPECT_EQ(dsFree(first), 1);
    EXPECT_GT(create(wav), 0);
}

// --- Real files made elsewhere ------------------------------------------------------------------

TEST_F(WaveInputTest, LoadsTheAlsaSampleSounds) {
    const std::filesystem::path dir = "/usr/share/sounds/alsa";
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(dir))
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".wav") files.push_back(entry.path());
    if (files.empty()) GTEST_SKIP() << "alsa-utils' sample sounds are not installed";

    for (const auto& path : files) {
        const Bytes bytes = readFile(path);
        const std::int32_t h = create(bytes);
        ASSERT_GT(h, 0) << path;
        // They are 48 kHz: the decoded length must come out resampled to 44.1 kHz.
        const auto layout = inspectWave(bytes.data(), bytes.size());
        const double seconds =
            static_cast<double>(layout.dataBytes) / layout.blockAlign / layout.sampleRate;
        EXPECT_NEAR(static_cast<double>(decodedFrames(h)), seconds * 44100, 44100 * 0.01) << path;
        EXPECT_EQ(dsFree(h), 1);
    }
}

struct Conversion {
    const char* label;
    std::vector<std::string> options; // sox output options
    std::uint16_t formatTag, channels, bits;
    std::uint32_t rate;
    std::size_t blockPadding = 0; // ADPCM fills its last block with silence
};

class SoxConversionTest : public WaveInputTest, public ::testing::WithParamInterface<Conversion> {};

TEST_P(SoxConversionTest, LoadsAtTheRightLength) {
    if (soxPath().empty()) GTEST_SKIP() << "sox not found when the build was configured";
    const Conversion& c = GetParam();
    TempDir dir;
    const auto out = dir.path() / "converted.wav";
    std::vector<std::string> args{soundPath(kFanfare).string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(out.string());
    ASSERT_TRUE(runSox(args)) << "sox failed for " << c.label;

    const Bytes bytes = readFile(out);
    const auto layout = inspectWave(bytes.data(), bytes.size());
    ASSERT_EQ(layout.verdict, WaveVerdict::Ok) << verdictName(layout.verdict);
    // Make sure the file really is what this case claims to test.
    EXPECT_EQ(layout.formatTag, c.formatTag);
    EXPECT_EQ(layout.channels, c.channels);
    EXPECT_EQ(layout.bitsPerSample, c.bits);
    EXPECT_EQ(layout.sampleRate, c.rate);

    const std::int32_t h = create(bytes);
    ASSERT_GT(h, 0);
    const auto frames = static_cast<double>(decodedFrames(h));
    EXPECT_GE(frames, 1.22 * 44100 * 0.99);
    EXPECT_LE(frames, 1.22 * 44100 * 1.01 + static_cast<double>(c.blockPadding));
    EXPECT_EQ(dsPlayLooping(h), 1);
    EXPECT_EQ(dsFree(h), 1);
}

constexpr std::uint16_t kPcm = 1, kMsAdpcm = 2, kFloat = 3, kALaw = 6, kMuLaw = 7, kImaAdpcm = 0x11,
                        kExtensible = 0xFFFE;

INSTANTIATE_TEST_SUITE_P(
    FromOurFanfare, SoxConversionTest,
    ::testing::Values(
        Conversion{"8bit", {"-b", "8"}, kPcm, 1, 8, 44100},
        Conversion{"stereo", {"-c", "2"}, kPcm, 2, 16, 44100},
        Conversion{"22050Hz", {"-r", "22050"}, kPcm, 1, 16, 22050},
        Conversion{"8bit_stereo_22050Hz", {"-b", "8", "-c", "2", "-r", "22050"}, kPcm, 2, 8, 22050},
        Conversion{"8000Hz", {"-r", "8000"}, kPcm, 1, 16, 8000},
        Conversion{"48000Hz", {"-r", "48000"}, kPcm, 1, 16, 48000},
        Conversion{"24bit", {"-b", "24"}, kExtensible, 1, 24, 44100},
        Conversion{"float", {"-e", "floating-point", "-b", "32"}, kFloat, 1, 32, 44100},
        Conversion{"6channels", {"-c", "6"}, kExtensible, 6, 16, 44100},
        Conversion{"alaw", {"-e", "a-law"}, kALaw, 1, 8, 44100},
        Conversion{"mulaw", {"-e", "u-law"}, kMuLaw, 1, 8, 44100},
        Conversion{"ima_adpcm", {"-e", "ima-adpcm"}, kImaAdpcm, 1, 4, 44100, 2048},
        Conversion{"ms_adpcm", {"-e", "ms-adpcm"}, kMsAdpcm, 1, 4, 44100, 2048}),
    [](const auto& info) { return std::string(info.param.label); });

// --- Never reading past the buffer
// ----------------------------------------------------------------

TEST_F(WaveInputTest, AValidFileEndingAtAGuardPageLoads) {
    const Bytes click = readSound(kClick);
    GuardedRegion region(click.size());
    EXPECT_GT(create(region.placeAtEnd(click), click.size()), 0);
}

TEST_F(WaveInputTest, AHeaderClaimingMoreDataThanGivenIsRefusedWithoutReadingOn) {
    const Bytes click = readSound(kClick);
    const auto chunks = listChunks(click);
    const ChunkPos* data = findChunk(chunks, "data");
    ASSERT_NE(data, nullptr);
    GuardedRegion region(click.size() + 4096);

    for (std::uint32_t extra : {1u, 2u, 1000u, 1u << 20, 0x7FFFFFFFu}) {
        // Data chunk longer than the file, RIFF size left honest.
        Bytes lying = click;
        put32(lying, data->at + 4, data->length + extra);
        EXPECT_EQ(create(region.placeAtEnd(lying), lying.size()), 0) << extra;
        // Both sizes raised together, as a file cut short after writing would look.
        put32(lying, 4, get32(click, 4) + extra);
        EXPECT_EQ(create(region.placeAtEnd(lying), lying.size()), 0) << extra;
    }
    // The whole file given, but size says less: the header then claims more than given.
    const std::size_t shortBy[] = {1, 2, 100, click.size() - data->at - 8};
    for (std::size_t cut : shortBy)
        EXPECT_EQ(create(region.placeAtEnd(click.data(), click.size() - cut), click.size() - cut),
                  0)
            << cut;
    EXPECT_TRUE(playingChannels().empty());
}

TEST_F(WaveInputTest, EveryTruncatedPrefixOfOurClickIsRefused) {
    const Bytes click = readSound(kClick);
    GuardedRegion region(click.size());
    std::size_t accepted = 0;
    for (std::size_t size = 1; size < click.size(); ++size) {
        const std::int32_t h = create(region.placeAtEnd(click.data(), size), size);
        if (h != 0) {
            ++accepted;
            dsFree(h);
        }
    }
    EXPECT_EQ(accepted, 0u);
    EXPECT_GT(create(region.placeAtEnd(click), click.size()), 0);
}

TEST_F(WaveInputTest, EveryTruncatedPrefixOfAnAdpcmFileIsRefused) {
    if (soxPath().empty()) GTEST_SKIP() << "sox not found when the build was configured";
    TempDir dir;
    const auto out = dir.path() / "adpcm.wav";
    ASSERT_TRUE(runSox({soundPath(kClick).string(), "-e", "ms-adpcm", "-c", "2", out.string()}));
    const Bytes adpcm = readFile(out);
    GuardedRegion region(adpcm.size());
    std::size_t accepted = 0;
    for (std::size_t size = 1; size < adpcm.size(); ++size) {
        const std::int32_t h = create(region.placeAtEnd(adpcm.data(), size), size);
        if (h != 0) {
            ++accepted;
            dsFree(h);
        }
    }
    EXPECT_EQ(accepted, 0u);
    EXPECT_GT(create(region.placeAtEnd(adpcm), adpcm.size()), 0);
}

TEST_F(WaveInputTest, TrailingBytesAfterAWholeFileAreHarmless) {
    Bytes click = readSound(kClick);
    const std::size_t size = click.size();
    click.insert(click.end(), 333, 0x5A);
    const std::int32_t h = create(click);
    ASSERT_GT(h, 0);
    EXPECT_EQ(decodedFrames(h), (size - 44) / 2);
}

TEST_F(WaveInputTest, ASoundShorterThanOneOutputFrameIsRefusedNotLeftUnplayable) {
    // Found by the fuzz test: six channels whose data chunk holds one frame and a bit. Down-mixed
    // to mono it leaves less than one whole output frame, which SDL_mixer cannot play.
    Bytes wav = makePcm16(6, 44100, std::vector<std::int16_t>(12, 1000));
    put32(wav, 40, 15);
    const std::int32_t h = create(wav);
    if (h != 0) {
        EXPECT_EQ(dsPlay(h), 1) << "an accepted sound must play";
    }
    // One whole frame more and it is an ordinary, playable sound.
    Bytes two = makePcm16(6, 44100, std::vector<std::int16_t>(12, 1000));
    const std::int32_t h2 = create(two);
    ASSERT_GT(h2, 0);
    EXPECT_EQ(dsPlay(h2), 1);
    EXPECT_EQ(decodedBytes(h2) % kMixerFrameBytes, 0u);

    // Other scraps of a frame or two, down-mixed, widened or resampled: each must be refused,
    // or kept as whole mono frames that play.
    struct Scrap {
        std::uint16_t channels, bits;
        std::uint32_t rate, dataBytes;
    };
    const Scrap scraps[] = {{6, 16, 44100, 13}, {3, 16, 44100, 7}, {2, 16, 44100, 3},
                            {2, 16, 44100, 5},  {2, 16, 48000, 5}, {2, 16, 22050, 5},
                            {2, 8, 44100, 1},   {2, 8, 44100, 3},  {1, 16, 44100, 1},
                            {1, 16, 44100, 3},  {1, 16, 22050, 3}, {1, 8, 44100, 1}};
    for (const Scrap& s : scraps) {
        Bytes scrap = s.bits == 8
                          ? makePcm8(s.channels, s.rate, Bytes(24, 0x90))
                          : makePcm16(s.channels, s.rate, std::vector<std::int16_t>(12, 1000));
        put32(scrap, 40, s.dataBytes);
        const std::int32_t h3 = create(scrap);
        if (h3 == 0) continue;
        const std::size_t bytes = decodedBytes(h3);
        EXPECT_GT(bytes, 0u) << s.channels << " channels, " << s.dataBytes << " bytes";
        EXPECT_EQ(bytes % kMixerFrameBytes, 0u) << s.channels << " channels, " << s.dataBytes;
        EXPECT_EQ(dsPlay(h3), 1) << s.channels << " channels, " << s.dataBytes << " bytes";
        EXPECT_EQ(dsFree(h3), 1);
    }
}

TEST_F(WaveInputTest, DataThatIsNotAWaveFileIsRefused) {
    const std::string text = "this is not a sound at all, just some words in a buffer";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    EXPECT_EQ(create(p, text.size()), 0);
    // Formats SDL_mixer could decode by other means are still refused: this is a WAV loader.
    const Bytes aiff = {'F', 'O', 'R', 'M', 0, 0, 0, 0x20, 'A', 'I', 'F', 'F', 'C', 'O', 'M', 'M'};
    EXPECT_EQ(create(aiff), 0);
    const Bytes zeros(4096, 0);
    EXPECT_EQ(create(zeros), 0);
}

} // namespace
