// The game drawn on the real canvas: the start-up screen, a drop, the blink, highlights.
#include "PixelWindow.h"
#include "game/Form1.h"
#include "platform/qt/Language.h"
#include "platform/qt/MainWindow.h"
#include "rules/pieces.h"
#include "texts/Texts.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QRectF>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <string>
#include <vector>

using namespace tarvenko;
using F = Form1;

namespace {

const QRgb kGreen = qRgb(0, 128, 0), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0);

QImage resource(const char* name) {
    return QImage(QString(":/pictures/%1.png").arg(name));
}

// Top-left pixel of square (X, Y).
int px(double X) {
    return Canvas::pixel(static_cast<float>(F::横位置(X)));
}
int py(double Y) {
    return Canvas::pixel(static_cast<float>(F::縦位置(Y)));
}

struct Screen {
    PixelWindow w;
    RecordingSound s;
    MemoryFiles files;
    std::unique_ptr<Form1> f = std::make_unique<Form1>(w, s, files);
    QRgb at(int x, int y) const { return w.canvas.image().pixel(x, y); }
    // Counts pixels of one colour in a rectangle; for white and red, antialiased text
    // counts too (pixels near the colour).
    int count(int x, int y, int width, int height, QRgb colour) const {
        int n = 0;
        for (int j = y; j < y + height; ++j)
            for (int i = x; i < x + width; ++i) {
                const QRgb p = at(i, j);
                if (colour == kWhite) {
                    n += qRed(p) > 170 && qGreen(p) > 170 && qBlue(p) > 170;
                } else if (colour == kRed) {
                    n += qRed(p) > 170 && qGreen(p) < 90 && qBlue(p) < 90;
                } else {
                    n += p == colour;
                }
            }
        return n;
    }
    // True when the square's inside equals the picture (its one-pixel border aside).
    bool shows(int X, int Y, const QImage& picture) const {
        for (int j = 1; j < 40; ++j)
            for (int i = 1; i < 32; ++i)
                if (at(px(X) + i, py(Y) + j) != picture.pixel(i, j)) return false;
        return true;
    }
    bool outlined(int X, int Y, QRgb colour) const {
        const int x = px(X), y = py(Y);
        for (int i = 0; i <= 33; ++i)
            if (at(x + i, y) != colour || at(x + i, y + 41) != colour) return false;
        for (int j = 0; j <= 41; ++j)
            if (at(x, y + j) != colour || at(x + 33, y + j) != colour) return false;
        return true;
    }
    void click(int X, int Y) {
        f->Form_MouseDown(1, 0, static_cast<float>(F::横位置(X) + 247),
                          static_cast<float>(F::縦位置(Y) + 307));
    }
};

} // namespace

TEST(StartScreen, EmptyBoardHandsTitleAndLabels) {
    Screen s;
    s.f->Form_Load();
    const QImage wood = resource("KARA_MASU");
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            EXPECT_TRUE(s.shows(x, y, wood)) << x << "," << y;
            EXPECT_TRUE(s.outlined(x, y, kGreen)) << x << "," << y;
        }
    const char* sente[] = {"SITA_HU",  "SITA_KYOU", "SITA_KEI", "SITA_GIN",
                           "SITA_KIN", "SITA_KAKU", "SITA_SYA", "SITA_OU"};
    const char* gote[] = {"UE_HU",  "UE_KYOU", "UE_KEI", "UE_GIN",
                          "UE_KIN", "UE_KAKU", "UE_SYA", "UE_OU"};
    for (int k = 1; k <= 8; ++k) {
        const int row = piece::handRow(F::先手, k), goteRow = piece::handRow(F::後手, k);
        EXPECT_TRUE(s.shows(11, row, resource(sente[k - 1]))) << k;
        EXPECT_TRUE(s.shows(-1, goteRow, resource(gote[k - 1]))) << k;
        // Each count in red beside its slot.
        EXPECT_GT(s.count(px(12), py(row + 0.2), 26, 22, kRed), 10) << k;
        EXPECT_GT(s.count(px(0), py(goteRow + 0.2), 26, 22, kRed), 10) << k;
    }
    // The slots with no kind show nothing: 先手's row 1 and 後手's row 9 are background.
    EXPECT_EQ(s.count(px(11) + 2, py(1) + 2, 30, 38, kGreen), 30 * 38);
    EXPECT_EQ(s.count(px(-1) + 2, py(9) + 2, 30, 38, kGreen), 30 * 38);
    // The title picture at (11.3, 0).
    const QImage title = resource("PG_NA");
    int same = 0;
    for (int j = 0; j < 70; ++j)
        for (int i = 0; i < 129; ++i) same += s.at(px(11.3) + i, py(0) + j) == title.pixel(i, j);
    EXPECT_EQ(same, 129 * 70);
    // White column labels above and row numerals to the right.
    for (int i = 1; i <= 9; ++i) {
        EXPECT_GT(s.count(px(i + 0.1), py(0.4), 26, 23, kWhite), 5) << i;
        EXPECT_GT(s.count(px(10.1), py(i + 0.3), 26, 23, kWhite), 5) << i;
    }
    // No move yet: the counter and both last-move boxes are plain background.
    EXPECT_EQ(s.count(px(13), py(2.1), 110, 40, kGreen), 110 * 40);
    EXPECT_EQ(s.count(px(-1.75), py(9.5), 90, 25, kGreen), 90 * 25);
}

