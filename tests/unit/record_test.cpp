// The move record and stepping through it with 戻, 進 and 最初.
#include "Game.h"
#include "Position.h"
#include "platform/posix/PosixFiles.h"
#include "record/kifu.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvenko;
using F = Form1;

namespace {

struct Snapshot {
    int board[10][10];
    int sente[9], gote[9];
    int senteTotal, goteTotal, turn, moves;
    bool operator==(const Snapshot& o) const {
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                if (board[x][y] != o.board[x][y]) return false;
        for (int k = 0; k <= 8; ++k)
            if (sente[k] != o.sente[k] || gote[k] != o.gote[k]) return false;
        return senteTotal == o.senteTotal && goteTotal == o.goteTotal && turn == o.turn &&
               moves == o.moves;
    }
};

Snapshot snap(const Form1& f) {
    Snapshot s{};
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) s.board[x][y] = f.盤[x][y];
    for (int k = 0; k <= 8; ++k) s.sente[k] = f.先手持駒[k], s.gote[k] = f.後手持駒[k];
    s.senteTotal = f.先手持駒合計;
    s.goteTotal = f.後手持駒合計;
    s.turn = f.手番;
    s.moves = f.手数;
    return s;
}

// Three drops by two humans: 先手 (5,5) 歩, 後手 (5,4) 金, 先手 (4,4)... each allowed.
void threeMoves(Game& g) {
    g->Form_Load();
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    g.drop(F::後手, 5, 5, 4);
    g.drop(F::先手, 3, 4, 5); // 桂; 後手金 attacks (4,5)
    ASSERT_EQ(g->手数, 3) << g.lastText();
}

} // namespace

TEST(Record, FirstMoveIsEntryOne) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.drop(F::先手, 1, 5, 5);
    EXPECT_EQ(g->手順数, 1);
    EXPECT_EQ(g->手順最大, 1);
    EXPECT_EQ(g->手順_移動元X[1], 11);
    EXPECT_EQ(g->手順_移動元Y[1], 2);
    EXPECT_EQ(g->手順_移動先X[1], 5);
    EXPECT_EQ(g->手順_移動先Y[1], 5);
    EXPECT_EQ(g->手順_移動元駒[1], F::先手歩);
    EXPECT_EQ(g->手順_移動先駒[1], F::先手歩);
    EXPECT_EQ(g->手順_取駒[1], F::空き);
}

TEST(Record, SaveReadsTheDestinationBeforeTheMoveAndCutsTheContinuation) {
    Game g;
    g->初期設定();
    g->盤[2][2] = F::後手金;
    g->手順保存(11, 2, 2, 2, F::先手歩, F::先手歩);
    EXPECT_EQ(g->手順_取駒[1], F::後手金);
    g->手順保存(-1, 8, 3, 3, F::後手歩, F::後手歩);
    g->手順保存(11, 3, 4, 4, F::先手香, F::先手香);
    g->手順数 = 1;
    g->手順保存(-1, 1, 6, 6, F::後手王, F::後手王);
    EXPECT_EQ(g->手順数, 2);
    EXPECT_EQ(g->手順最大, 2);
    EXPECT_EQ(g->手順_移動元駒[2], F::後手王);
}

TEST(Replay, RefusedAtTheEndsOfTheRecord) {
    Game g;
    g->Form_Load();
    g->REPLAY_Click();
    EXPECT_EQ(g.lastText(), "できません");
    EXPECT_EQ(g.lastTitle(), "戻る");
    g->AFTER_Click();
    EXPECT_EQ(g.lastTitle(), "進む");
    EXPECT_EQ(g.count("play", g->音_禁止), 2);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->手番, F::終局);
}

