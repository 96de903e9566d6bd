#include "puzzles/Session.h"

#include "game/Form1.h"
#include "home/Home.h"
#include "puzzles/Proof.h"
#include "record/kifu.h"
#include "texts/Texts.h"

#include <string>
#include <vector>

namespace tarvenko::puzzles {

namespace {

using F = Form1;

constexpr const char* 題 = TARVENKO_TEXT("詰め問題");
// Far more than the puzzles will ever take; a bigger file is not one.
constexpr std::size_t kMostBytes = 1 << 20;
// The goal's line under the board, and the box erased before it is written (twips).
constexpr double 目標X = 1, 目標Y = 10.1;
constexpr double 目標幅 = 6000, 目標高 = 330;
constexpr float 目標の大きさ = 12;

// The whole file; false when it cannot be read.
bool readAll(Files& files, const char* name, std::string& out) {
    const Files::Opened o = files.open(name);
    if (o.status != Files::Status::Ok) return false;
    out.resize(kMostBytes + 1);
    const std::int64_t n =
        files.readUpTo(o.file, 0, reinterpret_cast<unsigned char*>(out.data()), out.size());
    files.close(o.file);
    if (n < 0) return false;
    out.resize(static_cast<std::size_t>(n));
    return true;
}

std::string number(int n) {
    return std::to_string(n);
}

} // namespace

Session::Session(Form1& f) : f_(f) {}

Session::~Session() = default;

engine::Analyser& Session::analyser() {
    if (!analyser_) analyser_ = std::make_unique<engine::Analyser>();
    return *analyser_;
}

const Collection& Session::collection(bool quiet) {
    if (!read_) {
        read_ = true;
        std::string text;
        if (!readAll(f_.files(), kFile, text)) {
            collection_.error = "unreadable";
        } else {
            collection_ = read(text);
            if (collection_.error.empty() && text.size() > kMostBytes) {
                collection_ = {};
                collection_.error = "too big";
                collection_.errorLine = 1;
            }
        }
    }
    if (!collection_.error.empty() && !quiet) {
        const std::string why =
            collection_.errorLine == 0
                ? texts::fill(訳("詰め問題のファイル %1 を読めません"), {kFile})
                : texts::fill(訳("詰め問題のファイル %1 の %2 行目が正しくありません"),
                              {kFile, number(collection_.errorLine)});
        f_.window().messageBox(why, 訳(題), MessageIcon::Exclamation);
    }
    return collection_;
}

bool Session::blocked() {
    // As a new game waits for 最初, a puzzle does; one puzzle gives way to another at once.
    if (active_ || f_.対局中 != F::真 || f_.手番 == F::終局 || f_.手数 == 0) return false;
    f_.window().messageBox(訳("  局面 → 最初にして下さい"), 訳(題), MessageIcon::None);
    return true;
}

void Session::choose() {
    if (blocked()) return;
    const Collection& c = collection();
    std::vector<PuzzleEntry> entries;
    int within[kLongest + 1] = {};
    Home* home = f_.home();
    for (const Puzzle& p : c.puzzles) {
        entries.push_back({p.length, ++within[p.length], home && home->puzzleSolved(p.id)});
    }
    std::string groups[kLongest + 1];
    PuzzleList list;
    list.entries = entries.data();
    list.count = static_cast<int>(entries.size());
    list.title = 訳(題);
    for (int n = kShortest; n <= kLongest; ++n) {
        groups[n] = texts::fill(訳("%1手で三つ並べる"), {number(n)});
        list.groups[n] = groups[n];
    }
    list.start = 訳("始める");
    list.unsolved = 訳("最初の未解決");
    list.none = 訳("詰め問題がありません");
    const int chosen = f_.window().choosePuzzle(list);
    if (chosen >= 0 && chosen < list.count) start(chosen + 1);
}

bool Session::start(int k) {
    if (blocked()) return false;
    const Collection& c = collection(true);
    if (k < 1 || k > static_cast<int>(c.puzzles.size())) return false;
    const Puzzle& p = c.puzzles[static_cast<std::size_t>(k - 1)];

    // Its drops as a record of two people, opened as 棋譜を開く opens one.
    std::string text(kifu::見出し);
    text += "\n対局 人間\n局面 " + number(p.count) + '\n';
    for (int i = 0; i < p.count; ++i) text += notation(p.sides[i], p.drops[i]) + '\n';
    kifu::Refusal why;
    if (!kifu::load(f_, text, why)) return false;

    active_ = true;
    index_ = k - 1;
    length_ = p.length;
    start_ = p.count;
    failedAt_ = 0;
    const int side = p.position().toMove == 0 ? F::先手 : F::後手;
    f_.対局モード = F::モード_COM;
    f_.人間側 = side;
    f_.COM側 = -side;
    f_.手番 = side;
    f_.対局中 = F::真;
    drawGoal();
    f_.window().refresh();
    return true;
}

void Session::end() {
    if (!active_) return;
    active_ = false;
    eraseGoal();
}

void Session::eraseGoal() {
    if (!goalShown_) return;
    goalShown_ = false;
    f_.描画_四角形(目標X, 目標Y, 目標幅, 目標高, F::背景色);
}

void Session::drawGoal() {
    if (!active_) return;
    eraseGoal();
    const char* form = f_.人間側 == F::先手 ? TARVENKO_TEXT("先手番：%1 手で三つ並べてください")
                                            : TARVENKO_TEXT("後手番：%1 手で三つ並べてください");
    const std::string text = texts::fill(訳(form), {number(length_)});
    f_.window().drawText(static_cast<float>(F::横位置(目標X)), static_cast<float>(F::縦位置(目標Y)),
                         text, 目標の大きさ, false, F::色_白);
    goalShown_ = true;
}

engine::Position Session::current(int side) const {
    engine::Position p;
    p.load(f_.盤);
    p.setHands(f_.先手持駒, f_.後手持駒, side == F::後手 ? 1 : 0);
    return p;
}

int Session::playerDrops() const {
    int n = 0;
    for (int i = start_ + 1; i <= f_.手順数 && i < F::手順容量; ++i) {
        n += f_.取得_手番(f_.手順_移動元駒[i]) == f_.人間側;
    }
    return n;
}

bool Session::failed() const {
    return failedAt_ > 0 && failedAt_ <= f_.手順数;
}

void Session::answer() {
    // A drop in the place of the one that lost is judged afresh.
    if (failedAt_ >= f_.手順数) failedAt_ = 0;
    // The game's turn is still the player's while the computer answers; a puzzle lost before
    // leaves nothing to keep.
    const int left = failedAt_ == 0 ? length_ - playerDrops() : 0;
    const Answer a = puzzles::answer(analyser(), current(f_.COM側), left);
    // The player still forces the row within the drops the puzzle has left.
    const bool keeps = a.value.kind == engine::Value::Loss && a.value.n <= left;
    const bool fails = failedAt_ == 0 && !keeps;
    if (fails) failedAt_ = f_.手順数;

    const int com = f_.COM側;
    if (a.pass) {
        f_.手番 = f_.人間側;
    } else {
        const int code = piece::codeOf(com, a.move.kind);
        const int sx = com == F::先手 ? F::先手持駒列 : F::後手持駒列;
        const int sy = piece::handRow(com, a.move.kind);
        const int dx = engine::columnOf(a.move.sq), dy = engine::rowOf(a.move.sq);
        f_.記録して打つ(sx, sy, dx, dy, code);
        f_.描画_桝輪郭(F::色_白, dx, dy);
        f_.音_再生(f_.音_駒打);
        f_.描画_移動結果(dx, dy, code, F::色_白);
        if (!f_.勝ちなら終える(com, dx, dy)) f_.手番 = f_.人間側;
    }
    if (fails) offer();
}

void Session::offer() {
    const std::string_view buttons[] = {訳("戻"), 訳("答え"), 訳("閉じる")};
    const std::string text =
        texts::fill(訳("この手では %1 手で三つ並べることができなくなりました"), {number(length_)});
    const int chosen = f_.window().choiceBox(text, 訳(題), buttons, 3);
    if (chosen != 0 && chosen != 1) return;
    // Back to before the drop that lost, the computer's reply with it.
    const int at = failedAt_;
    while (f_.手順数 >= at && f_.手順数 > start_) f_.REPLAY_Click();
    failedAt_ = 0;
    if (chosen == 1) f_.HINT_Click();
}

bool Session::solvedBy(int side) {
    if (!active_ || side != f_.人間側 || failed()) return false;
    const Puzzle& p = collection_.puzzles[static_cast<std::size_t>(index_)];
    if (Home* home = f_.home()) home->solvePuzzle(p.id);
    f_.window().messageBox(
        texts::fill(訳("正解です。%1 手で三つ並びました"), {number(playerDrops())}), 訳(題),
        MessageIcon::None);
    return true;
}

bool Session::hint(engine::Move& m) {
    if (!active_ || failed() || f_.対局中 != F::真 || f_.手番 != f_.人間側) return false;
    if (f_.手順数 == start_) {
        m = collection_.puzzles[static_cast<std::size_t>(index_)].key;
        return true;
    }
    int n = 0;
    return fastestWin(analyser(), current(f_.人間側), length_ - playerDrops(), m, n);
}

std::string Session::statistics() {
    Home* home = f_.home();
    if (home == nullptr || !home->anyPuzzleSolved()) return {};
    const Collection& c = collection(true);
    int solved[kLongest + 1] = {}, all[kLongest + 1] = {};
    for (const Puzzle& p : c.puzzles) {
        ++all[p.length];
        solved[p.length] += home->puzzleSolved(p.id);
    }
    std::string out = "\r\r";
    out += 訳("詰め問題（解いた数）");
    for (int n = kShortest; n <= kLongest; ++n) {
        out += '\r';
        out += texts::fill(訳("%1手で三つ並べる　%2／%3"),
                           {number(n), number(solved[n]), number(all[n])});
    }
    return out;
}

} // namespace tarvenko::puzzles