TEST(Play, ADropShowsThePieceCountsCounterAndNotation) {
    Screen s;
    s.f->Form_Load();
    s.f->START_Click();
    s.click(11, 2);
    // The selected slot is outlined red.
    EXPECT_TRUE(s.outlined(11, 2, kRed));
    s.click(5, 5);
    EXPECT_TRUE(s.shows(5, 5, resource("SITA_HU")));
    EXPECT_TRUE(s.outlined(5, 5, kGreen));
    EXPECT_TRUE(s.outlined(11, 2, kGreen));
    // "1" and "手目" in white; "５五歩" in 先手's box.
    EXPECT_GT(s.count(px(13.1), py(2.3), 26, 20, kWhite), 5);
    EXPECT_GT(s.count(px(13.7) + 8, py(2.1) + 10, 30, 20, kWhite), 10);
    EXPECT_GT(s.count(px(13.3), py(3), 20, 20, kWhite), 5);
    EXPECT_GT(s.count(px(13.7), py(3), 20, 20, kWhite), 5);
    EXPECT_GT(s.count(px(14.3), py(3), 20, 20, kWhite), 5);
}

TEST(Play, RefusedDropOutlinesTheAllowedSquaresInWhite) {
    Screen s;
    s.f->Form_Load();
    s.f->START_Click();
    s.click(11, 2);
    s.click(5, 5); // 先手 歩 attacks (5, 4) only
    s.click(-1, 8);
    s.click(1, 1); // refused
    ASSERT_EQ(s.w.messages.back().title, "注意");
    EXPECT_TRUE(s.outlined(5, 4, kWhite));
    EXPECT_TRUE(s.outlined(1, 1, kGreen) || s.outlined(2, 2, kGreen));
    EXPECT_FALSE(s.outlined(6, 4, kWhite));
}

TEST(Play, TheWinningRowBlinksOffOnOffOnAndEndsShowingThePieces) {
    Screen s;
    s.f->Form_Load();
    s.f->START_Click();
    const int moves[][3] = {{11, 9, 0}, {1, 9, 0},  {-1, 1, 0}, {2, 8, 0}, {11, 6, 0},
                            {2, 9, 0},  {-1, 4, 0}, {1, 8, 0},  {11, 5, 0}};
    for (const auto& m : moves) s.click(m[0], m[1]);
    const QImage gin = resource("SITA_GIN"), wood = resource("KARA_MASU");
    std::vector<int> phases; // 0 off, 1 on, per refresh, for the square (3, 9)
    s.w.onRefresh = [&](const QImage&) {
        phases.push_back(s.shows(3, 9, gin) ? 1 : s.shows(3, 9, wood) ? 0 : -1);
    };
    s.click(3, 9);
    ASSERT_EQ(s.w.messages.back().text, "先手の勝ちです");
    ASSERT_GE(phases.size(), 4u);
    const std::vector<int> last(phases.end() - 4, phases.end());
    EXPECT_EQ(last, (std::vector<int>{0, 1, 0, 1}));
    for (int x = 1; x <= 3; ++x) EXPECT_TRUE(s.outlined(x, 9, kGreen)) << x;
    EXPECT_TRUE(s.shows(3, 9, gin));
    EXPECT_TRUE(s.shows(1, 9, resource("SITA_OU")));
}

