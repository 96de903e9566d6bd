// The program's side of the sound library: load order, missing and unreadable files,
// no output at all, the music switch. Runs in a scratch folder with files of its own.
#include "Game.h"
#include "platform/ds/DsSoundLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <unistd.h>

using namespace tarvenko;
using F = Form1;
namespace fs = std::filesystem;

namespace {

const char* const kFiles[] = {"その他.wav", "禁止.wav", "駒打音.wav", "終局.wav", "BGM.wav"};

// Runs each test in an empty folder of its own and returns to where it was.
class SoundFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("tarvenko-sound-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static void write(const char* name, size_t bytes) {
        std::ofstream(name, std::ios::binary) << std::string(bytes, 'x');
    }
    fs::path old_, dir_;
};

} // namespace

TEST_F(SoundFolder, LoadsTheFiveInOrderAndLoopsTheMusic) {
    for (size_t i = 0; i < 5; ++i) write(kFiles[i], 10 + i);
    Game g;
    g->Form_Load();
    EXPECT_EQ(g->音源, g.s.instance);
    ASSERT_EQ(g.s.createdSizes.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(g.s.createdSizes[i], static_cast<int>(10 + i));
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
}

TEST_F(SoundFolder, AMissingFileIsSilentAndTheOthersWork) {
    write("その他.wav", 4);
    write("駒打音.wav", 4);
    Game g;
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

TEST_F(SoundFolder, AnUnreadableFileShowsItsErrorAndLoadsAsZero) {
    for (const char* f : kFiles) write(f, 8);
    fs::remove("BGM.wav");
    fs::create_directory("BGM.wav"); // a name that exists but cannot be read as a file
    Game g;
    g->Form_Load();
    ASSERT_EQ(g.w.messages.size(), 1u);
    EXPECT_EQ(g.w.messages[0].title, "Tarvenko.dll");
    EXPECT_EQ(g.w.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_NE(g.w.messages[0].text.find("BGM.wav"), std::string::npos);
    EXPECT_EQ(g->音_BGM, 0);
    EXPECT_NE(g->音_終局, 0);
}

TEST_F(SoundFolder, NoAudioOutputMeansOneMessageAndASilentGame) {
    for (const char* f : kFiles) write(f, 8);
    Game g;
    g.s.failInitialize = true;
    g->Form_Load();
    ASSERT_EQ(g.w.messages.size(), 1u);
    EXPECT_EQ(g.w.messages[0].text, "Direct Soundインターフェースが作成できません。");
    EXPECT_EQ(g.w.messages[0].title, "Tarvenko.dll");
    EXPECT_EQ(g.w.messages[0].icon, MessageIcon::Exclamation);
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
TEST_F(SoundFolder, TheRealLibraryLoadsWhenStartedAndIsNoOutputWhenMissing) {
    for (const char* f : kFiles) write(f, 8);
    RecordingWindow w;
    DsSoundLibrary missing({"no-such-folder/libTarvenko.so"});
    Form1 f(w, missing);
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

TEST_F(SoundFolder, EffectsPlayWhereTheGameSaysSo) {
    for (const char* f : kFiles) write(f, 8);
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
