// The puzzles: the file and its faults, the proof of every puzzle of the game's own file, and a
// puzzle played through the game with the recording window.
#include "Game.h"
#include "home/Home.h"
#include "puzzles/Collection.h"
#include "puzzles/Proof.h"
#include "record/kifu.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>

using namespace tarvenko;
using F = Form1;

namespace {

std::string fileText() {
    std::ifstream in(TARVENKO_PUZZLES_FILE, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const puzzles::Collection& theFile() {
    static const puzzles::Collection c = puzzles::read(fileText());
    return c;
}

engine::Analyser& analyser() {
    static auto a = std::make_unique<engine::Analyser>();
    return *a;
}

// Proves a puzzle again as the generator did: the length, the one key, and a proved reply to
// it that lets the row come within the drops left.
void expectProved(const puzzles::Puzzle& p) {
    const engine::Position start = p.position();
    const puzzles::Proof proof = puzzles::prove(analyser(), start);
    ASSERT_EQ(proof.verdict, puzzles::Proof::Puzzle);
    EXPECT_EQ(proof.length, p.length);
    EXPECT_EQ(proof.key, p.key);
    engine::Position after = start;
    after.drop(p.key.sq, p.key.kind);
    const puzzles::Answer reply = puzzles::answer(analyser(), after);
    EXPECT_EQ(reply.value.kind, engine::Value::Loss);
    EXPECT_LE(reply.value.n, p.length - 1);
}

void proveEvery(int length, int step) {
    int n = 0;
    for (const auto& p : theFile().puzzles) {
        if (p.length != length || n++ % step != 0) continue;
        SCOPED_TRACE(puzzles::line(p));
        expectProved(p);
    }
    EXPECT_GT(n, 0);
}

const std::string kHeader = std::string(puzzles::kHeader) + "\n";
// A puzzle of two drops: 先手's 桂 on ８五 threatens two rows, and △９三歩 only delays ▲７五歩.
const std::string kLine = "2\t▲９六香 △９四香 ▲９五金 △８四銀\t▲８五桂\t16\n";

} // namespace

TEST(PuzzleFile, TheGameHasEnoughOfEveryLengthAndNoTwoAlikeOrMirrored) {
    const auto& c = theFile();
    ASSERT_EQ(c.error, "");
    EXPECT_GE(c.countOf(2), 40);
    EXPECT_GE(c.countOf(3), 40);
    EXPECT_GE(c.countOf(4), 40);
    EXPECT_GE(c.countOf(5), 20);
    std::set<std::string> shapes;
    std::set<std::uint32_t> ids;
    for (const auto& p : c.puzzles) {
        EXPECT_TRUE(shapes.insert(puzzles::shapeKey(p.position())).second) << puzzles::line(p);
        EXPECT_TRUE(ids.insert(p.id).second) << puzzles::line(p);
    }
    // Written back, every line is the file's own.
    for (const auto& p : c.puzzles) {
        EXPECT_NE(fileText().find(puzzles::line(p) + "\n"), std::string::npos);
    }
}

TEST(PuzzleFile, EveryFaultRefusesTheWholeFileAtItsLine) {
    const struct {
        std::string text;
        int line;
    } cases[] = {
        {"", 1},
        {"Tarvenko 詰め問題 2\n" + kLine, 1},
        {kHeader + "# fine\n\n" + kLine + "2\t▲９六香\t▲８五桂\n", 5},     // no measure
        {kHeader + "6\t▲９六香 △９四香\t▲８五桂\t1\n", 2},                 // length
        {kHeader + "2\t▲９六香 △９四香 ▲９六金\t△８五桂\t1\n", 2},         // occupied square
        {kHeader + "2\t▲９六香 ▲９四香\t△８五桂\t1\n", 2},                 // turn
        {kHeader + "2\t▲９六香 △９四香 ▲９五金 △８四銀\t△８五桂\t1\n", 2}, // the key's side
        {kHeader + "2\t▲９六香 △９四香 ▲９五金 △８四銀\t▲８五桂x\t1\n", 2},
        {kHeader + "2\t▲９六香 △９四香 ▲９五金 △８四銀 ▲８五桂 △９三歩 ▲７五歩\t△１一香\t1\n",
         2},                                       // a row of three
        {kHeader + "2\t▲９一歩\t△８五桂\t1\n", 2}, // a 歩 on the far row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const puzzles::Collection read = puzzles::read(c.text);
        EXPECT_TRUE(read.puzzles.empty());
        EXPECT_NE(read.error, "");
        EXPECT_EQ(read.errorLine, c.line);
    }
    const puzzles::Collection good = puzzles::read("\xEF\xBB\xBF" + kHeader + kLine);
    EXPECT_EQ(good.error, "");
    ASSERT_EQ(good.puzzles.size(), 1u);
    EXPECT_EQ(puzzles::line(good.puzzles[0]) + "\n", kLine);
}

TEST(PuzzleFile, AMirrorImageHasTheSameShape) {
    const auto a = puzzles::read(kHeader + kLine);
    const auto b = puzzles::read(kHeader + "2\t▲１六香 △１四香 ▲１五金 △２四銀\t▲２五桂\t16\n");
    ASSERT_EQ(a.error + b.error, "");
    EXPECT_EQ(puzzles::shapeKey(a.puzzles[0].position()),
              puzzles::shapeKey(b.puzzles[0].position()));
    EXPECT_NE(a.puzzles[0].id, b.puzzles[0].id);
    engine::Position other = a.puzzles[0].position();
    other.pass();
    EXPECT_NE(puzzles::shapeKey(other), puzzles::shapeKey(a.puzzles[0].position()));
}

TEST(PuzzleProof, EveryPuzzleOfTwoDropsIsProvedAgain) {
    proveEvery(2, 1);
}

TEST(PuzzleProof, EveryPuzzleOfThreeDropsIsProvedAgain) {
    proveEvery(3, 1);
}

TEST(PuzzleProof, ASampleOfTheLongerPuzzlesIsProvedAgain) {
    proveEvery(4, 5);
    proveEvery(5, 5);
}

TEST(PuzzleProof, PositionsThatAreNoPuzzle) {
    // A row at once; the empty board, where 先手 forces a row with more than one first drop.
    const auto c = puzzles::read(kHeader + kLine);
    ASSERT_EQ(c.error, "");
    engine::Position p = c.puzzles[0].position();
    p.drop(c.puzzles[0].key.sq, c.puzzles[0].key.kind);
    p.pass(); // 先手 again, now with a row to complete
    EXPECT_EQ(puzzles::prove(analyser(), p).verdict, puzzles::Proof::NotForced);
    EXPECT_EQ(puzzles::prove(analyser(), puzzles::startPosition()).verdict,
              puzzles::Proof::NotUnique);
}

// ---- Through the game ----

namespace {

// Settings, statistics and a kept game in memory.
struct MemoryHome final : SettingsStore, StatisticsStore, KeptGamePlace {
    Settings settings;
    Statistics statistics;
    int settingsWritten = 0, statisticsWritten = 0;
    Settings readSettings() override { return settings; }
    void writeSettings(const Settings& s) override {
        settings = s;
        ++settingsWritten;
    }
    Statistics readStatistics() override { return statistics; }
    Statistics addStatistics(const Statistics& added) override {
        ++statisticsWritten;
        for (int i = 0; i < Statistics::kStrengths; ++i)
            for (int j = 0; j < Statistics::kSides; ++j)
                for (int k = 0; k < Statistics::kResults; ++k)
                    statistics.com[i][j][k] += added.com[i][j][k];
        statistics.twoPerson += added.twoPerson;
        return statistics;
    }
    void resetStatistics() override {
        statistics = {};
        ++statisticsWritten;
    }
    bool firstBroughtBack(const std::string&) override { return true; }
    bool hasKeptGame() override { return false; }
    Taken takeKeptGame(bool (*)(std::string_view)) override { return {}; }
    Kept keepGame(std::string_view) override { return {Files::Written::Ok, "kept-game.tkf", {}}; }
};

struct PuzzleGame : Game {
    MemoryHome places;
    Home home{places, places, places};
    explicit PuzzleGame(const std::string& puzzles = kHeader + kLine) {
        files.put("puzzles.txt", puzzles);
        f->住まいを使う(&home);
        f->Form_Load();
    }
    void dropAs(const std::string& drop) {
        int side = 0;
        engine::Move m;
        ASSERT_TRUE(puzzles::readDrop(drop, side, m)) << drop;
        this->drop(side == 0 ? F::先手 : F::後手, m.kind, engine::columnOf(m.sq),
                   engine::rowOf(m.sq));
    }
    bool outlined(int X, int Y, int colour) const {
        for (const auto& op : w.ops) {
            if (op.kind == RecordingWindow::OpKind::Box && op.colour == colour &&
                op.x1 == static_cast<float>(F::横位置(X)) &&
                op.y1 == static_cast<float>(F::縦位置(Y)))
                return true;
        }
        return false;
    }
};

} // namespace

TEST(PuzzleGame, SolvedAtItsRowAndRememberedWithTheSettingsOnly) {
    PuzzleGame g;
    g->解析().setOn(true);
    ASSERT_TRUE(g->詰めを始める(1));
    g->解析().update();
    EXPECT_TRUE(g.w.analysis.line.empty()); // 解析 waits for the end of the puzzle
    EXPECT_TRUE(g->詰め中());
    EXPECT_EQ(g->人間側, F::先手);
    EXPECT_EQ(g->手番, F::先手);
    EXPECT_EQ(g->手順数, 4);
    g.dropAs("▲８五桂");
    // The computer's reply, the one that resists longest: it blocks one row of two.
    EXPECT_EQ(g->手順数, 6);
    EXPECT_EQ(g->盤[1][3], piece::codeOf(F::後手, piece::歩));
    EXPECT_EQ(g->対局中, F::真);
    engine::Move m;
    ASSERT_TRUE(g->詰め().hint(m));
    EXPECT_EQ(puzzles::notation(0, m).substr(3, 6), "７五");
    g.dropAs("▲７五歩");
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g.lastTitle(), "詰め問題");
    EXPECT_EQ(g.lastText(), "正解です。2 手で三つ並びました");
    ASSERT_EQ(g.places.settings.puzzlesSolved.size(), 1u);
    EXPECT_EQ(g.places.settings.puzzlesSolved[0], g->詰め().collection().puzzles[0].id);
    EXPECT_EQ(g.places.statisticsWritten, 0);
    g->STATS_Click();
    EXPECT_NE(g.lastText().find("詰め問題（解いた数）\r2手で三つ並べる　1／1"), std::string::npos);
    // Leaving it for a record counts nothing, and 解析 is back.
    kifu::Refusal why;
    ASSERT_TRUE(kifu::load(
        *g, "Tarvenko 棋譜 1\n対局 人間\n局面 4\n▲９六香\n△９四香\n▲９五金\n△８四銀\n", why));
    EXPECT_FALSE(g->詰め中());
    g->解析().update();
    EXPECT_FALSE(g.w.analysis.line.empty());
    EXPECT_EQ(g.places.statisticsWritten, 0);
    int cancel = 0;
    g->Form_Unload(cancel);
    EXPECT_EQ(g.places.statisticsWritten, 0);
}

TEST(PuzzleGame, AFailedDropIsAnsweredToldAndTakenBackWithTheAnswerShown) {
    PuzzleGame g;
    ASSERT_TRUE(g->詰めを始める(1));
    g.w.logDrawing = true;
    g.w.nextChoice = 1; // 答え
    g.dropAs("▲７五歩");
    ASSERT_EQ(g.w.choices.size(), 1u);
    EXPECT_EQ(g.w.choices[0].text, "この手では 2 手で三つ並べることができなくなりました");
    EXPECT_EQ(g.w.choices[0].buttons, (std::vector<std::string>{"戻", "答え", "閉じる"}));
    // Both drops taken back; the key outlined as ヒント outlines a drop.
    EXPECT_EQ(g->手順数, 4);
    EXPECT_EQ(g->手番, F::先手);
    EXPECT_EQ(g->対局中, F::真);
    EXPECT_TRUE(g.outlined(2, 5, F::色_黄));             // ８五
    EXPECT_TRUE(g.outlined(F::先手持駒列, 4, F::色_黄)); // 桂 in the hand
    // 戻 stops at the puzzle's position.
    g->REPLAY_Click();
    EXPECT_EQ(g->手順数, 4);
    EXPECT_EQ(g.lastText(), "できません");
    // Closed without a choice: the computer's row stands, and nothing is counted or solved.
    g.dropAs("▲７五歩");
    EXPECT_EQ(g.w.choices.size(), 2u);
    EXPECT_EQ(g->手順数, 6);
    EXPECT_EQ(g->対局中, F::偽);
    EXPECT_EQ(g.lastText(), "ＣＯＭの勝ちです");
    EXPECT_TRUE(g.places.settings.puzzlesSolved.empty());
    EXPECT_EQ(g.places.statisticsWritten, 0);
}

TEST(PuzzleGame, AMissingOrDamagedFileGivesAMessageAndAnEmptyChooser) {
    for (const std::string& text : {std::string("no file"), kHeader + "2\tx\n"}) {
        Game g;
        if (text != "no file") g.files.put("puzzles.txt", text);
        g->Form_Load();
        g->TSUME_Click();
        ASSERT_EQ(g.w.choosers.size(), 1u);
        EXPECT_TRUE(g.w.choosers[0].entries.empty());
        EXPECT_EQ(g.w.choosers[0].none, "詰め問題がありません");
        EXPECT_EQ(g.w.messages.back().icon, MessageIcon::Exclamation);
        EXPECT_EQ(g.lastText(), text == "no file"
                                    ? "詰め問題のファイル puzzles.txt を読めません"
                                    : "詰め問題のファイル puzzles.txt の 2 行目が正しくありません");
        EXPECT_FALSE(g->詰めを始める(1));
        EXPECT_FALSE(g->詰め中());
    }
}

TEST(PuzzleGame, TheChooserListsByLengthStartsTheChosenAndWaitsForAGameToEnd) {
    PuzzleGame g(kHeader + kLine + "3" + kLine.substr(1));
    g.w.nextPuzzle = 1;
    g->TSUME_Click();
    ASSERT_EQ(g.w.choosers.size(), 1u);
    const auto& list = g.w.choosers[0];
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.groups[3], "3手で三つ並べる");
    EXPECT_EQ(list.entries[1].length, 3);
    EXPECT_EQ(list.entries[1].number, 1);
    EXPECT_TRUE(g->詰め中());
    EXPECT_EQ(g->詰め().length(), 3);
    // A game under way with a move is not replaced.
    g->START_Click();
    g->Form_MouseDown(F::左ボタン, 0, Game::cx(F::先手持駒列), Game::cy(2));
    g.click(5, 5);
    g->TSUME_Click();
    EXPECT_EQ(g.w.choosers.size(), 1u);
    EXPECT_EQ(g.lastText(), "  局面 → 最初にして下さい");
    EXPECT_FALSE(g->詰めを始める(1));
}
