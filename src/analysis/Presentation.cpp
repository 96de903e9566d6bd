// What the analysis shows and when: the board's marks and line, the 棋譜解析 window's rows.
#include "analysis/Presentation.h"

#include "game/Form1.h"
#include "render/notation.h"
#include "texts/Texts.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarvenko::analysis {

namespace {

using F = Form1;

// Where the line that tells the whole position stands: under the board, from its left edge.
constexpr double 行X = 1, 行Y = 10.1;
constexpr float 行の大きさ = 10;

// A text with its "%d" replaced by n, cut to fit.
template <std::size_t N> void fill(char (&out)[N], std::string_view pattern, int n) {
    char number[12];
    const int digits = std::snprintf(number, sizeof number, "%d", n);
    std::size_t at = 0;
    auto put = [&](std::string_view s) { at += s.copy(out + at, N - 1 - at); };
    const std::size_t hole = pattern.find("%d");
    if (hole == std::string_view::npos) {
        put(pattern);
    } else {
        put(pattern.substr(0, hole));
        put(std::string_view(number, static_cast<std::size_t>(digits)));
        put(pattern.substr(hole + 2));
    }
    out[at] = '\0';
}

// The line for a side (0 先手, 1 後手) that forces a row in n of its drops.
template <std::size_t N> void winsIn(char (&out)[N], int side, int n) {
    fill(out, side == 0 ? 訳("先手の勝ち（あと %d 手）") : 訳("後手の勝ち（あと %d 手）"), n);
}

} // namespace

// The budget of positions for a drop, and for a whole position of a record.
constexpr long kDropBudget = engine::Analyser::defaultBudget;
constexpr long kPositionBudget = 10 * engine::Analyser::defaultBudget;
// Then, while nothing else is asked, the positions left unknown in rounds of more.
constexpr long kPositionRounds[] = {4 * kPositionBudget, 16 * kPositionBudget};
static_assert(kMaxRecord < 64, "a record's positions are bits of one word");

bool better(Value a, Value b) {
    auto rank = [](Value v) {
        // Wins first, faster ahead; losses last, slower ahead.
        return v.kind == Value::Win ? 1000 - v.n : v.kind == Value::Loss ? -1000 + v.n : 0;
    };
    return rank(a) > rank(b);
}

void SyncRunner::start(const Request& r) {
    static const std::atomic<bool> never{false};
    if (!analyser_) analyser_ = std::make_unique<engine::Analyser>();
    work(
        r, *analyser_, never,
        [](void* sink, const Result& result) { static_cast<Sink*>(sink)->take(result); },
        static_cast<Sink*>(&sink_));
    sink_.flush();
}