TEST(Replay, BackToTheStartAndForwardAgain) {
    Game g;
    threeMoves(g);
    const Snapshot end = snap(*g);
    g->REPLAY_Click();
    g->REPLAY_Click();
    g->REPLAY_Click();
    EXPECT_EQ(g->手数, 0);
    EXPECT_EQ(g->手順数, 0);
    EXPECT_EQ(g->手順最大, 3);
    EXPECT_EQ(g->手番, F::先手); // the side that made move 1
    EXPECT_EQ(g->先手持駒合計, 20);
    EXPECT_EQ(g->後手持駒合計, 20);
    const int full[9] = {0, 9, 2, 2, 2, 2, 1, 1, 1};
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(g->先手持駒[k], full[k]);
        EXPECT_EQ(g->後手持駒[k], full[k]);
    }
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) EXPECT_EQ(g->盤[x][y], 0);
    g->AFTER_Click();
    g->AFTER_Click();
    g->AFTER_Click();
    EXPECT_TRUE(snap(*g) == end);
    EXPECT_EQ(g->手番, F::後手); // the side that did not make move 3
    g->AFTER_Click();
    EXPECT_EQ(g.lastTitle(), "進む");
}

TEST(Replay, ANewMoveAfterStepsBackDropsTheRest) {
    Game g;
    threeMoves(g);
    g->REPLAY_Click();
    g->REPLAY_Click();
    EXPECT_EQ(g->手番, F::後手);
    EXPECT_EQ(g->対局中, F::真);
    g.drop(F::後手, 1, 5, 4);
    EXPECT_EQ(g->手順数, 2);
    EXPECT_EQ(g->手順最大, 2);
    g->AFTER_Click();
    EXPECT_EQ(g.lastText(), "できません");
}

TEST(Replay, StepsClearTheSelectionAndPlayTheClick) {
    Game g;
    threeMoves(g);
    g.select(F::後手, 1);
    ASSERT_EQ(g->選択状態, 1);
    g.s.calls.clear();
    g->REPLAY_Click();
    EXPECT_EQ(g->選択状態, 0);
    EXPECT_EQ(g.count("play", g->音_駒打), 1);
    g.select(F::先手, 1);
    g->AFTER_Click();
    EXPECT_EQ(g->選択状態, 0);
    EXPECT_EQ(g.count("play", g->音_駒打), 2);
}

TEST(Replay, BackAfterAWinResumesWithTheWinnerToMoveAndForwardWinsAgain) {
    Game g;
    g->Form_Load();
    g->START_Click();
    g.playToSenteWin();
    ASSERT_EQ(g.lastText(), "先手の勝ちです");
    g->REPLAY_Click();
    EXPECT_EQ(g->対局中, F::真);
    EXPECT_EQ(g->手番, F::先手);
    EXPECT_EQ(g->盤[3][9], 0);
    const size_t messages = g.w.messages.size();
    const double clock = g.w.clock;
    g->AFTER_Click();
    ASSERT_EQ(g.w.messages.size(), messages + 1);
    EXPECT_EQ(g.lastText(), "先手の勝ちです");
    EXPECT_NEAR(g.w.clock - clock, 1.2, 1e-6);
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
}

TEST(Replay, FirstPositionResetsEverything) {
    Game g;
    threeMoves(g);
    g->CANCEL_Click();
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->手数, 0);
    EXPECT_EQ(g->手順最大, 0);
    EXPECT_EQ(g->先手持駒合計, 20);
    EXPECT_EQ(g.count("play", g->音_駒打), 4);
    g->REPLAY_Click();
    EXPECT_EQ(g.lastTitle(), "戻る");
    g->AFTER_Click();
    EXPECT_EQ(g.lastTitle(), "進む");
    g.click(5, 5);
    EXPECT_EQ(g.lastText(), "「対局」で始めて下さい");
}

TEST(Replay, AgainstTheComputerAClickAfterBackLetsItMove) {
    Game g;
    g->Form_Load();
    g->SENTE_Click();
    g.drop(F::先手, 1, 5, 5); // the computer replies on (5,4)
    ASSERT_EQ(g->手数, 2);
    g->REPLAY_Click(); // takes back the computer's reply
    EXPECT_EQ(g->手番, F::後手);
    g.click(1, 1);
    EXPECT_EQ(g->手数, 2);
    EXPECT_EQ(g->手番, F::先手);
}

// ---- Records in files ----

