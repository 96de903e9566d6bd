// What actually reaches the output. SDL's "disk" driver writes the mixed stream (44.1 kHz,
// 16-bit mono, as we open it) to a raw file, paced by SDL_DISKAUDIODELAY milliseconds per
// buffer; a short delay runs it many times faster than real time. The tests wait for the file
// to grow rather than for the clock, and analyse it after the output is closed.
//
// While nothing plays the output rests and the file does not grow, so the silence after a
// sound ends shows only before a later sound: the tests play a marker once every channel is
// quiet and look at the output up to the marker.

#include "MixerProbe.h"
#include "OutputTest.h"
#include "SoundTestSupport.h"
#include "Tarvenko.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace soundtest;

namespace {

constexpr std::size_t kFrameBytes = 2; // 16-bit mono
constexpr std::size_t kRate = 44100;
// Output mixed before a call can still reach the file after it: SDL's current buffer plus
// stdio's. Anything this far past the call is certainly mixed after it.
constexpr std::size_t kSettleFrames = kRate / 4;
// The marker: half a second of a value no test sound holds.
constexpr std::int16_t kMarker = -31000;
constexpr std::size_t kMarkerFrames = kRate / 2;

struct Frame {
    std::int16_t sample;
    bool silent() const { return sample == 0; }
};

class DiskOutputTest : public OutputTest {
  protected:
    void SetUp() override {
        file_ = dir_.path() / "out.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "2", 1);
        OutputTest::SetUp();
    }

    std::int32_t create(const Bytes& wav, std::int32_t flag = 3) {
        return dsCreateDSB(instance_, wav.data(), static_cast<std::int32_t>(wav.size()), flag);
    }

    // The sound under test: from memory, or played from its file when fromFile; the file's
    // descriptor is closed at once, as the library keeps its own.
    std::int32_t load(const Bytes& wav, bool fromFile, std::int32_t flag = 3) {
        if (!fromFile) return create(wav, flag);
        const int fd = openWritten(dir_.path() / "sound.wav", wav);
        const std::int32_t h = dsStreamDSB(instance_, fd, flag);
        if (fd >= 0) ::close(fd);
        return h;
    }

    // Frames written so far.
    std::size_t written() const {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(file_, ec);
        return ec ? 0 : static_cast<std::size_t>(bytes) / kFrameBytes;
    }

    // Waits until at least `frames` frames are in the file. The bound only keeps a broken
    // driver from hanging the run; it is far beyond what the output needs.
    bool waitFor(std::size_t frames) const {
        return waitUntil([&] { return written() >= frames; });
    }

    template <typename F> static bool waitUntil(F done) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!done()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    // Waits until no channel plays (false if one never stops), then plays the marker and
    // waits until enough of it is out that its start surely is.
    bool markWhenQuiet() {
        if (!waitUntil([] { return playingChannels().empty() && !streamPlaying(); })) return false;
        const std::int32_t m =
            create(makePcm16(1, 44100, std::vector<std::int16_t>(kMarkerFrames, kMarker)));
        const std::size_t at = written();
        return m > 0 && dsPlay(m) == 1 && waitFor(at + kMarkerFrames / 2);
    }

    // Closes the output and reads everything it wrote before the marker.
    std::vector<Frame> finishAtMarker() {
        std::vector<Frame> out = finish();
        std::size_t i = 0;
        while (i < out.size() && out[i].sample != kMarker) ++i;
        EXPECT_LT(i, out.size()) << "the marker never reached the output";
        out.resize(i);
        return out;
    }

    // Closes the output and reads everything it wrote.
    std::vector<Frame> finish() {
        EXPECT_EQ(dsTerminate(instance_), 1);
        instance_ = 0;
        const Bytes raw = readFile(file_);
        std::vector<Frame> frames(raw.size() / kFrameBytes);
        for (std::size_t i = 0; i < frames.size(); ++i)
            frames[i] = {static_cast<std::int16_t>(get16(raw, kFrameBytes * i))};
        return frames;
    }

