// Game records in files. A record is checked move by move on a scratch game of its own, with
// the game's own rule procedures, so a record that fails leaves the game on screen untouched.
#include "record/kifu.h"
#include "texts/Texts.h"

#include "home/Home.h"
#include "rules/pieces.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace tarvenko::kifu {

namespace {

using F = Form1;

constexpr std::string_view 先手印 = "▲", 後手印 = "△";
constexpr std::string_view 筋名[10] = {"", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr std::string_view 段名[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr std::string_view 駒名[9] = {"", "歩", "香", "桂", "銀", "金", "角", "飛", "王"};

constexpr std::string_view 対局_人間 = "対局 人間";
constexpr std::string_view 対局_COM = "対局 COM "; // then the side the human plays
constexpr std::string_view 先手名 = "先手", 後手名 = "後手";
constexpr std::string_view 局面名 = "局面 ";
// The last word of the second line when 後手 made the game's first move: after 戻 to the start
// of a game the computer opened, 対局(COM) → 先手 lets it open again, now as 後手.
constexpr std::string_view 後手から = " 後手から";
// The last word of the third line of a kept game already in the statistics (won, then taken
// back with 戻 and played on): it counts no more when it comes back.
constexpr std::string_view 数え済み = " 数え済み";
// After the side against the computer, its strength, by F::強さ_標準.. F::強さ_最強.
constexpr std::string_view 強さ名[3] = {"標準", "強い", "最強"};

// A record holds at most one move for each of the forty pieces.
constexpr int 最大手数 = 40;
// Far more than any record; a bigger file is not one.
constexpr long 最大バイト数 = 64 * 1024;

const char* const 保存題 = TARVENKO_TEXT("棋譜を保存");
const char* const 開く題 = TARVENKO_TEXT("棋譜を開く");

// The rule procedures draw nothing, but a game needs a window and a sound library.
class NoWindow final : public Window {
  public:
    void setBackground(int) override {}
    void drawPicture(Picture, float, float) override {}
    void drawBox(float, float, float, float, int) override {}
    void fillBox(float, float, float, float, int) override {}
    void drawText(float, float, std::string_view, float, bool, int) override {}
    void refresh() override {}
    void messageBox(std::string_view, std::string_view, MessageIcon) override {}
    void setMusicChecked(bool) override {}
    bool musicChecked() const override { return false; }
    double seconds() override { return 0; }
    void sleep(double) override {}
    float top() const override { return 0; }
    void place(float, float, float, float) override {}
    std::int32_t handle() const override { return 0; }
    void quit() override {}
};

class NoSound final : public SoundLibrary {
  public:
    std::int32_t dsInitialize(std::int32_t) override { return 0; }
    std::int32_t dsCreateDSB(std::int32_t, const void*, std::int32_t, std::int32_t) override {
        return 0;
    }
    std::int32_t dsPlay(std::int32_t) override { return 0; }
    std::int32_t dsPlayLooping(std::int32_t) override { return 0; }
    std::int32_t dsStop(std::int32_t) override { return 0; }
    std::int32_t dsFree(std::int32_t) override { return 0; }
    std::int32_t dsTerminate(std::int32_t) override { return 0; }
};

class NoFiles final : public Files {
  public:
    Opened open(std::string_view) override { return {}; }
    bool read(int, std::uint64_t, unsigned char*, std::size_t) override { return false; }
    void close(int) override {}
    Written replace(std::string_view, std::string_view) override { return Written::Failed; }
};

struct Move {
    int side, kind, x, y;
};

// A record as read: who plays, the moves, and the entry the position is at.
struct Record {
    int mode = F::モード_人間;
    int human = F::先手;
    int strength = F::強さ_標準; // a record without it is 標準's
    int at = 0;
    int count = 0;
    bool ended = false; // the last move makes a row of three
    bool goteFirst = false;
    bool counted = false;
    Move moves[最大手数];
    bool lastUnanswerable = false; // the side after the last move can drop nowhere
};

bool take(std::string_view& s, std::string_view token) {
    if (s.substr(0, token.size()) != token) return false;
    s.remove_prefix(token.size());
    return true;
}

bool takeLast(std::string_view& s, std::string_view token) {
    if (s.size() < token.size() || s.substr(s.size() - token.size()) != token) return false;
    s.remove_suffix(token.size());
    return true;
}

// Index 1..n of the entry of `names` that starts s, consumed; 0 when none does.
template <std::size_t N> int takeOne(std::string_view& s, const std::string_view (&names)[N]) {
    for (std::size_t i = 1; i < N; ++i) {
        if (take(s, names[i])) return static_cast<int>(i);
    }
    return 0;
}

bool parseMove(std::string_view s, Move& m) {
    if (take(s, 先手印)) {
        m.side = F::先手;
    } else if (take(s, 後手印)) {
        m.side = F::後手;
    } else {
        return false;
    }
    const int file = takeOne(s, 筋名);
    const int row = takeOne(s, 段名);
    m.kind = takeOne(s, 駒名);
    m.x = 10 - file;
    m.y = row;
    return file != 0 && row != 0 && m.kind != 0 && s.empty();
}

bool parseCount(std::string_view s, int& n) {
    if (s.empty() || s.size() > 2) return false;
    n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    return true;
}

} // namespace

bool canDrop(F& g, int side) {
    g.調査_利き筋(-side);
    const int open = g.調査_利筋あるか();
    g.調査_2歩フラグ設定();
    const int col = side == F::先手 ? F::先手持駒列 : F::後手持駒列;
    for (int kind = 1; kind <= piece::種類数; ++kind) {
        const int row = piece::handRow(side, kind);
        if (g.取得_持駒数(side, row) <= 0) continue;
        for (int x = 1; x <= 9; ++x) {
            for (int y = 1; y <= 9; ++y) {
                if (open == F::真 && g.利き筋[x][y] != F::真) continue;
                if (g.移動チェック(col, row, x, y, piece::codeOf(side, kind)) == F::真) return true;
            }
        }
    }
    return false;
}

namespace {

// The reason the move m is refused in g's position, or nullptr when it is a legal drop.
const char* refusal(F& g, const Move& m) {
    const int other = -m.side;
    const int row = piece::handRow(m.side, m.kind);
    const int code = piece::codeOf(m.side, m.kind);
    if (g.取得_持駒数(m.side, row) <= 0) return TARVENKO_TEXT("持駒にその駒がありません");
    if (g.盤[m.x][m.y] != F::空き) return TARVENKO_TEXT("そのマスには駒があります");
    g.調査_利き筋(other);
    if (g.調査_利筋あるか() == F::真 && g.利き筋[m.x][m.y] == F::偽) {
        return TARVENKO_TEXT("相手の利き筋に置いていません");
    }
    g.調査_2歩フラグ設定();
    if (g.移動チェック_2歩か(m.x, code) == F::真) return TARVENKO_TEXT("そこは二歩です");
    const int col = m.side == F::先手 ? F::先手持駒列 : F::後手持駒列;
    if (g.移動チェック(col, row, m.x, m.y, code) == F::偽)
        return TARVENKO_TEXT("その段には打てません");
    return nullptr;
}

void put(F& g, const Move& m) {
    g.盤[m.x][m.y] = piece::codeOf(m.side, m.kind);
    if (m.side == F::先手) {
        g.先手持駒[m.kind] -= 1;
        g.先手持駒合計 -= 1;
    } else {
        g.後手持駒[m.kind] -= 1;
        g.後手持駒合計 -= 1;
    }
}

void fullHands(F& g) {
    int total = 0;
    for (int k = 0; k <= piece::種類数; ++k) {
        g.先手持駒[k] = g.後手持駒[k] = piece::初期数[k];
        total += piece::初期数[k];
    }
    g.先手持駒合計 = g.後手持駒合計 = total;
}

// Reads and checks the whole text; r holds the record when the result is true.
bool read(std::string_view text, Record& r, Refusal& why) {
    NoWindow window;
    NoSound sound;
    NoFiles files;
    F g(window, sound, files); // an empty board
    fullHands(g);

    bool won = false;
    int number = 0, atLine = 0;
    bool blankSeen = false;
    auto refuse = [&](int line, const char* reason) {
        why.line = line;
        why.reason = reason;
        return false;
    };
    take(text, "\xEF\xBB\xBF"); // a byte-order mark some editors write
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (number == 1) {
            if (line == 見出し) continue;
            if (take(line, "Tarvenko 棋譜 "))
                return refuse(1, TARVENKO_TEXT("この版の棋譜は読めません"));
            return refuse(1, TARVENKO_TEXT("Tarvenko の棋譜ではありません"));
        }
        if (number == 2) {
            r.goteFirst = takeLast(line, 後手から);
            if (line == 対局_人間) {
                r.mode = F::モード_人間;
            } else if (take(line, 対局_COM)) {
                r.mode = F::モード_COM;
                if (take(line, 先手名)) {
                    r.human = F::先手;
                } else if (take(line, 後手名)) {
                    r.human = F::後手;
                } else {
                    return refuse(2, TARVENKO_TEXT("対局の行が違います"));
                }
                if (take(line, " ")) {
                    int s = 0;
                    while (s < 3 && line != 強さ名[s]) ++s;
                    if (s == 3) return refuse(2, TARVENKO_TEXT("強さが違います"));
                    r.strength = s;
                } else if (!line.empty()) {
                    return refuse(2, TARVENKO_TEXT("対局の行が違います"));
                }
            } else {
                return refuse(2, TARVENKO_TEXT("対局の行が違います"));
            }
            continue;
        }
        if (number == 3) {
            r.counted = takeLast(line, 数え済み);
            if (!take(line, 局面名) || !parseCount(line, r.at)) {
                return refuse(3, TARVENKO_TEXT("局面の行が違います"));
            }
            atLine = 3;
            continue;
        }
        // Empty lines may only end the file.
        if (line.empty()) {
            blankSeen = true;
            continue;
        }
        if (blankSeen) return refuse(number, TARVENKO_TEXT("空の行の後に続きがあります"));
        Move m{};
        if (!parseMove(line, m)) return refuse(number, TARVENKO_TEXT("指し手が読めません"));
        if (won) return refuse(number, TARVENKO_TEXT("三つ並んで勝負がついた後の指し手です"));
        if (r.count == 最大手数) return refuse(number, TARVENKO_TEXT("持駒にその駒がありません"));
        // 先手 opens (it can always drop at the start), or 後手 where the record says so; then
        // turns alternate, and a side moves twice only when the other could drop nowhere.
        if (r.count == 0 && m.side != (r.goteFirst ? F::後手 : F::先手))
            return refuse(number, TARVENKO_TEXT("手番が違います"));
        if (r.count > 0 && r.moves[r.count - 1].side == m.side && canDrop(g, -m.side)) {
            return refuse(number, TARVENKO_TEXT("手番が違います"));
        }
        if (const char* reason = refusal(g, m)) return refuse(number, reason);
        put(g, m);
        won = g.終了_判定(m.side, m.x, m.y) == F::真;
        r.moves[r.count++] = m;
    }
    if (number < 3) return refuse(number + 1, TARVENKO_TEXT("棋譜が途中で終わっています"));
    if (r.goteFirst && r.count == 0) return refuse(2, TARVENKO_TEXT("対局の行が違います"));
    if (r.at > r.count)
        return refuse(atLine, TARVENKO_TEXT("局面の番号が指し手の数を超えています"));
    r.ended = won;
    if (r.count > 0 && !won) r.lastUnanswerable = !canDrop(g, -r.moves[r.count - 1].side);
    return true;
}

} // namespace

std::string nameOf(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back(); // a folder's name
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string 表記(int code, int x, int y) {
    std::string out;
    if (x < 1 || x > 9 || y < 1 || y > 9 || piece::kindOf(code) == 0) return out;
    out += code < 0 ? 先手印 : 後手印;
    out += 筋名[10 - x];
    out += 段名[y];
    out += 駒名[piece::kindOf(code)];
    return out;
}

std::string text(const Form1& f, bool counted) {
    std::string out;
    out.reserve(64 + 16 * static_cast<std::size_t>(f.手順最大));
    out += 見出し;
    out += '\n';
    if (f.対局モード == F::モード_COM) {
        out += 対局_COM;
        out += f.人間側 == F::後手 ? 後手名 : 先手名;
        out += ' ';
        out += 強さ名[f.強さ >= 0 && f.強さ < 3 ? f.強さ : 0];
    } else {
        out += 対局_人間;
    }
    if (f.手順最大 >= 1 && f.手順_移動先駒[1] > 0) out += 後手から;
    out += '\n';
    out += 局面名;
    out += std::to_string(f.手順数);
    if (counted) out += 数え済み;
    out += '\n';
    for (int n = 1; n <= f.手順最大 && n < F::手順容量; ++n) {
        const int code = f.手順_移動先駒[n];
        const int x = f.手順_移動先X[n], y = f.手順_移動先Y[n];
        if (x < 1 || x > 9 || y < 1 || y > 9) continue;
        out += code < 0 ? 先手印 : 後手印;
        out += 筋名[10 - x];
        out += 段名[y];
        out += 駒名[piece::kindOf(code)];
        out += '\n';
    }
    return out;
}

bool load(Form1& f, std::string_view text, Refusal& why) {
    Record r;
    if (!read(text, r, why)) return false;
    if (Home* home = f.home()) home->gameReplaced(f, r.ended || r.counted);
    f.詰めを終える();

    // The game as 進 leaves it at entry r.at: the board and hands of the moves up to it,
    // the whole record after it.
    f.選択状態 = 0;
    f.対局モード = r.mode;
    f.人間側 = r.mode == F::モード_COM ? r.human : F::先手;
    f.COM側 = -f.人間側;
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) f.盤[x][y] = F::空き;
    }
    fullHands(f);
    for (int n = 1; n <= r.count; ++n) {
        const Move& m = r.moves[n - 1];
        const int code = piece::codeOf(m.side, m.kind);
        f.手順_移動元X[n] = m.side == F::先手 ? F::先手持駒列 : F::後手持駒列;
        f.手順_移動元Y[n] = piece::handRow(m.side, m.kind);
        f.手順_移動先X[n] = m.x;
        f.手順_移動先Y[n] = m.y;
        f.手順_移動元駒[n] = code;
        f.手順_移動先駒[n] = code;
        f.手順_取駒[n] = F::空き;
        if (n <= r.at) put(f, m);
    }
    f.手順数 = f.手数 = r.at;
    f.手順最大 = r.count;
    if (r.mode == F::モード_COM) f.強さを選ぶ(r.strength);
    f.カーソル_初期化();
    f.解析().positionChanged();