void work(const Request& r, engine::Analyser& analyser, const std::atomic<bool>& stop, Emit emit,
          void* context, const std::atomic<bool>* more) {
    struct Found {
        Result out;
        Emit emit;
        void* context;
    } found{{}, emit, context};
    found.out.kind = r.kind;
    found.out.generation = r.generation;
    Result& out = found.out;
    if (r.kind == Request::Line) {
        WinningLine line;
        const LineFound step = [](void* c, const LineStep& s) {
            auto& f = *static_cast<Found*>(c);
            f.out.move = s.move;
            f.out.value = s.value;
            f.out.side = s.side;
            f.emit(f.context, f.out);
            ++f.out.index;
        };
        out.index = 0;
        const engine::Move first = r.count > 0 ? r.moves[0] : engine::Move{};
        if (!winningLine(analyser, r.start, r.value, kDropBudget, line, &stop, first, step, &found))
            return;
        out.index = -1;
        out.move = {};
        out.value = line.complete ? Value{Value::Win, 0} : Value{};
        emit(context, out);
        return;
    }
    if (r.kind == Request::Board) {
        engine::DropValue values[engine::maxMoves];
        const engine::Analyser::Found each = [](void* c, int index, const engine::DropValue& v) {
            auto& f = *static_cast<Found*>(c);
            f.out.index = index;
            f.out.move = v.move;
            f.out.value = v.value;
            f.emit(f.context, f.out);
        };
        analyser.analyse(r.start, kDropBudget, values, &stop, each, &found);
        if (analyser.cancelled() || stop.load()) return;
        const auto whole = [&] {
            out.index = -1;
            out.move = {};
            out.value = analyser.value();
            emit(context, out);
        };
        whole();
        for (const auto& round : engine::Analyser::refineRounds) {
            if (!more || more->load()) return;
            if (analyser.refine(r.start, round.each, round.all, values, more, each, &found) > 0)
                whole();
        }
        return;
    }
    // Calls at(k, position k) for k = 0..count, while it returns true.
    const auto each = [&r](auto&& at) {
        engine::Position p = r.start;
        for (int k = 0; k <= r.count; ++k) {
            if (k < r.count && p.toMove != r.sides[k]) p.pass();
            if (!at(k, p) || k == r.count) return;
            p.drop(r.moves[k].sq, r.moves[k].kind);
        }
    };
    const auto hand = [&](int k, Value v) {
        out.index = k;
        out.value = v;
        emit(context, out);
    };
    // The positions left unknown, a bit each, to be valued again.
    std::uint64_t open = 0;
    for (int k = 0; k < r.from && k <= r.count; ++k) {
        if (!(r.known >> k & 1)) open |= std::uint64_t{1} << k;
    }
    bool rowMade = false;
    each([&](int k, const engine::Position& p) {
        // After a row of three the game is over: the side to move has lost.
        if (k >= r.from) {
            const Value v =
                rowMade ? Value{Value::Loss, 0} : analyser.valueOf(p, kPositionBudget, &stop);
            if (stop.load(std::memory_order_relaxed)) return false;
            if (!v.known()) open |= std::uint64_t{1} << k;
            hand(k, v);
        }
        if (k < r.count) rowMade = p.rowOfThree(p.toMove, r.moves[k].sq);
        return true;
    });
    if (stop.load() || !more) return;
    for (const long budget : kPositionRounds) {
        each([&](int k, const engine::Position& p) {
            if (more->load()) return false;
            if (!(open >> k & 1)) return true;
            const Value v = analyser.valueOf(p, budget, more);
            if (v.known()) {
                open &= ~(std::uint64_t{1} << k);
                hand(k, v);
            }
            return true;
        });
    }
}

Analysis::Analysis(Form1& f) : f_(f) {
    // Room for the longest line once, so that showing one allocates nothing.
    lineText_.reserve(1024);
    reviewLine_.reserve(1024);
}

Analysis::~Analysis() = default;

Runner& Analysis::runner() {
    if (runner_ != nullptr) return *runner_;
    if (!sync_) sync_ = std::make_unique<SyncRunner>(*this);
    return *sync_;
}

void Analysis::use(Runner* runner) {
    runner_ = runner;
    asked_ = false; // the new runner is asked again
    if (reviewing_) requestRecord();
}

void Analysis::setOn(bool on) {
    on_ = on;
    f_.window().setItemChecked("ANALYSIS", on_);
    if (!on_) {
        positionChanged();
        runner().cancel(Request::Board);
    }
    update();
}

bool Analysis::wanted() const {
    // Off during a puzzle, which asks for a row unaided.
    if (!on_ || f_.対局中 != F::真 || f_.詰め中()) return false;
    if (f_.手番 != F::先手 && f_.手番 != F::後手) return false;
    return !(f_.対局モード == F::モード_COM && f_.手番 == f_.COM側);
}

engine::Position Analysis::current() const {
    engine::Position p;
    p.load(f_.盤);
    p.setHands(f_.先手持駒, f_.後手持駒, f_.手番 == F::後手 ? 1 : 0);
    return p;
}

void Analysis::positionChanged() {
    ++generation_;
    asked_ = false;
    known_ = drops_ = 0;
    // The line belongs to the position: the player asks again for the next one's.
    lineShown_ = false;
    forgetLine();
    hide();
}

void Analysis::hide() {
    if (!shown_) return;
    shown_ = false;
    f_.window().showAnalysis(AnalysisView{});
}

