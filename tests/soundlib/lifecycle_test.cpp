// The library's operations and states, on the real mixer with SDL's dummy output.

#include "MixerProbe.h"
#include "OutputTest.h"
#include "SoundTestSupport.h"
#include "Tarvenko.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace soundtest;

namespace {

constexpr std::int32_t kEffect = 3;
constexpr std::int32_t kMusicFlag = 1;

class SoundLibraryTest : public OutputTest {
  protected:
    std::int32_t load(const char* name, std::int32_t flag = kEffect) {
        const Bytes bytes = readSound(name);
        return dsCreateDSB(instance_, bytes.data(), static_cast<std::int32_t>(bytes.size()), flag);
    }
    // The channel a sound plays on, found by playing it alone.
    int channelOf(std::int32_t sound) {
        EXPECT_EQ(dsPlay(sound), 1);
        const auto playing = playingChannels();
        EXPECT_EQ(playing.size(), 1u);
        dsStop(sound);
        return playing.empty() ? -1 : playing.front();
    }
};

// Polls until `done` holds; the bound is only there so a broken build cannot hang the run.
template <typename F> bool eventually(F done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// --- Opening and closing the output --------------------------------------------------------

TEST(SoundOutput, OpensAtCdRateMono16BitAndClosesOnTerminate) {
    const std::int32_t instance = dsInitialize(0);
    ASSERT_GT(instance, 0);
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &channels), 0);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(format, AUDIO_S16SYS);
    EXPECT_EQ(channels, 1);
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);

    EXPECT_EQ(dsTerminate(instance), 1);
    EXPECT_FALSE(outputOpen());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST(SoundOutput, LeavesTheHostsSignalsAlone) {
    // The game must still end when the desktop asks it to (SIGTERM) or on Ctrl+C.
    const std::int32_t instance = dsInitialize(0);
    ASSERT_NE(instance, 0);
    for (int sig : {SIGTERM, SIGINT}) {
        struct sigaction now {};
        ASSERT_EQ(sigaction(sig, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << sig;
    }
    dsTerminate(instance);
}

TEST(SoundOutput, SecondInitializeWhileOpenReturnsTheSameInstance) {
    const std::int32_t first = dsInitialize(0);
    ASSERT_NE(first, 0);
    EXPECT_EQ(dsInitialize(0), first);
    EXPECT_EQ(dsInitialize(1234), first);
    EXPECT_EQ(dsTerminate(first), 1);
    EXPECT_FALSE(outputOpen()) << "one dsTerminate closes the output whatever the opens";
    EXPECT_EQ(dsTerminate(first), 0);
}

TEST(SoundOutput, ReopeningGivesANewInstanceAndTheOldOneIsDead) {
    const std::int32_t first = dsInitialize(0);
    ASSERT_NE(first, 0);
    ASSERT_EQ(dsTerminate(first), 1);
    const std::int32_t second = dsInitialize(0);
    ASSERT_NE(second, 0);
    EXPECT_NE(second, first);

    const Bytes click = readSound(kClick);
    const auto size = static_cast<std::int32_t>(click.size());
    EXPECT_EQ(dsCreateDSB(first, click.data(), size, kEffect), 0);
    EXPECT_EQ(dsTerminate(first), 0);
    EXPECT_TRUE(outputOpen()) << "a stale instance must not close the live output";
    EXPECT_NE(dsCreateDSB(second, click.data(), size, kEffect), 0);
    EXPECT_EQ(dsTerminate(second), 1);
}

TEST(SoundOutput, ReportsZeroWhenNoOutputCanBeOpened) {
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::string restore = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::int32_t instance = dsInitialize(0);
    if (saved)
        setenv("SDL_AUDIODRIVER", restore.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");

    EXPECT_EQ(instance, 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "a failed open must not leave SDL audio up";
    const Bytes click = readSound(kClick);
    EXPECT_EQ(dsCreateDSB(instance, click.data(), static_cast<std::int32_t>(click.size()), 3), 0);

    // And the failure leaves nothing behind that blocks a later, working open.
    const std::int32_t later = dsInitialize(0);
    EXPECT_NE(later, 0);
    EXPECT_EQ(dsTerminate(later), 1);
}

// --- Creating sounds ------------------------------------------------------------------------

TEST_F(SoundLibraryTest, LoadsEachOfOurSoundsUnderItsOwnHandle) {
    std::set<std::int32_t> handles;
    for (const char* name : kAllSounds) {
        const std::int32_t h = load(name, name == std::string(kMusic) ? kMusicFlag : kEffect);
        EXPECT_GT(h, 0) << name;
        handles.insert(h);
    }
    EXPECT_EQ(handles.size(), std::size(kAllSounds));
}

TEST_F(SoundLibraryTest, RefusesAnyInstanceButTheLiveOne) {
    const Bytes click = readSound(kClick);
    const auto size = static_cast<std::int32_t>(click.size());
    for (std::int32_t wrong :
         {0, instance_ + 1, instance_ - 1, -1, std::numeric_limits<std::int32_t>::max(),
          std::numeric_limits<std::int32_t>::min()})
        EXPECT_EQ(dsCreateDSB(wrong, click.data(), size, kEffect), 0) << wrong;
    EXPECT_TRUE(playingChannels().empty());
}

TEST_F(SoundLibraryTest, RefusesMissingDataAndNonPositiveSizes) {
    const Bytes click = readSound(kClick);
    EXPECT_EQ(dsCreateDSB(instance_, nullptr, static_cast<std::int32_t>(click.size()), kEffect), 0);
    EXPECT_EQ(dsCreateDSB(instance_, click.data(), 0, kEffect), 0);
    EXPECT_EQ(dsCreateDSB(instance_, click.data(), -1, kEffect), 0);
    EXPECT_EQ(
        dsCreateDSB(instance_, click.data(), std::numeric_limits<std::int32_t>::min(), kEffect), 0);
}

TEST_F(SoundLibraryTest, KeepsItsOwnCopyOfTheSound) {
    // Mono 44.1 kHz 16-bit needs no conversion, the case where sharing the caller's bytes
    // would be most tempting.
    std::vector<std::int16_t> samples(4410);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(i * 37 % 20000 - 10000);
    auto* bytes = new Bytes(makePcm16(1, 44100, samples));
    const unsigned char* first = bytes->data();
    const unsigned char* last = first + bytes->size();
    const std::int32_t h =
        dsCreateDSB(instance_, first, static_cast<std::int32_t>(bytes->size()), kEffect);
    ASSERT_GT(h, 0);
    std::fill(bytes->begin(), bytes->end(), 0xAB);
    delete bytes; // from here on, any use of the caller's buffer is a use after free

    ASSERT_EQ(dsPlay(h), 1);
    const auto playing = playingChannels();
    ASSERT_EQ(playing.size(), 1u);
    const Mix_Chunk* chunk = Mix_GetChunk(playing.front());
    ASSERT_NE(chunk, nullptr);
    EXPECT_TRUE(chunk->abuf + chunk->alen <= first || chunk->abuf >= last);
    ASSERT_EQ(chunk->alen, samples.size() * 2);
    std::vector<std::int16_t> held(samples.size());
    std::memcpy(held.data(), chunk->abuf, chunk->alen);
    EXPECT_EQ(held, samples);
}

// --- Playing, looping, stopping ---------------------------------------------------------------

TEST_F(SoundLibraryTest, PlayStartsTheSoundOnItsOwnChannel) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    ASSERT_GT(music, 0);
    EXPECT_TRUE(playingChannels().empty());
    EXPECT_EQ(dsPlay(music), 1);
    const auto playing = playingChannels();
    ASSERT_EQ(playing.size(), 1u);
    EXPECT_NE(Mix_GetChunk(playing.front()), nullptr);
}

TEST_F(SoundLibraryTest, PlayAgainWhilePlayingRestartsInsteadOfStacking) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    ASSERT_GT(music, 0);
    ASSERT_EQ(dsPlay(music), 1);
    const auto before = playingChannels();
    EXPECT_EQ(dsPlay(music), 1);
    EXPECT_EQ(dsPlay(music), 1);
    EXPECT_EQ(playingChannels(), before) << "one sound must never play twice at once";
    EXPECT_EQ(dsPlayLooping(music), 1);
    EXPECT_EQ(playingChannels(), before);
}

TEST_F(SoundLibraryTest, DifferentSoundsPlayTogetherOnDifferentChannels) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    const std::int32_t fanfare = load(kFanfare);
    const std::int32_t fanfareAgain = load(kFanfare);
    ASSERT_GT(music, 0);
    ASSERT_GT(fanfare, 0);
    ASSERT_GT(fanfareAgain, 0);
    ASSERT_EQ(dsPlayLooping(music), 1);
    ASSERT_EQ(dsPlay(fanfare), 1);
    ASSERT_EQ(dsPlay(fanfareAgain), 1);
    EXPECT_EQ(playingChannels().size(), 3u) << "two handles of one file are two sounds";
}

TEST_F(SoundLibraryTest, LoopingOutlastsTheSameSoundPlayedOnce) {
    // Both copies are the same length and the looping one starts first: once the single play
    // has ended, a looping sound that did not loop would have ended too.
    const std::int32_t looping = load(kClick);
    const std::int32_t once = load(kClick);
    ASSERT_GT(looping, 0);
    ASSERT_GT(once, 0);
    const int loopChannel = channelOf(looping);
    const int onceChannel = channelOf(once);
    ASSERT_EQ(dsPlayLooping(looping), 1);
    ASSERT_EQ(dsPlay(once), 1);
    ASSERT_TRUE(eventually([&] { return Mix_Playing(onceChannel) == 0; }))
        << "a single play never ended";
    EXPECT_NE(Mix_Playing(loopChannel), 0);
    EXPECT_EQ(dsStop(looping), 1);
    EXPECT_EQ(Mix_Playing(loopChannel), 0);
}

TEST_F(SoundLibraryTest, StopSilencesOnlyThatSoundAndItCanPlayAgain) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    const std::int32_t chime = load(kChime);
    const int musicChannel = channelOf(music);
    const int chimeChannel = channelOf(chime);
    ASSERT_EQ(dsPlayLooping(music), 1);
    ASSERT_EQ(dsPlayLooping(chime), 1);

    EXPECT_EQ(dsStop(chime), 1);
    EXPECT_EQ(Mix_Playing(chimeChannel), 0);
    EXPECT_NE(Mix_Playing(musicChannel), 0);
    EXPECT_EQ(dsStop(chime), 1) << "stopping a stopped sound is harmless";
    EXPECT_NE(Mix_Playing(musicChannel), 0);

    EXPECT_EQ(dsPlay(chime), 1);
    EXPECT_NE(Mix_Playing(chimeChannel), 0);
}