    f.描画_黒持盤();
    f.描画_白持盤();
    f.描画_盤();
    if (r.count > 0) {
        f.描画_手数(f.手数, F::色_白);
    } else {
        f.描画_四角形(F::手数表示X, F::手数表示Y, F::手数枠幅, F::手数枠高, F::背景色);
    }
    // Each side's box shows its last move up to the position, as stepping forward left it.
    f.描画_四角形(F::先手結果X, F::先手結果Y, F::結果枠幅, F::結果枠高, F::背景色);
    f.描画_四角形(F::後手結果X, F::後手結果Y, F::結果枠幅, F::結果枠高, F::背景色);
    int last[2] = {0, 0}; // the latest entry of 先手, of 後手
    for (int n = 1; n <= r.at; ++n) last[r.moves[n - 1].side == F::先手 ? 0 : 1] = n;
    for (int n : {std::min(last[0], last[1]), std::max(last[0], last[1])}) {
        if (n > 0)
            f.描画_移動結果(f.手順_移動先X[n], f.手順_移動先Y[n], f.手順_移動先駒[n], F::色_白);
    }

    f.対局中 = F::真;
    if (r.at == 0) {
        f.手番 = r.count > 0 ? r.moves[0].side : F::先手;
        return true;
    }
    const Move& m = r.moves[r.at - 1];
    if (r.at < r.count) {
        f.手番 = r.moves[r.at].side; // the side that made the next move, as after 戻
    } else if (f.終了_判定(m.side, m.x, m.y) == F::真) {
        f.終了_処理(piece::codeOf(m.side, m.kind)); // names the winner; the game is over
    } else {
        f.手番 = -m.side;
        // A computer that can drop nowhere has passed, as play would have: the person moves.
        if (r.mode == F::モード_COM && f.手番 == f.COM側 && r.lastUnanswerable) f.手番 = f.人間側;
    }
    return true;
}