TEST(Play, ComputerMoveIsOutlinedWhite) {
    Screen s;
    s.f->Form_Load();
    s.f->GOTE_Click();
    EXPECT_TRUE(s.shows(5, 5, resource("SITA_HU")));
    EXPECT_TRUE(s.outlined(5, 5, kWhite));
    // Its notation replaced "思考中" in 先手's box.
    EXPECT_GT(s.count(px(13.3), py(3), 60, 20, kWhite), 15);
}

// Every text the board writes, in each language, in the board's font: the row labels, the move
// counter at every count, each side's last-move box for every drop and its 思考中, each inside
// the space that is erased for it and inside the window.
TEST(Texts, FitWhereTheBoardWritesThem) {
    struct Drawn {
        float x, y;
        std::string text;
        float points;
        bool bold;
    };
    struct Measuring : PixelWindow {
        std::vector<Drawn> drawn;
        void drawText(float x, float y, std::string_view t, float pt, bool bold, int c) override {
            drawn.push_back({x, y, std::string(t), pt, bold});
            PixelWindow::drawText(x, y, t, pt, bold, c);
        }
    };
    // The spaces in pixels, rounded as the canvas fills them: the two boxes, the counter down
    // to 先手's box, the row labels.
    auto pixels = [](double x1, double y1, double x2, double y2) {
        return QRectF(
            QPointF(Canvas::pixel(static_cast<float>(x1)), Canvas::pixel(static_cast<float>(y1))),
            QPointF(Canvas::pixel(static_cast<float>(x2)), Canvas::pixel(static_cast<float>(y2))));
    };
    auto space = [&](double X, double Y, double w, double h) {
        return pixels(F::横位置(X), F::縦位置(Y), F::横位置(X) + w, F::縦位置(Y) + h);
    };
    const double right = MainWindow::clientSize().width();
    std::vector<QRectF> spaces = {space(F::先手結果X, F::先手結果Y, F::結果枠幅, F::結果枠高),
                                  space(F::後手結果X, F::後手結果Y, F::結果枠幅, F::結果枠高),
                                  pixels(F::横位置(F::手数表示X), F::縦位置(F::手数表示Y - 0.2),
                                         right * 15, F::縦位置(F::先手結果Y))};
    for (int i = 1; i <= 9; ++i) spaces.push_back(space(10.1, i + 0.3, 400, 350));

    for (const QString& language : language::available()) {
        language::use(language);
        const std::string code = language.toStdString();
        Measuring w;
        RecordingSound sound;
        MemoryFiles files;
        Form1 f(w, sound, files);
        f.描画_桝_数値();
        for (int n = 0; n <= 40; ++n) f.描画_手数(n, F::色_白);
        for (int side : {F::先手, F::後手}) {
            for (int kind = 1; kind <= piece::種類数; ++kind)
                for (int x = 1; x <= 9; ++x)
                    for (int y = 1; y <= 9; ++y)
                        f.描画_移動結果(x, y, piece::codeOf(side, kind), F::色_白);
        }
        // What the computer's turn writes in its box.
        f.描画_数値(F::先手結果X, F::先手結果Y, 訳("思考中"), F::色_白, 0, 12);
        f.描画_数値(F::後手結果X, F::後手結果Y, 訳("思考中"), F::色_白, 0, 12);

        int measured = 0;
        for (const Drawn& d : w.drawn) {
            if (std::string_view(d.text).find_first_not_of(" 0123456789") == std::string::npos)
                continue; // the column numbers and hand counts, the same in every language
            const QFontMetricsF m(Canvas::font(d.points, d.bold));
            const QString t = QString::fromStdString(d.text);
            // From the pixel the canvas starts it at.
            const QRectF ink(Canvas::pixel(d.x), Canvas::pixel(d.y), m.horizontalAdvance(t),
                             m.height());
            bool inside = false;
            for (const QRectF& r : spaces) inside = inside || r.contains(ink);
            EXPECT_TRUE(inside && ink.right() <= right)
                << code << ": \"" << d.text << "\" at " << d.points << " pt takes " << ink.width()
                << " x " << ink.height() << " px at (" << ink.x() << ", " << ink.y() << ")";
            ++measured;
        }
        EXPECT_GT(measured, 1000) << code;
        if (code == "en") {
            // The English texts were the ones measured.
            const auto shown = [&](const char* text) {
                for (const Drawn& d : w.drawn)
                    if (d.text == text) return true;
                return false;
            };
            EXPECT_TRUE(shown("Move 40") && shown("K*1i") && shown("Thinking") && shown("e"));
        }
    }
    language::use(QStringLiteral("ja"));
}