    TempDir dir_;
    std::filesystem::path file_;
};

std::optional<std::size_t> firstSound(const std::vector<Frame>& out, std::size_t from) {
    for (std::size_t i = from; i < out.size(); ++i)
        if (!out[i].silent()) return i;
    return std::nullopt;
}

int peak(const std::vector<Frame>& out, std::size_t from, std::size_t to) {
    int p = 0;
    for (std::size_t i = from; i < to && i < out.size(); ++i)
        p = std::max(p, std::abs(int{out[i].sample}));
    return p;
}

TEST_F(DiskOutputTest, OurLoopingClickIsHeardOverAndOverAndStopSilencesIt) {
    const Bytes click = readSound(kClick);
    const std::size_t period = pcm16Samples(click).size(); // mono: one sample per frame
    const std::int32_t h = create(click);
    ASSERT_GT(h, 0);

    const std::size_t started = written();
    ASSERT_EQ(dsPlayLooping(h), 1);
    ASSERT_TRUE(waitFor(started + kSettleFrames + 8 * period));
    ASSERT_EQ(dsStop(h), 1);
    const std::size_t stopped = written();
    ASSERT_TRUE(markWhenQuiet()) << "the click still plays after dsStop";
    const auto out = finishAtMarker();

    EXPECT_EQ(peak(out, 0, started), 0) << "output before the first play must be silent";
    const auto onset = firstSound(out, started);
    ASSERT_TRUE(onset.has_value()) << "the looping click never reached the output";
    // Every stretch one click long holds a whole click: a sound played only once would leave
    // the later stretches silent. The click peaks near -1.6 dBFS.
    for (std::size_t at = *onset; at + period <= stopped; at += period)
        EXPECT_GT(peak(out, at, at + period), 20000) << "no click in frames " << at << "..";
    EXPECT_EQ(peak(out, stopped + kSettleFrames, out.size()), 0) << "sound went on after dsStop";
}

// A mono probe in the output format, whose samples change from one frame to the next, so
// that the output can be compared with it sample for sample.
struct Probe {
    std::vector<std::int16_t> samples;
    std::size_t frames() const { return samples.size(); }
    Frame at(std::size_t frame) const { return {samples[frame]}; }
};

Probe wavyProbe(std::size_t frames) {
    Probe p;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i);
        p.samples.push_back(static_cast<std::int16_t>(3000 + 9000 * std::sin(t * 0.031) +
                                                      4000 * std::sin(t * 0.17 + 1.0)));
    }
    return p;
}

// SDL_mixer scales by channel volume / 128 with integer arithmetic; allow one step of rounding.
bool near(Frame got, Frame want, int volume) {
    return std::abs(got.sample - want.sample * volume / 128) <= 1;
}

struct LoopCase {
    std::int32_t flag;
    int volume;
    bool fromFile;
};

class LoopSeamTest : public DiskOutputTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(LoopSeamTest, LoopRepeatsTheSoundSampleExactlyAtItsVolume) {
    const Probe probe = wavyProbe(2205); // 50 ms
    const std::int32_t h =
        load(makePcm16(1, 44100, probe.samples), GetParam().fromFile, GetParam().flag);
    ASSERT_GT(h, 0);
    const std::size_t started = written();
    ASSERT_EQ(dsPlayLooping(h), 1);
    ASSERT_TRUE(waitFor(started + kSettleFrames + 6 * probe.frames()));
    ASSERT_EQ(dsStop(h), 1);
    const std::size_t stopped = written();
    ASSERT_TRUE(markWhenQuiet());
    const auto out = finishAtMarker();

    const auto onset = firstSound(out, started);
    ASSERT_TRUE(onset.has_value());
    // Four whole rounds from the onset, seams included, must equal the probe: no gap, no
    // repeated or dropped sample, no click at the loop point.
    std::size_t mismatches = 0;
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t j = 0; j < probe.frames(); ++j)
            if (!near(out.at(*onset + k * probe.frames() + j), probe.at(j), GetParam().volume) &&
                ++mismatches <= 5)
                ADD_FAILURE() << "round " << k << " frame " << j << ": got "
                              << out[*onset + k * probe.frames() + j].sample;
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(peak(out, stopped + kSettleFrames, out.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Flags, LoopSeamTest,
                         ::testing::Values(LoopCase{3, 128, false}, LoopCase{0, 128, false},
                                           LoopCase{1, 80, false}, LoopCase{1, 80, true},
                                           LoopCase{3, 128, true}),
                         [](const auto& info) {
                             return "flag" + std::to_string(info.param.flag) +
                                    (info.param.fromFile ? "FromFile" : "");
                         });

// A probe that tells its frames apart: the first is a marker no other frame holds, and the
// rest count 1..30000 over and over. One 16-bit sample cannot number seconds of frames, but
// following the count from the marker can; two copies playing at once would add up to
// values that never step by exactly one.
constexpr std::int16_t kProbeStart = -32000;
constexpr std::size_t kProbeCycle = 30000;

std::int16_t countingValue(std::size_t pos) {
    if (pos == 0) return kProbeStart;
    return static_cast<std::int16_t>((pos - 1) % kProbeCycle + 1);
}

Probe countingProbe(std::size_t frames) {
    Probe p;
    for (std::size_t i = 0; i < frames; ++i) p.samples.push_back(countingValue(i));
    return p;
}

bool isProbeValue(Frame f) {
    return f.sample == kProbeStart || (f.sample >= 1 && f.sample <= int{kProbeCycle});
}

// Splits the output from `from` on into runs of consecutive probe positions, checking that
// every sounding frame is a probe frame and follows the previous one or starts over. A run
// that does not open on the marker has no known position; it is numbered from far past any
// real frame, so the tests' checks for a start at position 0 fail on it.
struct OutputRun {
    std::size_t start, firstPos, lastPos;
    std::int16_t lastValue;
};

constexpr std::size_t kUnknownPos = std::size_t{1} << 40;

std::vector<OutputRun> runsOf(const std::vector<Frame>& out, std::size_t from, bool& clean) {
    std::vector<OutputRun> runs;
    clean = true;
    for (std::size_t i = from; i < out.size(); ++i) {
        if (out[i].silent()) continue;
        if (!isProbeValue(out[i])) {
            if (clean) ADD_FAILURE() << "frame " << i << " is not a single probe frame";
            clean = false;
            continue;
        }
        bool continues = false;
        if (!runs.empty()) {
            const OutputRun& r = runs.back();
            const std::int16_t next =
                r.firstPos == kUnknownPos
                    ? static_cast<std::int16_t>(r.lastValue % int{kProbeCycle} + 1)
                    : countingValue(r.lastPos + 1);
            continues = r.start + (r.lastPos - r.firstPos) + 1 == i && next == out[i].sample;
        }
        if (continues) {
            ++runs.back().lastPos;
            runs.back().lastValue = out[i].sample;
        } else {
            const std::size_t pos = out[i].sample == kProbeStart ? 0 : kUnknownPos;
            runs.push_back({i, pos, pos, out[i].sample});
        }
    }
    return runs;
}

// Each test once for a sound in memory and once for one played from its file.
class RestartTest : public DiskOutputTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RestartTest, PlayingALoopingSoundRestartsItOnceFromTheBeginning) {
    const Probe probe = countingProbe(10000);
    const std::int32_t h = load(makePcm16(1, 44100, probe.samples), GetParam());
    ASSERT_GT(h, 0);
    const std::size_t started = written();
    ASSERT_EQ(dsPlayLooping(h), 1);
    ASSERT_TRUE(waitFor(started + kSettleFrames + 3 * probe.frames()));
    ASSERT_EQ(dsPlay(h), 1); // the sound is surely playing: it loops
    const std::size_t replayed = written();
    ASSERT_TRUE(markWhenQuiet()) << "the sound still plays: dsPlay made it loop";
    const auto out = finishAtMarker();