const char* whyNotWritten(Files::Written w) {
    switch (w) {
    case Files::Written::NoFolder:
        return TARVENKO_TEXT("フォルダがありません");
    case Files::Written::NotAllowed:
        return TARVENKO_TEXT("書き込みが許可されていません");
    case Files::Written::DiskFull:
        return TARVENKO_TEXT("ディスクに空きがありません");
    case Files::Written::NotAFile:
        return TARVENKO_TEXT("ファイルではありません");
    default:
        return TARVENKO_TEXT("書き込めません");
    }
}

bool nothingToSave(Form1& f) {
    if (f.手順最大 != 0 || f.対局中 != F::偽) return false;
    f.window().messageBox(訳("保存する対局がありません"), 訳(保存題), MessageIcon::None);
    return true;
}

bool save(Form1& f, const std::string& path) {
    if (nothingToSave(f)) return false;
    const Files::Written w = f.files().replace(path, text(f));
    if (w == Files::Written::Ok) return true;
    f.window().messageBox(std::string(訳("棋譜を保存できませんでした\r\r")) + nameOf(path) + "\r" +
                              std::string(訳(whyNotWritten(w))),
                          訳(保存題), MessageIcon::Exclamation);
    return false;
}

// The file's text, or why it cannot be had. Like the sounds, a record is judged on the opened
// file before it is read: a FIFO or a device never makes the game wait.
const char* readRecord(Files& files, const std::string& path, std::string& body) {
    const Files::Opened opened = files.open(path);
    switch (opened.status) {
    case Files::Status::Missing:
        return TARVENKO_TEXT("ファイルがありません");
    case Files::Status::Unreadable:
        return TARVENKO_TEXT("読み込めません");
    case Files::Status::NotAFile:
        return TARVENKO_TEXT("ファイルではありません");
    case Files::Status::Ok:
        break;
    }
    // A size above the limit is refused unread; any other is read to its end, since some
    // files' sizes say nothing (those under /proc report 0).
    const char* problem = nullptr;
    if (opened.size > static_cast<std::uint64_t>(最大バイト数)) {
        problem = TARVENKO_TEXT("大きすぎます");
    } else {
        try {
            body.assign(static_cast<std::size_t>(最大バイト数) + 1, '\0');
            const std::int64_t got = files.readUpTo(
                opened.file, 0, reinterpret_cast<unsigned char*>(body.data()), body.size());
            if (got < 0) {
                problem = TARVENKO_TEXT("読み込めません");
            } else if (got > 最大バイト数) {
                problem = TARVENKO_TEXT("大きすぎます");
            } else {
                body.resize(static_cast<std::size_t>(got));
            }
        } catch (const std::bad_alloc&) {
            problem = TARVENKO_TEXT("メモリが足りません");
        }
    }
    files.close(opened.file);
    return problem;
}