namespace {

#define HEAD "Tarvenko 棋譜 1\n対局 人間\n"

struct Broken {
    const char* text;
    int line;
    const char* reason;
};

// One hand-broken record a row: where it goes wrong and what the player is told.
const Broken kBroken[] = {
    {"", 1, "棋譜が途中で終わっています"},
    {"Tarvenko 棋譜 2\n", 1, "この版の棋譜は読めません"},
    {"Tarvenko\n", 1, "Tarvenko の棋譜ではありません"},
    {"Tarvenko 棋譜 1\n対局 三人\n局面 0\n", 2, "対局の行が違います"},
    {"Tarvenko 棋譜 1\n対局 COM 三手 標準\n局面 0\n", 2, "対局の行が違います"},
    {"Tarvenko 棋譜 1\n対局 COM 先手最強\n局面 0\n", 2, "対局の行が違います"},
    {"Tarvenko 棋譜 1\n対局 COM 先手 弱い\n局面 0\n", 2, "強さが違います"},
    {HEAD "局面 -1\n", 3, "局面の行が違います"},
    {HEAD "局面 2\n▲５五歩\n", 3, "局面の番号が指し手の数を超えています"},
    {HEAD "局面 0\n▲５五と\n", 4, "指し手が読めません"},
    {HEAD "局面 0\n▲１一歩\n", 4, "その段には打てません"},
    {HEAD "局面 0\n▲５五歩\n▲４四歩\n", 5, "手番が違います"},
    {HEAD "局面 0\n△５五歩\n", 4, "手番が違います"}, // 先手 can always drop first
    {HEAD "局面 0\n▲５五歩\n△５五金\n", 5, "そのマスには駒があります"},
    {HEAD "局面 0\n▲５五歩\n△１一金\n", 5, "相手の利き筋に置いていません"},
    {HEAD "局面 0\n▲５五歩\n△５四金\n▲５三歩\n", 6, "そこは二歩です"},
    {HEAD "局面 0\n▲５五角\n△６四歩\n▲６五角\n", 6, "持駒にその駒がありません"},
    {HEAD "局面 0\n▲９九王\n△８八王\n▲８九金\n△９八金\n▲７九銀\n△１一歩\n", 9,
     "三つ並んで勝負がついた後の指し手です"},
    {HEAD "局面 0\n\n▲５五歩\n", 5, "空の行の後に続きがあります"},
    // A record that says 後手 opened: then 後手 must, and there must be a move.
    {"Tarvenko 棋譜 1\n対局 COM 先手 標準 後手から\n局面 0\n▲５五歩\n", 4, "手番が違います"},
    {"Tarvenko 棋譜 1\n対局 人間 後手から\n局面 0\n", 2, "対局の行が違います"},
    {"Tarvenko 棋譜 1\n対局 COM 先手 後手からだ\n局面 0\n△５五歩\n", 2, "強さが違います"},
    {HEAD "局面 0 数え\n", 3, "局面の行が違います"},
};

} // namespace

TEST(Records, ABrokenRecordGivesItsLineAndReasonAndChangesNothing) {
    for (const Broken& b : kBroken) {
        Game g;
        threeMoves(g);
        const 局面 before(*g);
        kifu::Refusal why;
        EXPECT_FALSE(kifu::load(*g, b.text, why)) << b.text;
        EXPECT_EQ(why.line, b.line) << b.text;
        EXPECT_EQ(why.reason, b.reason) << b.text;
        EXPECT_TRUE(局面(*g) == before) << b.text;
    }
}

TEST(Records, AWonGameOpensFinished) {
    Game g;
    g->Form_Load();
    kifu::Refusal why;
    ASSERT_TRUE(
        kifu::load(*g, HEAD "局面 5\r\n▲９九王\n△８八王\n▲８九金\n△９八金\n▲７九銀\n\n", why))
        << why.reason;
    EXPECT_EQ(g.lastText(), "先手の勝ちです");
    EXPECT_EQ(g->手番, F::終局);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g->手数, 5);
    EXPECT_EQ(g->盤[3][9], F::先手銀);
    g->REPLAY_Click(); // and 戻 plays on from it
    EXPECT_EQ(g->手番, F::先手);
    EXPECT_EQ(g->盤[3][9], F::空き);
}