// The locale's choice: Japanese for Japanese and for none stated, else a language's own
// catalogue, else English.
TEST(Texts, LocaleChoosesTheLanguage) {
    const std::pair<const char*, const char*> cases[] = {
        {"ja_JP", "ja"}, {"C", "ja"},     {"POSIX", "ja"}, {"en_US", "en"},
        {"en_GB", "en"}, {"de_DE", "en"}, {"fr_FR", "en"}, {"zh_CN", "en"}};
    for (const auto& [locale, code] : cases)
        EXPECT_EQ(language::fromLocale(QLocale(QString::fromLatin1(locale))).toStdString(), code)
            << locale;
}

// Switching the language writes the board's texts again as they stand: the counter and the
// box that shows a move, not the box 戻 erased.
TEST(Texts, SwitchingRewritesTheBoardTexts) {
    struct Texts : PixelWindow {
        std::vector<std::string> drawn;
        void drawText(float x, float y, std::string_view t, float pt, bool bold, int c) override {
            drawn.emplace_back(t);
            PixelWindow::drawText(x, y, t, pt, bold, c);
        }
    } w;
    RecordingSound sound;
    MemoryFiles files;
    Form1 f(w, sound, files);
    f.Form_Load();
    f.START_Click();
    f.Form_MouseDown(F::左ボタン, 0, F::横位置(11.5), F::縦位置(2.5)); // 先手's 歩
    f.Form_MouseDown(F::左ボタン, 0, F::横位置(5.5), F::縦位置(5.5));  // onto (5, 5)
    f.Form_MouseDown(F::左ボタン, 0, F::横位置(-0.5), F::縦位置(8.5)); // 後手's 歩
    f.Form_MouseDown(F::左ボタン, 0, F::横位置(5.5), F::縦位置(4.5));  // onto (5, 4)
    f.REPLAY_Click();                                                  // 後手's box erased
    language::use(QStringLiteral("en"));
    w.drawn.clear();
    f.文字を描き直す();
    language::use(QStringLiteral("ja"));
    const auto has = [&](const char* t) {
        return std::find(w.drawn.begin(), w.drawn.end(), t) != w.drawn.end();
    };
    EXPECT_TRUE(has("Move 1") && has("P*5e") && has("a") && has("i"));
    EXPECT_FALSE(has("P*5d"));
    for (const std::string& t : w.drawn)
        EXPECT_EQ(t.find_first_of("\xe3\xe4\xe5\xe6\xe7\xe8\xe9\xef"), std::string::npos) << t;
}