void cannotOpen(Form1& f, std::string_view name, const char* problem) {
    f.window().messageBox(std::string(訳("棋譜を開けませんでした\r\r")) + std::string(name) + "\r" +
                              std::string(訳(problem)),
                          訳(開く題), MessageIcon::Exclamation);
}

bool openText(Form1& f, std::string_view name, std::string_view body) {
    Refusal why;
    if (load(f, body, why)) return true;
    const std::string line = texts::fill(訳("%1行目: "), {std::to_string(why.line)});
    f.window().messageBox(std::string(訳("棋譜を開けませんでした\r\r")) + std::string(name) + "\r" +
                              line + std::string(訳(why.reason.c_str())),
                          訳(開く題), MessageIcon::Exclamation);
    return false;
}

bool open(Form1& f, const std::string& path) {
    std::string body;
    if (const char* problem = readRecord(f.files(), path, body)) {
        cannotOpen(f, nameOf(path), problem);
        return false;
    }
    return openText(f, nameOf(path), body);
}

bool isRecord(std::string_view text) {
    Record r;
    Refusal why;
    return read(text, r, why);
}

bool summarize(std::string_view text, Summary& summary) {
    Record r;
    Refusal why;
    if (!read(text, r, why)) return false;
    summary = Summary{r.mode, r.human, r.strength, r.ended, r.counted};
    return true;
}

} // namespace tarvenko::kifu

namespace tarvenko {

void Form1::KIFU_SAVE_Click() {
    if (終了済み() || kifu::nothingToSave(*this)) return; // said before a name is asked
    const std::string path = window().askRecordPath(true);
    if (!path.empty()) kifu::save(*this, path);
}

void Form1::KIFU_OPEN_Click() {
    if (終了済み()) return;
    const std::string path = window().askRecordPath(false);
    if (!path.empty()) kifu::open(*this, path);
}

void Form1::ASOBIKATA_Click() {
    if (終了済み()) return;
    window().showHelp();
}

} // namespace tarvenko
