// The program's side of the sound library: load order, missing, unreadable and hostile files,
// no output at all, the music switch. Files come from memory, or from a scratch folder read by
// the real reader.
#include "AllocationCounter.h"
#include "Game.h"
#include "platform/ds/DsSoundLibrary.h"
#include "platform/posix/PosixFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <thread>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

using namespace tarvenko;
using F = Form1;
namespace fs = std::filesystem;

namespace {

const char* const kFiles[] = {"その他.wav", "禁止.wav", "駒打音.wav", "終局.wav", "BGM.wav"};

std::vector<std::string> texts(const Game& g) {
    std::vector<std::string> t;
    for (const auto& m : g.w.messages) {
        EXPECT_EQ(m.title, "Tarvenko.dll");
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
        t.push_back(m.text);
    }
    return t;
}

// A folder of its own under the system's temp folder; the process stays where it is.
struct ScratchFolder {
    fs::path dir = fs::temp_directory_path() /
                   ("tarvenko-sound-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ScratchFolder() {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const char* name : kFiles) write(name, MemoryFiles::wave());
    }
    ~ScratchFolder() { fs::remove_all(dir); }
    void write(const char* name, const std::string& bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
};

// Ends the test process if a load blocks: a hang fails instead of stalling the run.
struct Watchdog {
    Watchdog() { ::alarm(60); }
    ~Watchdog() { ::alarm(0); }
};

} // namespace

TEST(SoundFolder, LoadsTheFiveInOrderAndLoopsTheMusic) {
    Game g;
    for (std::uint32_t i = 0; i < 5; ++i) g.files.put(kFiles[i], MemoryFiles::wave(10 + i));
    g->Form_Load();
    EXPECT_EQ(g->音源, g.s.instance);
    ASSERT_EQ(g.s.createdSizes.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.s.createdSizes[i], 44 + 2 * (10 + i));
    EXPECT_EQ(g.s.createdFlags, (std::vector<int32_t>{3, 3, 3, 3, 1}));
    EXPECT_EQ(g->音_その他, 101);
    EXPECT_EQ(g->音_禁止, 102);
    EXPECT_EQ(g->音_駒打, 103);
    EXPECT_EQ(g->音_終局, 104);
    EXPECT_EQ(g->音_BGM, 105);
    EXPECT_STREQ(g.s.calls.back().op, "loop");
    EXPECT_EQ(g.s.calls.back().handle, 105);
    EXPECT_TRUE(g.w.music);
    EXPECT_TRUE(g.w.messages.empty());
    EXPECT_EQ(g.files.openFiles, 0);
}

TEST(SoundFolder, AMissingFileIsSilentAndTheOthersWork) {
    Game g;
    g.files.entries.erase("禁止.wav");
    g.files.entries.erase("BGM.wav");
    g->Form_Load();
    EXPECT_TRUE(g.w.messages.empty());
    EXPECT_NE(g->音_その他, 0);
    EXPECT_EQ(g->音_禁止, 0);
    EXPECT_NE(g->音_駒打, 0);
    EXPECT_EQ(g->音_BGM, 0);
    // The music item still carries its check mark and switches on F1 without sound.
    EXPECT_TRUE(g.w.music);
    g->Form_KeyDown(112, 0);
    EXPECT_FALSE(g.w.music);
    g->Form_KeyDown(112, 0);
    EXPECT_TRUE(g.w.music);
}

// Each row replaces BGM.wav; the other four load as usual.
struct BadMusic {
    const char* what;
    std::string bytes;
    std::uint64_t size; // 0: as many as the bytes; more: zeros follow
    Files::Status status;
    const char* reason; // nullptr: the music loads
};

// A short WAV whose "fmt " and "data" follow a LIST chunk of n bytes.
static std::string behindList(std::uint32_t n) {
    std::string w = MemoryFiles::wave();
    std::string list = "LIST";
    for (int i = 0; i < 4; ++i) list.push_back(static_cast<char>(n >> (8 * i)));
    w.insert(12, list + std::string(n, 'i'));
    const auto riff = static_cast<std::uint32_t>(w.size() - 8);
    for (int i = 0; i < 4; ++i) w[4 + i] = static_cast<char>(riff >> (8 * i));
    return w;
}

TEST(SoundFolder, EachBadMusicFileIsRefusedWithItsReasonBeforeItIsRead) {
    using S = Files::Status;
    const std::uint32_t min10 = 600 * 44100;
    const BadMusic rows[] = {
        {"unreadable", "", 0, S::Unreadable, "読み込めません。"},
        {"folder or FIFO", "", 0, S::NotAFile, "ファイルではありません。"},
        {"not a WAV", "xxxxxxxx", 0, S::Ok, "形式が違います。"},
        {"empty", "", 0, S::Ok, "形式が違います。"},
        {"cut short", MemoryFiles::waveHeader(1, 1, 44100, 2, 16, 1000) + "ab", 0, S::Ok,
         "形式が違います。"},
        {"MP3 inside", MemoryFiles::waveHeader(0x55, 1, 44100, 1, 0, 1000), 1044, S::Ok,
         "形式が違います。"},
        {"2 GiB - 1 of zeros", "", 2147483647, S::Ok, "大きすぎます。"},
        {"IMA-ADPCM 1 kHz 46 min", MemoryFiles::waveHeader(0x11, 1, 1000, 256, 4, 1409024),
         44 + 1409024, S::Ok, "大きすぎます。"},
        {"8-bit 1 kHz 46 min", MemoryFiles::waveHeader(1, 1, 1000, 1, 8, 2790000), 44 + 2790000,
         S::Ok, "大きすぎます。"},
        {"u-law 1 kHz 46 min", MemoryFiles::waveHeader(7, 1, 1000, 1, 8, 2790000), 44 + 2790000,
         S::Ok, "大きすぎます。"},
        {"10 min 1 s stereo", MemoryFiles::waveHeader(1, 2, 44100, 4, 16, (min10 + 44100) * 4),
         44 + (min10 + 44100) * 4ull, S::Ok, "大きすぎます。"},
        {"10 min stereo", MemoryFiles::waveHeader(1, 2, 44100, 4, 16, min10 * 4), 44 + min10 * 4ull,
         S::Ok, nullptr},
        {"13 min mono", MemoryFiles::waveHeader(1, 1, 44100, 2, 16, 780 * 44100 * 2),
         44 + 780 * 44100 * 2ull, S::Ok, nullptr},
        {"100 kB of LIST first", behindList(100000), 0, S::Ok, nullptr},
        {"a MiB of LIST first", behindList(1u << 20), 0, S::Ok, "形式が違います。"},
    };
    for (const BadMusic& row : rows) {
        Game g;
        g.files.put("BGM.wav", row.bytes, row.size);
        g.files.entries["BGM.wav"].status = row.status;
        g->Form_Load();
        const auto t = texts(g);
        if (row.reason == nullptr) {
            EXPECT_TRUE(t.empty()) << row.what;
            EXPECT_NE(g->音_BGM, 0) << row.what;
        } else {
            EXPECT_EQ(t, std::vector<std::string>{std::string("BGM.wav: ") + row.reason})
                << row.what;
            EXPECT_EQ(g->音_BGM, 0) << row.what;
            // Refused on what its head says: no more than the first MiB was read.
            EXPECT_LE(g.files.bytesRead, (1u << 20) + 4 * 60u) << row.what;
        }
        EXPECT_NE(g->音_終局, 0) << row.what;
        EXPECT_EQ(g.files.openFiles, 0) << row.what;
    }
}

TEST(SoundFolder, TheFiveTogetherStayWithinTheirBudget) {
    // 8-bit at 1 kHz, 20 minutes: each costs about 106 MB at the mixer's rate, so the third
    // would pass 256 MiB.
    Game g;
    const std::uint32_t frames = 1199000;
    for (const char* name : {"その他.wav", "禁止.wav", "駒打音.wav"})
        g.files.put(name, MemoryFiles::waveHeader(1, 1, 1000, 1, 8, frames), 44 + frames);
    g->Form_Load();
    EXPECT_EQ(texts(g), std::vector<std::string>{"駒打音.wav: 大きすぎます。"});
    EXPECT_NE(g->音_禁止, 0);
    EXPECT_EQ(g->音_駒打, 0);
    EXPECT_NE(g->音_BGM, 0);
}

TEST(SoundFolder, OutOfMemoryForASoundLeavesItSilentAndTheGameRunning) {
    Game g;
    g.files.put("BGM.wav", MemoryFiles::wave(1u << 20)); // 2 MiB of samples
    拒否する大きさ = std::size_t{2} << 20;
    g->Form_Load();
    拒否する大きさ = 0;
    EXPECT_EQ(texts(g), std::vector<std::string>{"BGM.wav: メモリが足りません。"});
    EXPECT_EQ(g->音_BGM, 0);
    EXPECT_NE(g->音_終局, 0);
    EXPECT_EQ(g.files.openFiles, 0);
}

TEST(SoundFolder, NoAudioOutputMeansOneMessageAndASilentGame) {
    Game g;
    g.s.failInitialize = true;
    g->Form_Load();
    EXPECT_EQ(texts(g), std::vector<std::string>{"Direct Soundインターフェースが作成できません。"});
    EXPECT_TRUE(g.s.createdSizes.empty());
    EXPECT_EQ(g->音_BGM, 0);
    // The game runs; every call is made with handle 0 and the library is not shut down.
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    EXPECT_EQ(g->手数, 1);
    g->OWARI_Click();
    for (const auto& c : g.s.calls) {
        if (std::string(c.op) != "initialize") {
            EXPECT_EQ(c.handle, 0) << c.op;
        }
        EXPECT_STRNE(c.op, "terminate");
    }
}

// The real table loads the library on the first dsInitialize; one it cannot load is an output
// that cannot be opened, with the same message.
TEST(SoundFolder, TheRealLibraryLoadsWhenStartedAndIsNoOutputWhenMissing) {
    RecordingWindow w;
    MemoryFiles files;
    files.putTheFive();
    DsSoundLibrary missing({"no-such-folder/libTarvenko.so"});
    Form1 f(w, missing, files);
    f.Form_Load();
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].text, "Direct Soundインターフェースが作成できません。");
    EXPECT_EQ(missing.dsPlay(1) + missing.dsStop(1) + missing.dsFree(1) + missing.dsTerminate(1),
              0);

    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    DsSoundLibrary real({"no-such-folder/libTarvenko.so", TARVENKO_SOUNDLIB_FILE});
    const std::int32_t instance = real.dsInitialize(0);
    EXPECT_NE(instance, 0);
    EXPECT_EQ(real.dsTerminate(instance), 1);
}