void Analysis::update() {
    if (reviewing_ && recordChanged()) requestRecord();
    if (reviewing_ && review_.shown != f_.手順数) showRecord();
    if (!wanted()) {
        if (asked_) runner().cancel(Request::Board);
        asked_ = false;
        hide();
        requestLine(); // 棋譜解析's, from its own value of the position
        return;
    }
    const engine::Position p = current();
    if (asked_ && p.key == key_) {
        // A hand slot selected or let go: the marks show its kind's drops, from the values
        // already in.
        if (selectedKind() != shownKind_) showBoard();
        requestLine();
        return;
    }
    positionChanged();
    Request& board = board_;
    board.kind = Request::Board;
    board.generation = boardGeneration_ = generation_;
    board.start = p;
    board.count = 0;
    key_ = p.key;
    side_ = p.toMove;
    drops_ = engine::generateDrops(p, moves_);
    known_ = 0;
    whole_ = false;
    std::fill(std::begin(have_), std::end(have_), false);
    asked_ = true;
    boardDirty_ = true;
    showBoard(); // "解析中" until the first values come
    runner().start(board);
}

void Analysis::take(const Result& r) {
    if (r.kind == Request::Line) {
        if (!lineAsked_ || r.generation != lineGeneration_) return;
        if (r.index == -1) {
            lineDone_ = true;
            lineComplete_ = r.value.known();
        } else if (r.index == lineCount_ && lineCount_ < WinningLine::kMost) {
            lineSteps_[lineCount_++] = {r.move, r.side, r.value};
        }
        lineDirty_ = true;
        return;
    }
    if (r.kind == Request::Board) {
        if (!asked_ || r.generation != boardGeneration_) return; // a position no longer shown
        // A value proved stays: a position valued again hands out unknowns before its rounds.
        if (r.index == -1) {
            if (whole_ && value_.known() && !r.value.known()) return;
            whole_ = true;
            value_ = r.value;
            boardDirty_ = true;
            return;
        }
        if (r.index < 0 || r.index >= drops_ || !(moves_[r.index] == r.move)) return;
        if (have_[r.index] && values_[r.index].known() && !r.value.known()) return;
        if (!have_[r.index]) ++known_;
        have_[r.index] = true;
        values_[r.index] = r.value;
        boardDirty_ = true;
    } else {
        if (!reviewing_ || r.generation != recordGeneration_) return;
        if (r.index < 0 || r.index > record_.count) return;
        positions_[r.index] = r.value;
        positionKnown_[r.index] = true;
        recordDirty_ = true;
    }
}

void Analysis::flush() {
    if (boardDirty_ && asked_) showBoard();
    if (recordDirty_ && reviewing_) showRecord();
    // A value just in may be the one the line waits for.
    requestLine();
    if (lineDirty_) {
        lineDirty_ = false;
        if (lineShown_ && asked_) showBoard();
        if (reviewing_) showRecord();
    }
}

void Analysis::showBoard() {
    boardDirty_ = false;
    // Per square: the best value known, whether a win is among them, drops still unvalued.
    // With a hand slot selected, only that kind's drop counts: one a square at most.
    const int kind = shownKind_ = selectedKind();
    Value best[engine::squareCount];
    bool any[engine::squareCount] = {}, win[engine::squareCount] = {};
    int waiting[engine::squareCount] = {};
    for (int i = 0; i < drops_; ++i) {
        if (kind != 0 && moves_[i].kind != kind) continue;
        const int sq = moves_[i].sq;
        if (!have_[i]) {
            ++waiting[sq];
            continue;
        }
        const Value v = values_[i];
        if (!any[sq] || better(v, best[sq])) best[sq] = v;
        any[sq] = true;
        win[sq] = win[sq] || v.kind == Value::Win;
    }
    view_.count = 0;
    for (int sq = 0; sq < engine::squareCount; ++sq) {
        if (!any[sq]) continue;
        // A loss is shown only once no drop there can still turn out better.
        if (!win[sq] && (waiting[sq] > 0 || best[sq].kind != Value::Loss)) continue;
        const int X = engine::columnOf(sq), Y = engine::rowOf(sq);
        AnalysisMark& m = view_.marks[view_.count++];
        m.x1 = static_cast<float>(F::横位置(X));
        m.y1 = static_cast<float>(F::縦位置(Y));
        m.x2 = static_cast<float>(F::横位置(X + 1));
        m.y2 = static_cast<float>(F::縦位置(Y + 1));
        m.win = best[sq].kind == Value::Win;
        m.n = best[sq].n;
    }
    if (!whole_) {
        fill(line_, 訳("解析中…"), 0);
    } else {
        valueLine(line_, value_, side_);
    }
    view_.line = line_;
    view_.lineX = static_cast<float>(F::横位置(行X));
    view_.lineY = static_cast<float>(F::縦位置(行Y));
    view_.points = 行の大きさ;
    view_.moves = {};
    if (lineShown_ && lineAsked_) {
        lineText_.clear();
        lineMoves(lineText_);
        view_.moves = lineText_;
    }
    shown_ = true;
    f_.window().showAnalysis(view_);
}