TEST_F(SoundLibraryTest, MusicFlagPlaysBelowTheEffects) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    const std::int32_t effect = load(kClick, kEffect);
    const std::int32_t other = load(kChime, 0);
    const int musicVolume = Mix_Volume(channelOf(music), -1);
    EXPECT_EQ(Mix_Volume(channelOf(effect), -1), MIX_MAX_VOLUME);
    EXPECT_EQ(Mix_Volume(channelOf(other), -1), MIX_MAX_VOLUME);
    EXPECT_GT(musicVolume, 0);
    EXPECT_LT(musicVolume, MIX_MAX_VOLUME);
}

TEST_F(SoundLibraryTest, AFreedChannelServesANewSoundAtItsOwnVolume) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    const int channel = channelOf(music);
    ASSERT_EQ(dsFree(music), 1);
    const std::int32_t effect = load(kClick, kEffect);
    EXPECT_EQ(channelOf(effect), channel) << "channels are recycled";
    EXPECT_EQ(Mix_Volume(channel, -1), MIX_MAX_VOLUME) << "the music's volume must not linger";
}

TEST_F(SoundLibraryTest, ManySoundsEachGetAChannelAndPlayAtOnce) {
    // More sounds than SDL_mixer's initial eight channels.
    const Bytes chime = readSound(kChime);
    std::vector<std::int32_t> handles;
    for (int i = 0; i < 40; ++i) {
        const std::int32_t h =
            dsCreateDSB(instance_, chime.data(), static_cast<std::int32_t>(chime.size()), kEffect);
        ASSERT_GT(h, 0);
        handles.push_back(h);
    }
    for (std::int32_t h : handles) ASSERT_EQ(dsPlayLooping(h), 1);
    EXPECT_EQ(playingChannels().size(), handles.size());
    for (std::int32_t h : handles) EXPECT_EQ(dsFree(h), 1);
    EXPECT_TRUE(playingChannels().empty());
}

