// The five synthesized sounds, measured: format, length, level, DC, fades and the music's seam.

#include "SoundTestSupport.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

extern char** environ;

using namespace soundtest;

namespace {

struct Pcm {
    std::vector<double> x; // full scale = 1.0
    double seconds() const { return static_cast<double>(x.size()) / 44100; }
};

Pcm load(const char* name) {
    Pcm p;
    for (std::int16_t s : pcm16Samples(readSound(name))) p.x.push_back(s / 32768.0);
    return p;
}

double peakDb(const Pcm& p) {
    double peak = 0;
    for (double v : p.x) peak = std::max(peak, std::abs(v));
    return 20 * std::log10(peak);
}

double mean(const Pcm& p) {
    double sum = 0;
    for (double v : p.x) sum += v;
    return sum / static_cast<double>(p.x.size());
}

double rmsDb(const Pcm& p) {
    double sum = 0;
    for (double v : p.x) sum += v * v;
    return 10 * std::log10(sum / static_cast<double>(p.x.size()));
}

// Loudest 10 ms stretch: how loud a sound is at its loudest moment, whatever its length.
double loudestMomentDb(const Pcm& p) {
    const std::size_t window = 441;
    double sum = 0, best = 0;
    for (std::size_t i = 0; i < p.x.size(); ++i) {
        sum += p.x[i] * p.x[i];
        if (i >= window) sum -= p.x[i - window] * p.x[i - window];
        best = std::max(best, sum);
    }
    return 10 * std::log10(best / window);
}

TEST(SoundFiles, AreCanonical16BitMonoPcmAt44100Hz) {
    for (const char* name : kAllSounds) {
        const Bytes b = readSound(name);
        ASSERT_GE(b.size(), 44u) << name;
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF") << name;
        EXPECT_EQ(get32(b, 4), b.size() - 8) << name;
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ") << name;
        EXPECT_EQ(get32(b, 16), 16u) << name;
        EXPECT_EQ(get16(b, 20), 1) << name;      // PCM
        EXPECT_EQ(get16(b, 22), 1) << name;      // mono
        EXPECT_EQ(get32(b, 24), 44100u) << name; // rate
        EXPECT_EQ(get32(b, 28), 88200u) << name; // bytes per second
        EXPECT_EQ(get16(b, 32), 2) << name;      // block align
        EXPECT_EQ(get16(b, 34), 16) << name;     // bits
        EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data") << name;
        EXPECT_EQ(get32(b, 40), b.size() - 44) << name;
    }
}

TEST(SoundFiles, LengthsSuitTheirUse) {
    EXPECT_LT(load(kClick).seconds(), 0.25);
    EXPECT_LT(load(kForbidden).seconds(), 0.4);
    const double chime = load(kChime).seconds();
    EXPECT_GT(chime, 0.3);
    EXPECT_LT(chime, 1.5);
    EXPECT_NEAR(load(kFanfare).seconds(), 1.2, 0.15);
    EXPECT_GE(load(kMusic).seconds(), 30.0);
}

TEST(SoundFiles, PeakBelowMinusOneAndAHalfDbfsWithoutDc) {
    for (const char* name : kAllSounds) {
        const Pcm p = load(name);
        EXPECT_LE(peakDb(p), -1.5) << name;
        EXPECT_GT(peakDb(p), -20.0) << name << " is nearly silent";
        EXPECT_LT(std::abs(mean(p)), 1e-3) << name;
    }
}

TEST(SoundFiles, EffectsFadeInAndOutWithoutAClick) {
    for (const char* name : {kClick, kForbidden, kChime, kFanfare}) {
        const Pcm p = load(name);
        // They start and end at zero and rise and fall smoothly: nothing sizeable in the
        // first quarter millisecond or the last millisecond.
        EXPECT_LT(std::abs(p.x.front()), 2e-4) << name;
        EXPECT_LT(std::abs(p.x.back()), 2e-4) << name;
        for (std::size_t i = 0; i < 11; ++i)
            EXPECT_LT(std::abs(p.x[i]), 0.05) << name << " starts abruptly at " << i;
        for (std::size_t i = 0; i < 44; ++i)
            EXPECT_LT(std::abs(p.x[p.x.size() - 1 - i]), 0.02) << name << " ends abruptly";
    }
}

TEST(SoundFiles, ClickIsAShortSharpTransient) {
    const Pcm p = load(kClick);
    // Nearly all of the energy comes in the first 40 ms; the rest is a quiet tail.
    double head = 0, total = 0;
    for (std::size_t i = 0; i < p.x.size(); ++i) {
        total += p.x[i] * p.x[i];
        if (i < 1764) head += p.x[i] * p.x[i];
    }
    EXPECT_GT(head / total, 0.95);
    // Its peak comes within the first 5 ms.
    const auto loudest = std::max_element(
        p.x.begin(), p.x.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
    EXPECT_LT(loudest - p.x.begin(), 221);
}

TEST(SoundFiles, MusicIsClearlyQuieterThanEveryEffect) {
    const Pcm music = load(kMusic);
    for (const char* name : {kClick, kForbidden, kChime, kFanfare}) {
        const Pcm effect = load(name);
        EXPECT_LT(peakDb(music), peakDb(effect) - 6) << name;
        EXPECT_LT(loudestMomentDb(music), loudestMomentDb(effect) - 3) << name;
        EXPECT_LT(rmsDb(music), rmsDb(effect) - 3) << name;
    }
}

TEST(SoundFiles, MusicLoopsWithoutASeam) {
    const Pcm p = load(kMusic);
    // The loop point sits in a quiet moment...
    EXPECT_LT(std::abs(p.x.front()), 0.01);
    EXPECT_LT(std::abs(p.x.back()), 0.01);
    // ...and the step from the last sample back to the first is an ordinary one for this music.
    std::vector<double> steps;
    for (std::size_t i = 1; i < p.x.size(); ++i) steps.push_back(std::abs(p.x[i] - p.x[i - 1]));
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    const double typicalStep = steps[steps.size() / 2];
    EXPECT_LE(std::abs(p.x.front() - p.x.back()), 2 * typicalStep + 1.0 / 32768);
    // The same holds for the slope: the waveform runs on through the seam.
    const double slopeEnd = p.x[p.x.size() - 1] - p.x[p.x.size() - 2];
    const double slopeStart = p.x[1] - p.x[0];
    EXPECT_LE(std::abs(slopeEnd - slopeStart), 2 * typicalStep + 2.0 / 32768);
}

TEST(SoundFiles, MusicSoundsAllTheWayThrough) {
    // No stretch of more than two seconds falls near silence: the loop is music, not a note.
    const Pcm p = load(kMusic);
    const std::size_t window = 2 * 44100;
    for (std::size_t at = 0; at + window <= p.x.size(); at += window / 2) {
        double peak = 0;
        for (std::size_t i = at; i < at + window; ++i) peak = std::max(peak, std::abs(p.x[i]));
        EXPECT_GT(peak, 0.02) << "near silence from " << at / 44100.0 << " s";
    }
}

TEST(SoundFiles, TheGeneratorIsDeterministic) {
    TempDir dir;
    std::string tool = TARVENKO_MAKE_SOUNDS, out = dir.path().string();
    char* argv[] = {tool.data(), out.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv, environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const char* name : kAllSounds)
        EXPECT_TRUE(readFile(dir.path() / name) == readSound(name))
            << name << " differs between runs";
}

} // namespace