    bool clean = false;
    const auto runs = runsOf(out, started, clean);
    ASSERT_TRUE(clean);
    ASSERT_GE(runs.size(), 3u);
    // Every run starts at the sound's beginning; all but the last ran to its end (the loop)
    // except the one cut by the restart, and the last is a single whole play, then silence.
    for (std::size_t r = 0; r < runs.size(); ++r) EXPECT_EQ(runs[r].firstPos, 0u) << "run " << r;
    for (std::size_t r = 0; r + 2 < runs.size(); ++r)
        EXPECT_EQ(runs[r].lastPos, probe.frames() - 1) << "run " << r;
    const OutputRun& last = runs.back();
    EXPECT_EQ(last.lastPos, probe.frames() - 1);
    EXPECT_GE(last.start, replayed) << "the restart must come after the dsPlay call";
    const std::size_t lastEnd = last.start + probe.frames();
    EXPECT_EQ(peak(out, lastEnd, out.size()), 0) << "dsPlay must play once, not keep looping";
    // Runs are back to back: nothing silent in between, so the loop and the restart are seamless.
    for (std::size_t r = 1; r < runs.size(); ++r)
        EXPECT_EQ(runs[r].start,
                  runs[r - 1].start + (runs[r - 1].lastPos - runs[r - 1].firstPos) + 1)
            << "run " << r;
}

TEST_P(RestartTest, PlayAgainWhilePlayingRestartsWithoutOverlap) {
    const Probe probe = countingProbe(4 * kRate);
    const std::int32_t h = load(makePcm16(1, 44100, probe.samples), GetParam());
    ASSERT_GT(h, 0);
    const std::size_t started = written();
    ASSERT_EQ(dsPlay(h), 1);
    // Half a second of the four is surely out by now; play again while the rest is playing.
    ASSERT_TRUE(waitFor(started + kSettleFrames + kRate / 2));
    ASSERT_EQ(dsPlay(h), 1);
    const std::size_t replayed = written();
    ASSERT_TRUE(markWhenQuiet());
    const auto out = finishAtMarker();

    bool clean = false;
    const auto runs = runsOf(out, started, clean);
    ASSERT_TRUE(clean);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].firstPos, 0u);
    EXPECT_GE(runs[0].lastPos, kRate / 2 - 1) << "the first play was cut before it was heard";
    EXPECT_EQ(runs[1].firstPos, 0u) << "the second play must start from the beginning";
    EXPECT_EQ(runs[1].lastPos, probe.frames() - 1);
    EXPECT_GE(runs[1].start, replayed);
    // Only a machine stalled for seconds lets the first play end by itself; otherwise the
    // restart cuts it and follows without a gap.
    if (runs[0].lastPos < probe.frames() - 1) {
        EXPECT_EQ(runs[1].start, runs[0].start + runs[0].lastPos + 1);
    }
    EXPECT_EQ(peak(out, runs[1].start + probe.frames(), out.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, RestartTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FromFile" : "FromMemory"; });

} // namespace