void Analysis::valueLine(char (&out)[128], Value v, int side) const {
    if (v.kind == Value::Win) {
        winsIn(out, side, v.n);
    } else if (v.kind == Value::Loss) {
        winsIn(out, side ^ 1, v.n);
    } else {
        fill(out, 訳("形勢不明"), 0);
    }
}

int Analysis::selectedKind() const {
    if (f_.選択状態 != 1) return 0;
    const int kind = piece::kindOf(f_.指し手[6]);
    return kind >= 1 && kind <= engine::kindCount ? kind : 0;
}

std::string Analysis::tip(int X, int Y) const {
    std::string out;
    if (!shown_ || !asked_ || X < 1 || X > 9 || Y < 1 || Y > 9) return out;
    const int sq = engine::squareOf(X, Y);
    // The drops on the square, best first; those not yet valued count as unknown.
    int order[engine::kindCount];
    int n = 0;
    for (int i = 0; i < drops_ && n < engine::kindCount; ++i) {
        if (moves_[i].sq == sq) order[n++] = i;
    }
    const auto valueOf = [this](int i) { return have_[i] ? values_[i] : Value{}; };
    std::stable_sort(order, order + n,
                     [&](int a, int b) { return better(valueOf(a), valueOf(b)); });
    static constexpr std::string_view kinds[] = {"",   "歩", "香", "桂", "銀",
                                                 "金", "角", "飛", "王"};
    for (int j = 0; j < n; ++j) {
        const int i = order[j];
        char value[128];
        if (!have_[i]) {
            fill(value, 訳("解析中…"), 0);
        } else if (values_[i].known()) {
            valueLine(value, values_[i], side_);
        } else {
            fill(value, 訳("不明"), 0);
        }
        if (j > 0) out += '\n';
        out += texts::fill(訳("%1　%2"), {kinds[moves_[i].kind], value});
    }
    return out;
}

bool Analysis::fastestWin(engine::Move& m) const {
    if (!asked_ || !whole_ || value_.kind != Value::Win || current().key != key_) return false;
    for (int i = 0; i < drops_; ++i) {
        if (have_[i] && values_[i] == value_) {
            m = moves_[i];
            return true;
        }
    }
    return false;
}

// ---- The proved line ----

bool Analysis::lineAt(float x, float y) const {
    // The band under the board that holds the line and the drops written under it.
    if (!shown_ || !whole_ || !value_.known()) return false;
    return x >= F::横位置(1) && x < F::横位置(10) && y >= F::縦位置(10) && y < F::縦位置(11);
}

bool Analysis::toggleLine() {
    if (lineShown_) {
        lineShown_ = false;
        if (!reviewing_) forgetLine();
        if (asked_) showBoard();
        return true;
    }
    if (!shown_ || !whole_ || !value_.known()) return false;
    lineShown_ = true;
    requestLine();
    showBoard();
    return true;
}

bool Analysis::lineValue(Value& v, engine::Move& first) const {
    if (f_.手番 != F::先手 && f_.手番 != F::後手) return false;
    const engine::Position p = current();
    first = {};
    if (asked_ && whole_ && value_.known() && p.key == key_) {
        v = value_;
        for (int i = 0; i < drops_; ++i) {
            if (have_[i] && values_[i] == value_) {
                first = moves_[i];
                break;
            }
        }
        return true;
    }
    // Else 棋譜解析's value of the position on the board, when it has one.
    const int k = f_.手順数;
    if (!reviewing_ || k < 0 || k > record_.count || !positionKnown_[k] || (k > 0 && rowMade_[k]) ||
        !positions_[k].known() || recordChanged())
        return false;
    const int toMove = k < record_.count ? record_.sides[k] : record_.sides[k - 1] ^ 1;
    if (k == 0 ? p.toMove != 0 : toMove != p.toMove) return false;
    v = positions_[k];
    return true;
}