// The music plays from its file where the library can do that, and loads whole where not;
// the effects always load whole, to start on the instant.
TEST(SoundFolder, TheMusicPlaysFromItsFileWhereTheLibraryCan) {
    ScratchFolder folder;
    PosixFiles files(folder.dir.string());
    for (const bool streams : {true, false}) {
        Game g;
        g.s.streams = streams;
        Form1 f(g.w, g.s, files);
        f.Form_Load();
        using Flags = std::vector<int32_t>;
        EXPECT_EQ(g.s.streamedFlags, streams ? Flags{1} : Flags{});
        EXPECT_EQ(g.s.createdFlags, streams ? (Flags{3, 3, 3, 3}) : (Flags{3, 3, 3, 3, 1}));
        EXPECT_EQ(f.音_BGM, 105);
        EXPECT_STREQ(g.s.calls.back().op, "loop");
        EXPECT_TRUE(g.w.messages.empty());
    }
    // The real library takes our music as it is.
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    DsSoundLibrary real({TARVENKO_SOUNDLIB_FILE});
    const std::int32_t instance = real.dsInitialize(0);
    const int music = ::open((folder.dir / "BGM.wav").c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GT(real.dsStreamDSB(instance, music, 1), 0);
    ::close(music);
    EXPECT_EQ(real.dsTerminate(instance), 1);
}

TEST(SoundFolder, EffectsPlayWhereTheGameSaysSo) {
    Game g;
    g->Form_Load();
    g.click(5, 5); // no game: refusal
    EXPECT_EQ(g.count("play", g->音_禁止), 1);
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    EXPECT_EQ(g.count("play", g->音_駒打), 1);
    g->VER_Click();
    EXPECT_EQ(g.count("play", g->音_その他), 1);
    EXPECT_EQ(g.count("play", g->音_BGM), 0); // the music only loops
}

TEST(SoundFolder, TheRealReaderRefusesAFifoAFolderAndAHugeFileWithoutWaiting) {
    Watchdog watchdog;
    ScratchFolder folder;
    fs::remove(folder.dir / "BGM.wav");
    ASSERT_EQ(::mkfifo((folder.dir / "BGM.wav").c_str(), 0600), 0); // no writer: open would wait
    fs::remove(folder.dir / "終局.wav");
    fs::create_directory(folder.dir / "終局.wav");
    fs::resize_file(folder.dir / "禁止.wav", 2147483647); // sparse
    fs::remove(folder.dir / "その他.wav");

    Game g;
    PosixFiles files(folder.dir.string());
    Form1 f(g.w, g.s, files);
    f.Form_Load();
    EXPECT_EQ(texts(g), (std::vector<std::string>{"禁止.wav: 大きすぎます。",
                                                  "終局.wav: ファイルではありません。",
                                                  "BGM.wav: ファイルではありません。"}));
    EXPECT_EQ(f.音_その他, 0);
    EXPECT_NE(f.音_駒打, 0);
}

TEST(SoundFolder, AFifoSwappedInDuringLoadingNeverStallsIt) {
    Watchdog watchdog;
    ScratchFolder folder;
    const fs::path name = folder.dir / "BGM.wav", spare = folder.dir / "spare";
    std::atomic<bool> done{false};
    std::atomic<int> swaps{0};
    // Puts a FIFO and a regular file at the name in turn, each by an atomic rename.
    std::thread swapper([&] {
        for (int i = 0; !done; ++i) {
            if (i % 2 == 0) {
                ::mkfifo(spare.c_str(), 0600);
            } else {
                folder.write("spare", MemoryFiles::wave());
            }
            ::rename(spare.c_str(), name.c_str());
            ++swaps;
        }
    });
    Game g;
    PosixFiles files(folder.dir.string());
    Form1 f(g.w, g.s, files);
    f.サウンド_初期化(1);
    int loads = 0, loaded = 0;
    for (; loads < 2000 || swaps < 100; ++loads) loaded += f.サウンド_読込("BGM.wav", 1) != 0;
    done = true;
    swapper.join();
    for (const std::string& t : texts(g)) EXPECT_EQ(t, "BGM.wav: ファイルではありません。");
    EXPECT_EQ(loaded + static_cast<int>(g.w.messages.size()), loads);
}