// --- Freeing and handles ------------------------------------------------------------------------

TEST_F(SoundLibraryTest, FreeStopsAndKillsTheHandle) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    ASSERT_EQ(dsPlayLooping(music), 1);
    ASSERT_EQ(playingChannels().size(), 1u);
    EXPECT_EQ(dsFree(music), 1);
    EXPECT_TRUE(playingChannels().empty());

    EXPECT_EQ(dsFree(music), 0) << "double free";
    EXPECT_EQ(dsPlay(music), 0);
    EXPECT_EQ(dsPlayLooping(music), 0);
    EXPECT_EQ(dsStop(music), 0);
    EXPECT_TRUE(playingChannels().empty());
}

TEST_F(SoundLibraryTest, HandlesAreNeverReusedSoAStaleOneCannotReachANewSound) {
    const std::int32_t old = load(kChime);
    ASSERT_EQ(dsFree(old), 1);
    const std::int32_t fresh = load(kMusic, kMusicFlag);
    ASSERT_GT(fresh, 0);
    EXPECT_NE(fresh, old);
    ASSERT_EQ(dsPlayLooping(fresh), 1);
    EXPECT_EQ(dsStop(old), 0);
    EXPECT_EQ(dsFree(old), 0);
    EXPECT_EQ(dsPlay(old), 0);
    EXPECT_EQ(playingChannels().size(), 1u) << "the stale handle touched the new sound";

    // Nor across a close and reopen of the output.
    ASSERT_EQ(dsTerminate(instance_), 1);
    instance_ = dsInitialize(0);
    ASSERT_NE(instance_, 0);
    const std::int32_t afterReopen = load(kChime);
    EXPECT_GT(afterReopen, fresh);
    EXPECT_EQ(dsPlay(fresh), 0);
    EXPECT_EQ(dsPlay(old), 0);
    EXPECT_TRUE(playingChannels().empty());
}