void Analysis::requestLine() {
    if (!lineShown_ && !reviewing_) return;
    const engine::Position p = current();
    if (lineAsked_ && p.key == lineKey_) return;
    if (lineAsked_) {
        forgetLine(); // another position's
        lineDirty_ = true;
    }
    Value v;
    engine::Move first;
    if (!lineValue(v, first)) return;
    forgetLine();
    lineAsked_ = true;
    lineKey_ = p.key;
    lineValue_ = v;
    lineSide_ = p.toMove;
    Request& r = lineRequest_;
    r.kind = Request::Line;
    r.generation = lineGeneration_ = ++generation_;
    r.start = p;
    r.value = v;
    r.count = first.isPass() ? 0 : 1;
    r.moves[0] = first;
    runner().start(r);
}

void Analysis::forgetLine() {
    if (lineAsked_) runner().cancel(Request::Line);
    lineAsked_ = lineDone_ = lineComplete_ = lineDirty_ = false;
    lineCount_ = 0;
}

void Analysis::lineMoves(std::string& out) const {
    for (int i = 0; i < lineCount_; ++i) {
        const LineStep& s = lineSteps_[i];
        if (i > 0) out += ' ';
        out += 指し手の表示(piece::codeOf(s.side == 0 ? F::先手 : F::後手, s.move.kind),
                            engine::columnOf(s.move.sq), engine::rowOf(s.move.sq));
    }
    if (!lineDone_) {
        if (lineCount_ > 0) out += ' ';
        out += 訳("読み筋を調べています…");
    } else if (!lineComplete_) {
        if (lineCount_ > 0) out += ' ';
        out += 訳("…この先は証明されていません");
    }
}

// ---- 棋譜解析 ----

bool Analysis::recordChanged() const {
    const int count = std::min(f_.手順最大, kMaxRecord);
    if (count != record_.count) return true;
    for (int n = 1; n <= count; ++n) {
        const int code = f_.手順_移動先駒[n];
        const engine::Move m{
            static_cast<std::int8_t>(engine::squareOf(f_.手順_移動先X[n], f_.手順_移動先Y[n])),
            static_cast<std::int8_t>(piece::kindOf(code))};
        if (!(record_.moves[n - 1] == m)) return true;
    }
    return false;
}

void Analysis::review() {
    if (f_.手順最大 < 1) {
        f_.window().messageBox(訳("解析する手がありません"), 訳("棋譜解析"), MessageIcon::None);
        return;
    }
    reviewing_ = true;
    requestRecord();
    update();
}

void Analysis::requestRecord() {
    Request& r = record_;
    r.kind = Request::Record;
    r.generation = recordGeneration_ = ++generation_;
    // The game's start: an empty board, full hands, 先手 to move.
    const int empty[10][10] = {};
    r.start = engine::Position{};
    r.start.load(empty);
    r.start.setHands(piece::初期数, piece::初期数, 0);
    r.count = 0;
    for (int n = 1; n <= f_.手順最大 && n <= kMaxRecord; ++n) {
        const int code = f_.手順_移動先駒[n];
        const int x = f_.手順_移動先X[n], y = f_.手順_移動先Y[n];
        if (x < 1 || x > 9 || y < 1 || y > 9 || piece::kindOf(code) == 0) break;
        r.moves[r.count] = {static_cast<std::int8_t>(engine::squareOf(x, y)),
                            static_cast<std::int8_t>(piece::kindOf(code))};
        r.sides[r.count] = static_cast<std::int8_t>(code < 0 ? 0 : 1);
        ++r.count;
    }
    std::fill(std::begin(positionKnown_), std::end(positionKnown_), false);
    // Which drops made a row, the game's own judgement, so a finished game ends in a win.
    engine::Position p = r.start;
    for (int k = 0; k < r.count; ++k) {
        if (p.toMove != r.sides[k]) p.pass();
        rowMade_[k + 1] = p.rowOfThree(p.toMove, r.moves[k].sq);
        p.drop(r.moves[k].sq, r.moves[k].kind);
    }
    recordDirty_ = false;
    showRecord();
    if (r.count > 0) {
        runner().start(r);
    } else {
        runner().cancel(Request::Record); // the record was cleared: nothing to value
    }
}

