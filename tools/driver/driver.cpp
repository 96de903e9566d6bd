// The headless driver: runs the game with a recording window and sound library and reads
// a script, one command a line (from the file named as the argument, or standard input).
// With --config DIR the settings, the statistics and the kept game are read and written under
// DIR, as the game does with XDG_CONFIG_HOME and XDG_STATE_HOME both DIR; without it, none.
// --state DIR then keeps the games under that DIR instead, as XDG_STATE_HOME would.
// `--lang CODE` first shows every text in that language (en); without it, as written.
//
//   driver [--config DIR [--state DIR]] [--lang CODE] [SCRIPT]
//
//   menu ITEM          a menu item with a command, by name (START, BGM, ...)
//   click X Y [left|right]   mouse-down at (X, Y) twips
//   key CODE...        key-down with a virtual-key code, or several in turn
//   close              the window is closed
//   quit               the program ends as by Esc
//   menu STATS_RESET   the statistics are reset without a question
//   save PATH          棋譜を保存 to PATH (no dialog)
//   open PATH          棋譜を開く from PATH (no dialog)
//                      a relative PATH is taken from the script's folder
//   dump               prints the state; once a LEVEL_ item has been chosen, or always with
//                      --config, it ends with the strength, "強さ" 0 標準, 1 強い, 2 最強
//   analyse [KIND]     the exact value of the position for its side to move, then of each
//                      drop it may make in the generator's order: win N, loss N or unknown;
//                      with a kind (歩 香 桂 銀 金 角 飛 王 or P L N S G B R K), its drops only
//   line               the proved line of play: the winner's drops to its fastest row against
//                      the loser's longest resistance, "…" where the proofs end; "unknown"
//                      while the position's value is, "none" with no side to move
//   wait PATH          waits until PATH exists, so that drivers started together go on at
//                      one moment (a relative PATH is taken from the script's folder)
//   puzzle K           starts puzzle K (from 1, in the chooser's order) as the chooser would
//                      and prints its number, its length and how many there are (its length
//                      "none" when it did not start)
//   choose N           the next box with buttons is answered with its N-th (0: closed)
//   pick K             the next puzzle chooser (menu TSUME) starts puzzle K (0: cancelled)
//
// Once 解析 has been chosen, after each command whose marks differ from the last printed:
//   marks LINE ROWS [DROPS]  the line under the board, then the nine rows from the top, each
//                      square from the left: +N a win in N for the side to move, -N a loss,
//                      . no mark; then the proved line of play while it is shown (a click on
//                      the line, or key 76, L). With a hand slot selected, that kind's drops.
// 棋譜解析 (menu REVIEW) prints each move it marks as a message line, 棋譜解析 its title.
//
// Output, tab-separated, one line each, in the order things happen:
//   message TITLE TEXT ICON | sound OP HANDLE-NAME | state JSON | exit | error LINE REASON
//   | analysis SIDE VALUE (先手 or 後手, or "none" with no side to move) | analysis DROP VALUE
//   | line DROPS
//   | puzzle K N COUNT | choice TITLE TEXT BUTTON|BUTTON|... CHOSEN (the button, or none)
//   | chooser TITLE HEADING NUMBERS (each length's puzzles, ✓ after one solved) or
//     chooser TITLE TEXT (none to choose)
#include "analysis/WinningLine.h"
#include "engine/ExactValues.h"
#include "game/Form1.h"
#include "game/menu_table.h"
#include "home/Home.h"
#include "platform/qt/QtHome.h"
#include "platform/posix/PosixFiles.h"
#include "platform/qt/Language.h"
#include "record/kifu.h"
#include "Recording.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>

using namespace tarvenko;