TEST_F(SoundLibraryTest, ZeroAndUnknownHandlesDoNothingEverywhere) {
    const std::int32_t music = load(kMusic, kMusicFlag);
    ASSERT_EQ(dsPlayLooping(music), 1);
    const std::int32_t unknown[] = {0,
                                    -1,
                                    music + 1,
                                    music + 1000,
                                    std::numeric_limits<std::int32_t>::max(),
                                    std::numeric_limits<std::int32_t>::min()};
    for (std::int32_t h : unknown) {
        EXPECT_EQ(dsPlay(h), 0) << h;
        EXPECT_EQ(dsPlayLooping(h), 0) << h;
        EXPECT_EQ(dsStop(h), 0) << h;
        EXPECT_EQ(dsFree(h), 0) << h;
        if (h != instance_) {
            EXPECT_EQ(dsTerminate(h), 0) << h;
        }
    }
    EXPECT_TRUE(outputOpen());
    EXPECT_EQ(playingChannels().size(), 1u);
}

// A copy of a sound file in memory from dsAllocBuffer, for dsAdoptDSB.
void* adoptable(const Bytes& bytes) {
    void* buffer = dsAllocBuffer(static_cast<std::int32_t>(bytes.size()));
    if (buffer != nullptr)
        std::copy(bytes.begin(), bytes.end(), static_cast<unsigned char*>(buffer));
    return buffer;
}