void Analysis::showRecord() {
    recordDirty_ = false;
    ReviewView& v = review_;
    const Request& r = record_;
    v.count = r.count;
    v.shown = f_.手順数;
    v.title = 訳("棋譜解析");
    // The value of position k for the side `side`, and whether it is known.
    auto valueFor = [&](int k, int side, Value& out) {
        if (k >= 1 && rowMade_[k]) {
            out = r.sides[k - 1] == side ? Value{Value::Win, 0} : Value{Value::Loss, 0};
            return true;
        }
        if (!positionKnown_[k]) return false;
        const int toMove = k < r.count ? r.sides[k] : r.sides[k - 1] ^ 1;
        out = toMove == side ? positions_[k] : flip(positions_[k]);
        return true;
    };
    // The loser: the side that suffered the row, else the side lost at the last position.
    int loser = -1;
    Value last;
    if (r.count > 0 && valueFor(r.count, 0, last) && last.kind != Value::Unknown) {
        loser = last.kind == Value::Win ? 1 : 0;
    }
    bool decided = false; // 敗着 found
    bool all = true;
    for (int k = 1; k <= r.count; ++k) {
        ReviewRow& row = v.rows[k - 1];
        const int mover = r.sides[k - 1];
        const std::string move =
            指し手の表示(piece::codeOf(mover == 0 ? F::先手 : F::後手, r.moves[k - 1].kind),
                         engine::columnOf(r.moves[k - 1].sq), engine::rowOf(r.moves[k - 1].sq));
        fill(row.move, move, 0);
        row.mark = "";
        row.weight = 0;
        row.bar = 0;
        Value after, before;
        if (!valueFor(k, mover, after)) {
            all = false;
            fill(row.value, "…", 0);
            continue;
        }
        if (after.kind == Value::Win && after.n == 0) {
            fill(row.value, 訳("勝ち"), 0);
        } else if (after.kind == Value::Win) {
            fill(row.value, 訳("勝ち（あと %d 手）"), after.n);
        } else if (after.kind == Value::Loss) {
            fill(row.value, 訳("負け（あと %d 手）"), after.n);
        } else {
            fill(row.value, 訳("不明"), 0);
        }
        if (after.kind != Value::Unknown) {
            const int winner = after.kind == Value::Win ? mover : mover ^ 1;
            // Taller the nearer the row: full height for the row itself.
            const float height = 1.0f / (1.0f + static_cast<float>(after.n) / 3.0f);
            row.bar = winner == 0 ? height : -height;
        }
        const bool knownBefore = valueFor(k - 1, mover, before);
        if (!decided && mover == loser && after.kind == Value::Loss &&
            !(knownBefore && before.kind == Value::Loss)) {
            row.mark = 訳("敗着");
            row.weight = 2;
            decided = true;
        } else if (knownBefore && before.kind == Value::Win && after.kind != Value::Win) {
            row.mark = 訳("疑問手");
            row.weight = 1;
        }
    }
    for (int k = 0; k <= r.count; ++k) all = all && (positionKnown_[k] || (k > 0 && rowMade_[k]));
    fill(status_, all ? std::string_view() : 訳("解析中…"), 0);
    v.status = status_;
    v.line = {};
    if (lineAsked_) {
        char value[128];
        valueLine(value, lineValue_, lineSide_);
        reviewLine_ = value;
        reviewLine_ += '\n';
        lineMoves(reviewLine_);
        v.line = reviewLine_;
    }
    f_.window().showReview(v);
}

void Analysis::endReview() {
    if (!reviewing_) return;
    reviewing_ = false;
    runner().cancel(Request::Record);
    if (!lineShown_) forgetLine();
}

void Analysis::goTo(int k) {
    // Each step is 戻 or 進 itself, with its sound and, onto a winning move, its message.
    for (int guard = 0; guard < 2 * kMaxRecord && f_.手順数 != k && !f_.終了済み(); ++guard) {
        const int before = f_.手順数;
        if (f_.手順数 > k) {
            f_.REPLAY_Click();
        } else if (f_.手順数 < f_.手順最大) {
            f_.AFTER_Click();
        }
        if (f_.手順数 == before) break;
    }
    update();
}

} // namespace tarvenko::analysis