namespace {

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

const char* soundName(const Form1& f, std::int32_t h) {
    if (h == f.音_その他) return "音_その他";
    if (h == f.音_禁止) return "音_禁止";
    if (h == f.音_駒打) return "音_駒打";
    if (h == f.音_終局) return "音_終局";
    if (h == f.音_BGM) return "音_BGM";
    return nullptr;
}

template <std::size_t N> void array(std::ostream& o, const int (&a)[N], std::size_t from = 0) {
    o << '[';
    for (std::size_t i = from; i < N; ++i) o << (i > from ? "," : "") << a[i];
    o << ']';
}

void dump(std::ostream& o, const Form1& f, const RecordingWindow& w, bool strength) {
    o << "state\t{\"手番\":" << f.手番 << ",\"手数\":" << f.手数 << ",\"対局中\":" << f.対局中
      << ",\"対局モード\":" << f.対局モード << ",\"人間側\":" << f.人間側
      << ",\"COM側\":" << f.COM側 << ",\"選択状態\":" << f.選択状態 << ",\"指し手\":";
    array(o, f.指し手);
    o << ",\"盤\":[";
    for (int y = 1; y <= 9; ++y) {
        o << (y > 1 ? "," : "") << '[';
        for (int x = 1; x <= 9; ++x) o << (x > 1 ? "," : "") << f.盤[x][y];
        o << ']';
    }
    o << "],\"先手持駒\":";
    array(o, f.先手持駒);
    o << ",\"後手持駒\":";
    array(o, f.後手持駒);
    o << ",\"先手持駒合計\":" << f.先手持駒合計 << ",\"後手持駒合計\":" << f.後手持駒合計
      << ",\"手順数\":" << f.手順数 << ",\"手順最大\":" << f.手順最大 << ",\"手順\":[";
    for (int n = 1; n <= f.手順最大 && n < Form1::手順容量; ++n) {
        o << (n > 1 ? "," : "") << '[' << f.手順_移動元X[n] << ',' << f.手順_移動元Y[n] << ','
          << f.手順_移動先X[n] << ',' << f.手順_移動先Y[n] << ',' << f.手順_移動元駒[n] << ','
          << f.手順_移動先駒[n] << ',' << f.手順_取駒[n] << ']';
    }
    o << "],\"BGM\":" << (w.musicChecked() ? 1 : 0);
    if (strength) o << ",\"強さ\":" << f.強さ;
    o << "}\n";
}

std::string marks(const AnalysisView& v) {
    std::string cell[10][10];
    for (int i = 0; i < v.count; ++i) {
        const AnalysisMark& m = v.marks[i];
        const int x = static_cast<int>((m.x1 - Form1::原点X) / Form1::桝幅 + 0.5);
        const int y = static_cast<int>((m.y1 - Form1::原点Y) / Form1::桝高 + 0.5);
        if (x >= 1 && x <= 9 && y >= 1 && y <= 9)
            cell[x][y] = (m.win ? "+" : "-") + std::to_string(m.n);
    }
    std::string out = "marks\t" + std::string(v.line) + '\t';
    for (int y = 1; y <= 9; ++y) {
        for (int x = 1; x <= 9; ++x)
            out += (x > 1 ? " " : "") + (cell[x][y].empty() ? "." : cell[x][y]);
        out += y < 9 ? "/" : "";
    }
    if (!v.moves.empty()) out += '\t' + std::string(v.moves);
    return out + '\n';
}

std::string valueText(engine::Value v) {
    switch (v.kind) {
    case engine::Value::Win:
        return "win " + std::to_string(v.n);
    case engine::Value::Loss:
        return "loss " + std::to_string(v.n);
    default:
        return "unknown";
    }
}

// The analyser of `analyse` and `line`, made once.
engine::Analyser& analyser() {
    static auto made = std::make_unique<engine::Analyser>();
    return *made;
}

// The position on the board with its side to move (0 先手, 1 後手); false with none to move.
bool onBoard(const Form1& f, engine::Position& p) {
    if (f.手番 != Form1::先手 && f.手番 != Form1::後手) return false;
    p.load(f.盤);
    p.setHands(f.先手持駒, f.後手持駒, f.手番 == Form1::先手 ? 0 : 1);
    return true;
}

// The kind 1..8 named by its kanji or its English letter, 0 for none.
int kindNamed(const std::string& name) {
    static const char* const kanji[] = {"歩", "香", "桂", "銀", "金", "角", "飛", "王"};
    static const char* const letters[] = {"P", "L", "N", "S", "G", "B", "R", "K"};
    for (int k = 0; k < 8; ++k) {
        if (name == kanji[k] || name == letters[k]) return k + 1;
    }
    return 0;
}

// The exact values of the position on the board and of every drop of its side to move, or
// only of the drops of `kind` when it is not 0.
void analyse(std::ostream& o, const Form1& f, int kind) {
    engine::Position p;
    if (!onBoard(f, p)) {
        o << "analysis\tnone\n";
        return;
    }
    static engine::DropValue values[engine::maxMoves];
    const int side = p.toMove;
    const int n = analyser().analyse(p, engine::Analyser::defaultBudget, values);
    o << "analysis\t" << (side == 0 ? "先手" : "後手") << '\t' << valueText(analyser().value())
      << '\n';
    for (int i = 0; i < n; ++i) {
        const engine::Move m = values[i].move;
        if (kind != 0 && m.kind != kind) continue;
        o << "analysis\t"
          << kifu::表記(engine::codeOf(side, m.kind), engine::columnOf(m.sq), engine::rowOf(m.sq))
          << '\t' << valueText(values[i].value) << '\n';
    }
}

// The proved line of the position on the board, worked out here and now: the position's
// value first, with the rounds the window gives a position that stays, then the line.
void provedLine(std::ostream& o, const Form1& f) {
    engine::Position p;
    if (!onBoard(f, p)) {
        o << "line\tnone\n";
        return;
    }
    static engine::DropValue values[engine::maxMoves];
    engine::Analyser& a = analyser();
    const int n = a.analyse(p, engine::Analyser::defaultBudget, values);
    for (const auto& round : engine::Analyser::refineRounds) {
        if (a.value().known()) break;
        a.refine(p, round.each, round.all, values);
    }
    const engine::Value v = a.value();
    if (!v.known()) {
        o << "line\tunknown\n";
        return;
    }
    engine::Move first;
    for (int i = 0; i < n && first.isPass(); ++i) {
        if (values[i].value == v) first = values[i].move;
    }
    static analysis::WinningLine proved;
    analysis::winningLine(a, p, v, engine::Analyser::defaultBudget, proved, nullptr, first);
    o << "line\t";
    for (int i = 0; i < proved.count; ++i) {
        const analysis::LineStep& s = proved.steps[i];
        o << (i > 0 ? " " : "")
          << kifu::表記(engine::codeOf(s.side, s.move.kind), engine::columnOf(s.move.sq),
                        engine::rowOf(s.move.sq));
    }
    o << (proved.complete ? "" : proved.count > 0 ? " …" : "…") << '\n';
}

bool parseInt(const std::string& s, long& out) {
    if (s.empty()) return false;
    std::size_t used = 0;
    try {
        out = std::stol(s, &used);
    } catch (...) {
        return false;
    }
    return used == s.size() && out >= -1000000000L && out <= 1000000000L;
}

} // namespace