TEST(Records, SavedInTheMiddleOfBackOpensAsItWas) {
    Game g;
    g->Form_Load();
    g->GOTE_Click(); // the computer opens as 先手
    g.drop(F::後手, 1, 5, 4);
    g.drop(F::後手, 5, 4, 4);
    g->REPLAY_Click();
    g->REPLAY_Click();
    g->LEVEL_STRONGEST_Click();
    kifu::save(*g, "middle.tkf");
    ASSERT_TRUE(g.w.messages.empty() || g.lastTitle() != "棋譜を保存") << g.lastText();

    Game h;
    h->Form_Load();
    h.files.put("middle.tkf", g.files.entries.at("middle.tkf").bytes);
    kifu::open(*h, "middle.tkf");
    ASSERT_TRUE(h.w.messages.empty()) << h.lastText();
    EXPECT_TRUE(局面(*h) == 局面(*g));
    EXPECT_EQ(kifu::text(*h), kifu::text(*g));
    EXPECT_EQ(h->強さ, F::強さ_最強);
    EXPECT_NE(kifu::text(*h).find("\n対局 COM 後手 最強\n"), std::string::npos);
    h->AFTER_Click();
    g->AFTER_Click();
    EXPECT_TRUE(局面(*h) == 局面(*g));
    // A record without a strength is 標準's.
    kifu::Refusal why;
    ASSERT_TRUE(kifu::load(*h, "Tarvenko 棋譜 1\n対局 COM 先手\n局面 0\n", why));
    EXPECT_EQ(h->強さ, F::強さ_標準);
}

// 戻 to the start of a game the computer opened, then 対局(COM) → 先手: the computer, now 後手,
// opens again. Its record says so, opens as it was and plays on; a kept game already counted
// says that too.
TEST(Records, AGameThatGoteOpenedIsSavedAndOpened) {
    Game g;
    g->Form_Load();
    g->GOTE_Click();
    g->REPLAY_Click();
    g->SENTE_Click();
    ASSERT_EQ(g->手順最大, 1);
    ASSERT_GT(g->手順_移動先駒[1], 0); // 後手's
    g.drop(F::先手, 1, 5, 6);          // and the computer replies
    const std::string text = kifu::text(*g);
    EXPECT_NE(text.find("\n対局 COM 先手 標準 後手から\n局面 3\n△"), std::string::npos) << text;
    EXPECT_EQ(kifu::text(*g, true).find("\n局面 3 数え済み\n"), text.find("\n局面 3\n")) << text;

    Game h;
    h->Form_Load();
    kifu::Refusal why;
    ASSERT_TRUE(kifu::load(*h, text, why)) << why.line << why.reason;
    EXPECT_TRUE(局面(*h) == 局面(*g));
    EXPECT_EQ(kifu::text(*h), text);
    EXPECT_EQ(h->人間側, F::先手);
    kifu::Summary summary;
    ASSERT_TRUE(kifu::summarize(kifu::text(*g, true), summary));
    EXPECT_TRUE(summary.counted);
    ASSERT_TRUE(kifu::summarize(text, summary));
    EXPECT_FALSE(summary.counted);
    // Back at its start, the computer's move is next, as in the game itself.
    std::string atStart = text;
    atStart.replace(atStart.find("局面 3"), std::string_view("局面 3").size(), "局面 0");
    ASSERT_TRUE(kifu::load(*h, atStart, why)) << why.reason;
    EXPECT_EQ(h->手番, F::後手);
}