namespace {

// A game of two people with refusals, highlights, a hint and a win with its blink, then 最初.
void playAGame(Screen& s, bool load = true) {
    auto drop = [&s](int side, int kind, int X, int Y) {
        s.click(side == F::先手 ? F::先手持駒列 : F::後手持駒列, piece::handRow(side, kind));
        s.click(X, Y);
    };
    if (load) s.f->Form_Load();
    s.f->START_Click();
    drop(F::先手, 1, 5, 5);
    drop(F::後手, 1, 5, 4);
    drop(F::先手, 5, 3, 7);
    drop(F::後手, 4, 1, 1); // refused: the allowed squares are outlined white
    s.click(3, 6);
    s.f->HINT_Click();
    s.f->CANCEL_Click();
    s.f->START_Click();
    drop(F::先手, 8, 1, 9);
    drop(F::後手, 8, 2, 8);
    drop(F::先手, 5, 2, 9);
    drop(F::後手, 5, 1, 8);
    drop(F::先手, 4, 3, 9); // 先手 wins: the row blinks
}

// Widths of the runs of one colour along a row or a column of the image, from a to b.
std::vector<int> runs(const QImage& image, bool across, int at, int a, int b, QRgb colour) {
    std::vector<int> widths;
    int n = 0;
    for (int i = a; i <= b; ++i) {
        const bool in = (across ? image.pixel(i, at) : image.pixel(at, i)) == colour;
        if (in) ++n;
        if ((!in || i == b) && n > 0) {
            widths.push_back(n);
            n = 0;
        }
    }
    return widths;
}

} // namespace

// A new window size draws everything again at its scale: the same pixels as drawing the game at
// that scale from the start (but for what erasing a text leaves of it), the kept drawings few,
// the grid lines of one width.
TEST(Resize, RedrawnPictureEqualsOneDrawnAtThatScale) {
    const PictureScale scales[] = {{1.25, 3, 5}, {1.5, 0, 0},  {2.0, 0, 0}, {2.0273, 10, 0},
                                   {2.8, 0, 7},  {3.17, 1, 1}, {3.5, 0, 0}};
    Screen grown;
    playAGame(grown);
    // A game's worth of drawings keeps about as many as the screen shows: 81 squares and 16
    // hand slots with their outlines, the counts, the labels and a few texts (about 290).
    EXPECT_LT(grown.w.canvas.keptDrawings(), 320);
    // and no more after games more (each text erased and written again, say).
    const int kept = grown.w.canvas.keptDrawings();
    for (int game = 0; game < 3; ++game) {
        grown.f->CANCEL_Click();
        playAGame(grown, false);
    }
    EXPECT_LE(grown.w.canvas.keptDrawings(), kept);
    for (const PictureScale& scale : scales) {
        SCOPED_TRACE(scale.k);
        const QSize device(scale.x(680), scale.y(540));
        // The toolkit draws the first glyphs of a text size a shade differently from later
        // ones: a game drawn at that scale first makes both drawings compared the later kind.
        Screen warm;
        warm.w.canvas.setScale(device, scale);
        playAGame(warm);
        grown.w.canvas.setScale(device, scale);
        Screen fresh;
        fresh.w.canvas.setScale(device, scale);
        playAGame(fresh);
        const QImage& a = grown.w.canvas.image();
        const QImage& b = fresh.w.canvas.image();
        ASSERT_EQ(a.size(), b.size());
        // Only where the game's own erasing leaves a trace the redrawn picture is cleaner: the
        // row above a last-move box, where the top of an earlier 銀 shows faintly.
        auto aboveABox = [&](int x, int y) {
            const int L = scale.logicalX(x), T = scale.logicalY(y);
            for (double bx : {F::先手結果X, F::後手結果X}) {
                const double by = bx == F::先手結果X ? F::先手結果Y : F::後手結果Y;
                if (T == py(by) - 1 && L >= px(bx) && L <= px(bx) + F::結果枠幅 / 15 + 1)
                    return true;
            }
            return false;
        };
        int differ = 0, traces = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                if (a.pixel(x, y) == b.pixel(x, y)) continue;
                ++(aboveABox(x, y) && a.pixel(x, y) == kGreen ? traces : differ);
            }
        EXPECT_EQ(differ, 0);
        EXPECT_LE(traces, 12);
        // Along row 5 and column 5 every board line is as wide as every other.
        const int w = scale.lineWidth();
        const int left = scale.x(px(1)), right = scale.x(px(10)) + w - 1;
        const int top = scale.y(py(1)), bottom = scale.y(py(10)) + w - 1;
        const std::vector<int> across = runs(a, true, scale.y(py(5.5)), left, right, kGreen);
        const std::vector<int> down = runs(a, false, scale.x(px(5.5)), top, bottom, kGreen);
        EXPECT_EQ(across, std::vector<int>(10, w));
        EXPECT_EQ(down, std::vector<int>(10, w));
    }
}