// --- The sound that plays from its file -----------------------------------------------------

TEST_F(SoundLibraryTest, OnlyOneFileInTheOutputsFormatPlaysFromItsFile) {
    TempDir dir;
    const std::vector<std::int16_t> tone(4410, 1000);
    // Anything but a regular WAV file of 16-bit mono at 44.1 kHz is left to dsCreateDSB.
    const int stereo = openWritten(dir.path() / "stereo.wav", makePcm16(2, 44100, tone));
    const int slow = openWritten(dir.path() / "slow.wav", makePcm16(1, 22050, tone));
    const int bytes8 = openWritten(dir.path() / "8bit.wav", makePcm8(1, 44100, {1, 2, 3, 4}));
    const int empty = openWritten(dir.path() / "empty.wav", makePcm16(1, 44100, {}));
    const int text = openWritten(dir.path() / "text.wav", Bytes{'h', 'e', 'l', 'l', 'o'});
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int pipeEnds[2] = {-1, -1};
    ASSERT_EQ(::pipe(pipeEnds), 0);
    for (int fd : {stereo, slow, bytes8, empty, text, folder, pipeEnds[0], -1, 100000})
        EXPECT_EQ(dsStreamDSB(instance_, fd, kMusicFlag), 0) << fd;

    // Its samples start past the first look at the header.
    const int music = openWritten(dir.path() / "music.wav",
                                  makePcm16(1, 44100, tone, {{"LIST", Bytes(6000, 'x')}}));
    EXPECT_EQ(dsStreamDSB(instance_ + 1, music, kMusicFlag), 0) << "a dead instance";
    const std::int32_t h = dsStreamDSB(instance_, music, kMusicFlag);
    EXPECT_GT(h, 0);
    EXPECT_EQ(dsStreamDSB(instance_, music, kMusicFlag), 0) << "a second one at once";
    for (int fd : {stereo, slow, bytes8, empty, text, folder, pipeEnds[0], pipeEnds[1], music})
        ::close(fd);
    // The library reads its own duplicate: the sound plays after the caller closed the file.
    ASSERT_EQ(dsPlayLooping(h), 1);
    EXPECT_TRUE(streamPlaying());
    EXPECT_TRUE(playingChannels().empty()) << "it takes no mixer channel";
    ASSERT_EQ(dsStop(h), 1);
    EXPECT_FALSE(streamPlaying());
    ASSERT_EQ(dsPlay(h), 1);
    EXPECT_TRUE(eventually([] { return !streamPlaying(); })) << "played once, it ends";
    // Freed, it makes room for the next one, whose handle is new.
    EXPECT_EQ(dsFree(h), 1);
    EXPECT_EQ(dsPlay(h), 0);
    const int again = openWritten(dir.path() / "again.wav", makePcm16(1, 44100, tone));
    const std::int32_t next = dsStreamDSB(instance_, again, kEffect);
    ::close(again);
    EXPECT_GT(next, h);
}

TEST_F(SoundLibraryTest, AFileCutShortWhilePlayingEndsTheSound) {
    TempDir dir;
    const Bytes wav = makePcm16(1, 44100, std::vector<std::int16_t>(44100, 1000));
    const int fd = openWritten(dir.path() / "music.wav", wav);
    const std::int32_t h = dsStreamDSB(instance_, fd, kMusicFlag);
    ::close(fd);
    ASSERT_GT(h, 0);
    ASSERT_EQ(dsPlayLooping(h), 1);
    std::filesystem::resize_file(dir.path() / "music.wav", 100);
    EXPECT_TRUE(eventually([] { return !streamPlaying(); }));
    // The sound is still there, and plays again once the file is whole again.
    ::close(openWritten(dir.path() / "music.wav", wav));
    ASSERT_EQ(dsPlayLooping(h), 1);
    EXPECT_TRUE(streamPlaying());
}