TEST(Records, FailuresToSaveOrOpenAreToldAndTheGameGoesOn) {
    Game g;
    threeMoves(g);
    const 局面 before(*g);
    g.files.writeResult = Files::Written::DiskFull;
    kifu::save(*g, "/full/game.tkf");
    EXPECT_EQ(g.lastTitle(), "棋譜を保存");
    EXPECT_EQ(g.lastText(), "棋譜を保存できませんでした\r\rgame.tkf\rディスクに空きがありません");
    EXPECT_EQ(g.files.entries.count("/full/game.tkf"), 0u);
    kifu::open(*g, "/nonexistent-folder/game.tkf");
    EXPECT_EQ(g.lastTitle(), "棋譜を開く");
    EXPECT_EQ(g.lastText(), "棋譜を開けませんでした\r\rgame.tkf\rファイルがありません");
    g.files.entries["fifo.tkf"].status = Files::Status::NotAFile;
    kifu::open(*g, "fifo.tkf");
    EXPECT_EQ(g.lastText(), "棋譜を開けませんでした\r\rfifo.tkf\rファイルではありません");
    EXPECT_TRUE(局面(*g) == before);
    g.drop(F::後手, 1, 5, 3); // play goes on
    EXPECT_EQ(g->手数, 4);
    g->CANCEL_Click();
    kifu::save(*g, "nothing.tkf");
    EXPECT_EQ(g.lastText(), "保存する対局がありません");
    g.w.messages.clear();
    g->KIFU_SAVE_Click(); // said before the dialog, which here chooses nothing
    ASSERT_EQ(g.w.messages.size(), 1u);
    EXPECT_EQ(g.lastText(), "保存する対局がありません");
}

// ▲４一銀 leaves 後手 nothing to drop: against the computer it passes, and the person,
// who is to move again, stays so when the game is saved and opened.
TEST(Records, AfterTheComputerPassedThePersonStaysToMove) {
    Game g;
    g->Form_Load();
    kifu::Refusal why;
    ASSERT_TRUE(kifu::load(*g,
                           "Tarvenko 棋譜 1\n対局 COM 先手\n局面 24\n▲３六歩\n△３五銀\n▲２六飛\n"
                           "△２一金\n▲２二香\n△２五銀\n▲１一金\n△２七桂\n▲１九王\n△１八王\n"
                           "▲３二金\n△３三桂\n▲２八香\n△３一飛\n▲２四角\n△４二金\n▲４四桂\n"
                           "△１二香\n▲４五歩\n△１六角\n▲１五歩\n△５二香\n▲１七桂\n△１四歩\n",
                           why))
        << why.line << why.reason;
    ASSERT_EQ(g->手番, F::先手);
    g.drop(F::先手, 4, 6, 1);
    ASSERT_EQ(g->手数, 25) << g.lastText();
    ASSERT_EQ(g->手番, F::先手); // the computer passed
    g->REPLAY_Click();
    g->AFTER_Click(); // and 進 leaves it so too
    EXPECT_EQ(g->手番, F::先手);
    kifu::save(*g, "passed.tkf");

    Game h;
    h->Form_Load();
    h.files.put("passed.tkf", g.files.entries.at("passed.tkf").bytes);
    kifu::open(*h, "passed.tkf");
    ASSERT_TRUE(h.w.messages.empty()) << h.lastText();
    EXPECT_TRUE(局面(*h) == 局面(*g));
    EXPECT_EQ(kifu::text(*h), kifu::text(*g));
    int kind = 0, x = 0, y = 0;
    打てる手を調べる(*h, F::先手, [&](int, int row, int X, int Y, int) {
        if (kind == 0) kind = piece::kindAtRow(F::先手, row), x = X, y = Y;
    });
    ASSERT_NE(kind, 0);
    h.drop(F::先手, kind, x, y); // the person's next drop is a move, not a pass
    EXPECT_EQ(h->手数, 26) << h.lastText();
    while (h->手数 > 24) h->REPLAY_Click();
    h->AFTER_Click(); // 進 onto ▲４一銀, which the person's move 26 follows
    EXPECT_EQ(h->手番, F::先手);
}

// ---- Saving to real files ----

namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const std::string& bytes, mode_t mode) {
    std::ofstream(file, std::ios::binary) << bytes;
    ::chmod(file.c_str(), mode);
}