int main(int argc, char** argv) {
    std::ifstream file;
    std::istream* in = &std::cin;
    std::string base; // the script's folder, ending in '/', or none for standard input
    std::string config, state;
    // The options, in either order, before the script.
    while (argc > 2) {
        const std::string option = argv[1];
        if (option == "--lang") {
            tarvenko::language::use(QString::fromLatin1(argv[2]));
        } else if (option == "--config") {
            config = argv[2];
        } else if (option == "--state") {
            state = argv[2];
        } else {
            break;
        }
        argc -= 2;
        argv += 2;
    }
    if (argc > 1) {
        file.open(argv[1]);
        if (!file) {
            std::cout << "error\t0\tcannot open " << argv[1] << "\n";
            return 2;
        }
        in = &file;
        const std::string script = argv[1];
        const auto slash = script.rfind('/');
        if (slash != std::string::npos) base = script.substr(0, slash + 1);
    }

    RecordingWindow window;
    RecordingSound sound;
    PosixFiles files; // the current folder
    Form1 form(window, sound, files);
    std::ostream& out = std::cout;
    std::unique_ptr<QtHome> places;
    std::unique_ptr<Home> home;
    if (!config.empty()) {
        const QString folder = QString::fromLocal8Bit(config.c_str());
        places = std::make_unique<QtHome>(
            folder, state.empty() ? folder : QString::fromLocal8Bit(state.c_str()));
        home = std::make_unique<Home>(*places, *places, *places);
        form.住まいを使う(home.get());
    }

    window.onMessage = [&](const RecordingWindow::Message& m) {
        out << "message\t" << escape(m.title) << '\t' << escape(m.text) << '\t'
            << (m.icon == MessageIcon::Exclamation ? "exclamation" : "none") << '\n';
    };
    window.onChoice = [&](const RecordingWindow::Choice& c) {
        out << "choice\t" << escape(c.title) << '\t' << escape(c.text) << '\t';
        for (std::size_t i = 0; i < c.buttons.size(); ++i) out << (i ? "|" : "") << c.buttons[i];
        out << '\t'
            << (c.chosen >= 0 && c.chosen < static_cast<int>(c.buttons.size())
                    ? c.buttons[static_cast<std::size_t>(c.chosen)]
                    : std::string("none"))
            << '\n';
    };
    window.onChooser = [&](const RecordingWindow::Chooser& c) {
        if (c.entries.empty()) out << "chooser\t" << c.title << '\t' << c.none << '\n';
        for (int n = 0; n < 8; ++n) {
            std::string numbers;
            for (const PuzzleEntry& e : c.entries) {
                if (e.length != n) continue;
                numbers += (numbers.empty() ? "" : " ") + std::to_string(e.number);
                if (e.solved) numbers += "✓";
            }
            if (!numbers.empty())
                out << "chooser\t" << c.title << '\t' << c.groups[n] << '\t' << numbers << '\n';
        }
    };
    sound.onCall = [&](const RecordingSound::Call& c) {
        const std::string op = c.op;
        if (c.handle == 0 || (op != "play" && op != "loop" && op != "stop" && op != "free")) return;
        const char* name = soundName(form, c.handle);
        out << "sound\t" << op << '\t' << (name ? name : std::to_string(c.handle).c_str()) << '\n';
    };

    form.Form_Load();

    std::string line;
    int number = 0;
    bool strengthShown = false;
    bool analysisUsed = false;
    std::string marksShown = marks(AnalysisView{});
    while (std::getline(*in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string cmd;
        if (!(words >> cmd) || cmd[0] == '#') continue;
        std::string a, b, c, extra;
        words >> a >> b >> c >> extra;
        auto fail = [&](const std::string& why) {
            out << "error\t" << number << '\t' << why << '\n';
            out.flush();
            return 2;
        };

        if (cmd == "menu" && a == "STATS_RESET") {
            if (!b.empty()) return fail("menu takes one item name");
            if (home) home->resetStatistics();
        } else if (cmd == "menu") {
            if (a.empty() || !b.empty()) return fail("menu takes one item name");
            const MenuItem* item = findMenuCommand(a);
            if (item == nullptr) return fail("unknown menu item: " + a);
            const int reviews = window.reviews;
            (form.*item->handler)();
            // Scripts written before there were strengths keep their dumps as they were.
            strengthShown = strengthShown || a.rfind("LEVEL_", 0) == 0;
            analysisUsed = analysisUsed || a == "ANALYSIS";
            if (a == "REVIEW" && window.reviews != reviews) {
                // The marks 棋譜解析 shows beside the moves.
                const ReviewView& v = window.review;
                for (int k = 0; k < v.count; ++k) {
                    if (v.rows[k].mark.empty()) continue;
                    out << "message\t" << v.title << '\t' << k + 1 << ' ' << v.rows[k].move << ' '
                        << v.rows[k].mark << ' ' << v.rows[k].value << "\tnone\n";
                }
            }
        } else if (cmd == "click") {
            long x = 0, y = 0;
            if (!parseInt(a, x) || !parseInt(b, y)) return fail("click takes X Y in twips");
            int button = Form1::左ボタン;
            if (c == "right")
                button = Form1::右ボタン;
            else if (!c.empty() && c != "left")
                return fail("button must be left or right");
            if (!extra.empty()) return fail("too many words");
            form.Form_MouseDown(button, 0, static_cast<float>(x), static_cast<float>(y));
        } else if (cmd == "key") {
            // One or more codes, pressed in turn.
            std::istringstream codes(line.substr(line.find(cmd) + cmd.size()));
            std::string word;
            int pressed = 0;
            for (long code = 0; codes >> word;) {
                if (!parseInt(word, code)) return fail("key takes codes");
                ++pressed;
                form.Form_KeyDown(static_cast<int>(code), 0);
                if (window.quitCalled) break;
            }
            if (pressed == 0) return fail("key takes codes");
        } else if (cmd == "quit") {
            if (!a.empty()) return fail("quit takes nothing");
            form.Form_KeyDown(27, 0);
        } else if (cmd == "close") {
            if (!a.empty()) return fail("close takes nothing");
            int cancel = 0;
            form.Form_Unload(cancel);
        } else if (cmd == "wait") {
            if (a.empty() || !b.empty()) return fail("wait takes a path");
            const std::string path = a[0] == '/' ? a : base + a;
            struct stat info {};
            while (::stat(path.c_str(), &info) != 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        } else if (cmd == "save" || cmd == "open") {
            // The rest of the line, spaces included, is the path.
            std::string path = line.substr(line.find(cmd) + cmd.size());
            path.erase(0, path.find_first_not_of(" \t"));
            path.erase(path.find_last_not_of(" \t") + 1);
            if (path.empty()) return fail(cmd + " takes a path");
            if (path[0] != '/') path = base + path;
            if (cmd == "save") {
                kifu::save(form, path);
            } else {
                kifu::open(form, path);
            }
        } else if (cmd == "dump") {
            if (!a.empty()) return fail("dump takes nothing");
            dump(out, form, window,
                 strengthShown || form.強さ != Form1::強さ_標準 || home != nullptr);
        } else if (cmd == "puzzle") {
            long k = 0;
            if (!parseInt(a, k) || !b.empty()) return fail("puzzle takes a number");
            const bool started = form.詰めを始める(static_cast<int>(k));
            const int count = static_cast<int>(form.詰め().collection(true).puzzles.size());
            out << "puzzle\t" << k << '\t'
                << (started ? std::to_string(form.詰め().length()) : std::string("none")) << '\t'
                << count << '\n';
        } else if (cmd == "choose" || cmd == "pick") {
            long n = 0;
            if (!parseInt(a, n) || n < 0 || !b.empty()) return fail(cmd + " takes a number");
            (cmd == "choose" ? window.nextChoice : window.nextPuzzle) = static_cast<int>(n) - 1;
        } else if (cmd == "analyse") {
            const int kind = kindNamed(a);
            if ((!a.empty() && kind == 0) || !b.empty())
                return fail(
                    "analyse takes nothing or a kind: 歩 香 桂 銀 金 角 飛 王 or P L N S G B R K");
            analyse(out, form, kind);
        } else if (cmd == "line") {
            if (!a.empty()) return fail("line takes nothing");
            provedLine(out, form);
        } else {
            return fail("unknown command: " + cmd);
        }
        if (window.quitCalled) {
            out << "exit\n";
            return 0;
        }
        form.解析().update();
        if (analysisUsed) {
            const std::string now = marks(window.analysis);
            if (now != marksShown) out << now;
            marksShown = now;
        }
    }
    return 0;
}