TEST_F(SoundLibraryTest, EverythingAfterTerminateIsAHarmlessNoOp) {
    // The music plays from the file it was handed; dsTerminate frees that too (the
    // sanitizer build's leak check sees it).
    const Bytes musicFile = readSound(kMusic);
    const std::int32_t music = dsAdoptDSB(instance_, adoptable(musicFile),
                                          static_cast<std::int32_t>(musicFile.size()), kMusicFlag);
    const std::int32_t click = load(kClick);
    // And the sound that plays from its file gives its descriptor back.
    TempDir dir;
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    const int fd = openWritten(dir.path() / "tone.wav", makePcm16(1, 44100, {1, 2, 3, 4}));
    const auto before = openFiles();
    const std::int32_t streamed = dsStreamDSB(instance_, fd, kEffect);
    ::close(fd);
    ASSERT_GT(streamed, 0);
    ASSERT_EQ(dsPlayLooping(streamed), 1);
    ASSERT_EQ(dsPlayLooping(music), 1);
    ASSERT_EQ(dsPlay(click), 1);
    ASSERT_EQ(dsTerminate(instance_), 1);
    EXPECT_LT(openFiles(), before);
    const std::int32_t dead = instance_;
    instance_ = 0;

    EXPECT_FALSE(outputOpen());
    const Bytes bytes = readSound(kClick);
    EXPECT_EQ(dsCreateDSB(dead, bytes.data(), static_cast<std::int32_t>(bytes.size()), kEffect), 0);
    EXPECT_EQ(dsCreateDSB(0, bytes.data(), static_cast<std::int32_t>(bytes.size()), kEffect), 0);
    // A file handed over is freed whatever the answer.
    const auto size = static_cast<std::int32_t>(bytes.size());
    EXPECT_EQ(dsAdoptDSB(dead, adoptable(bytes), size, kEffect), 0);
    EXPECT_EQ(dsAdoptDSB(0, adoptable(bytes), size, kEffect), 0);
    EXPECT_EQ(dsAdoptDSB(dead, nullptr, size, kEffect), 0);
    EXPECT_EQ(dsAllocBuffer(0), nullptr);
    EXPECT_EQ(dsAllocBuffer(-1), nullptr);
    dsFreeBuffer(nullptr);
    dsFreeBuffer(adoptable(bytes));
    for (std::int32_t h : {music, click, streamed, 0}) {
        EXPECT_EQ(dsPlay(h), 0);
        EXPECT_EQ(dsPlayLooping(h), 0);
        EXPECT_EQ(dsStop(h), 0);
        EXPECT_EQ(dsFree(h), 0);
    }
    EXPECT_EQ(dsTerminate(dead), 0);
    EXPECT_EQ(dsTerminate(0), 0);
    EXPECT_FALSE(outputOpen());
}

TEST_F(SoundLibraryTest, CallsFromSeveralThreadsAreSerialised) {
    const Bytes click = readSound(kClick);
    const auto size = static_cast<std::int32_t>(click.size());
    constexpr int kThreads = 4, kRounds = 50;
    std::vector<std::vector<std::int32_t>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const std::int32_t h = dsCreateDSB(instance_, click.data(), size, kEffect);
                made[t].push_back(h);
                dsPlay(h);
                dsPlayLooping(h);
                dsStop(h);
                if (i % 2 == 0) dsFree(h);
            }
        });
    }
    for (auto& th : threads) th.join();
    std::set<std::int32_t> all;
    for (const auto& list : made) {
        for (std::int32_t h : list) {
            EXPECT_GT(h, 0);
            all.insert(h);
        }
    }
    EXPECT_EQ(all.size(), std::size_t{kThreads * kRounds}) << "a handle was handed out twice";
}

} // namespace