std::string contents(const fs::path& file) {
    std::ostringstream s;
    s << std::ifstream(file, std::ios::binary).rdbuf();
    return s.str();
}

// Every name under the folder, links not followed.
std::set<std::string> names(const fs::path& dir) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        out.insert(e.path().lexically_relative(dir).string());
    }
    return out;
}

const std::string kOld = "old record\n";
const std::string kLongName = [] {
    std::string n;
    for (int i = 0; i < 82; ++i) n += "棋"; // 246 bytes
    return n + ".tkf";
}();

struct SaveRow {
    const char* what;
    // Sets up the folder; `saver` is the process that will save.
    void (*setUp)(const fs::path& dir, pid_t saver);
    std::string name;   // saved to, in the folder
    const char* reason; // the message's last line, nullptr when it saves
    std::string file;   // checked afterwards: the record when saved, else what was there
    mode_t mode;        // its type and mode afterwards, 0 when it must not be there
    rlim_t sizeLimit = RLIM_INFINITY;
    bool otherUser = false; // saved as nobody (set up only as root)
};

const SaveRow kSaveRows[] = {
    {"a new file", [](const fs::path&, pid_t) {}, "game.tkf", nullptr, "game.tkf", S_IFREG | 0644},
    {"over a 0600 file of another owner",
     [](const fs::path& d, pid_t) {
         write(d / "game.tkf", kOld, 0600);
         if (::geteuid() == 0) (void)!::chown((d / "game.tkf").c_str(), 4321, 4321);
     },
     "game.tkf", nullptr, "game.tkf", S_IFREG | 0600},
    {"through a symbolic link, in the linked file's folder",
     [](const fs::path& d, pid_t) {
         fs::create_directory(d / "real");
         write(d / "real/game.tkf", kOld, 0640);
         fs::create_symlink("real/game.tkf", d / "link.tkf");
     },
     "link.tkf", nullptr, "real/game.tkf", S_IFREG | 0640},
    {"through a link to no file yet",
     [](const fs::path& d, pid_t) { fs::create_symlink("new.tkf", d / "link.tkf"); }, "link.tkf",
     nullptr, "new.tkf", S_IFREG | 0644},
    {"over a read-only file", [](const fs::path& d, pid_t) { write(d / "game.tkf", kOld, 0444); },
     "game.tkf", "書き込みが許可されていません", "game.tkf", S_IFREG | 0444},
    {"over another user's file in a folder anyone may write",
     [](const fs::path& d, pid_t) {
         write(d / "game.tkf", kOld, 0644);
         ::chmod(d.c_str(), 0777);
     },
     "game.tkf", "書き込みが許可されていません", "game.tkf", S_IFREG | 0644, RLIM_INFINITY, true},
    {"beside a leftover temporary file of the same process id",
     [](const fs::path& d, pid_t saver) {
         write(d / "game.tkf", kOld, 0644);
         write(d / ("game.tkf.tmp-" + std::to_string(saver)), "", 0644);
     },
     "game.tkf", nullptr, "game.tkf", S_IFREG | 0644},
    {"a 250-byte name", [](const fs::path&, pid_t) {}, kLongName, nullptr, kLongName,
     S_IFREG | 0644},
    {"over a FIFO", [](const fs::path& d, pid_t) { ::mkfifo((d / "game.tkf").c_str(), 0644); },
     "game.tkf", "ファイルではありません", "game.tkf", S_IFIFO | 0644},
    {"over a folder", [](const fs::path& d, pid_t) { fs::create_directory(d / "game.tkf"); },
     "game.tkf", "ファイルではありません", "game.tkf", S_IFDIR | 0755},
    {"a name ending in /", [](const fs::path&, pid_t) {}, "game.tkf/", "ファイルではありません",
     "game.tkf", 0},
    {"in no folder", [](const fs::path&, pid_t) {}, "missing/game.tkf", "フォルダがありません",
     "missing", 0},
    {"past a file-size limit", [](const fs::path& d, pid_t) { write(d / "game.tkf", kOld, 0644); },
     "game.tkf", "ディスクに空きがありません", "game.tkf", S_IFREG | 0644, 16},
};

} // namespace

// Each row saves a game in a child process of its own (where a file-size limit or another
// user can be set) into a folder the row sets up; the message, the file left behind and the
// folder's names are checked: nothing appears but the record, nothing goes.
TEST(Records, SavingToRealFiles) {
    const mode_t umaskBefore = ::umask(022);
    const fs::path dir =
        fs::temp_directory_path() / ("tarvenko-save-" + std::to_string(::getpid()));
    RecordingWindow w;
    RecordingSound s;
    PosixFiles files;
    Form1 f(w, s, files);
    kifu::Refusal why;
    ASSERT_TRUE(kifu::load(f, HEAD "局面 1\n▲５五歩\n", why));
    const std::string record = kifu::text(f);
    for (const SaveRow& row : kSaveRows) {
        SCOPED_TRACE(row.what);
        if (row.otherUser && ::geteuid() != 0) {
            std::printf("[ skipped ] %s: needs root to set up\n", row.what);
            continue;
        }
        fs::remove_all(dir);
        fs::create_directory(dir);
        int go[2], told[2];
        ASSERT_EQ(::pipe(go), 0);
        ASSERT_EQ(::pipe(told), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char c;
            ::close(told[0]);
            if (::read(go[0], &c, 1) != 1) ::_exit(2);
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{row.sizeLimit, row.sizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
            if (row.otherUser && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(4);
            kifu::save(f, (dir / row.name).string());
            const std::string said = w.messages.empty() ? "" : w.messages.back().text;
            if (::write(told[1], said.data(), said.size()) != static_cast<ssize_t>(said.size()))
                ::_exit(5);
            ::_exit(0);
        }
        ::close(told[1]);
        row.setUp(dir, child);
        const std::set<std::string> before = names(dir);
        const bool wasLink = fs::is_symlink(dir / row.name);
        struct stat old {};
        const bool existed = ::lstat((dir / row.file).c_str(), &old) == 0;
        ASSERT_EQ(::write(go[1], "g", 1), 1);
        std::string said;
        char buffer[256];
        for (ssize_t n; (n = ::read(told[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
        ::close(told[0]), ::close(go[0]), ::close(go[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

        std::string shown = row.name; // the message names the file, or the folder
        if (shown.back() == '/') shown.pop_back();
        shown = fs::path(shown).filename().string();
        EXPECT_EQ(said,
                  row.reason ? "棋譜を保存できませんでした\r\r" + shown + "\r" + row.reason : "");
        struct stat now {};
        const bool there = ::lstat((dir / row.file).c_str(), &now) == 0;
        EXPECT_EQ(there ? now.st_mode : 0, row.mode);
        if (there && S_ISREG(now.st_mode)) {
            EXPECT_EQ(contents(dir / row.file), row.reason ? kOld : record);
        }
        if (existed && there) {
            EXPECT_EQ(now.st_uid, old.st_uid);
            EXPECT_EQ(now.st_gid, old.st_gid);
        }
        EXPECT_EQ(fs::is_symlink(dir / row.name), wasLink);
        // No temporary file stays, and the leftover is not touched.
        std::set<std::string> after = names(dir), expected = before;
        after.erase(row.file);
        expected.erase(row.file);
        EXPECT_EQ(after, expected);
    }
    fs::remove_all(dir);
    ::umask(umaskBefore);
}

// Files whose size says nothing are read to their end; a name ending in '/' is no file.
TEST(Records, OpeningReadsPastASizeOfNothing) {
    RecordingWindow w;
    RecordingSound s;
    PosixFiles files;
    Form1 f(w, s, files);
    kifu::open(f, "/proc/self/status");
    EXPECT_EQ(w.messages.back().text,
              "棋譜を開けませんでした\r\rstatus\r1行目: Tarvenko の棋譜ではありません");
    kifu::open(f, "/tmp/");
    EXPECT_EQ(w.messages.back().text, "棋譜を開けませんでした\r\rtmp\rファイルではありません");
}
