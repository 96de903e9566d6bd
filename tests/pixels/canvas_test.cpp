// The canvas primitives in pixels: rectangles, outlines, pictures, text and its font.
#include "Recording.h"
#include "platform/qt/Canvas.h"
#include "game/menu_table.h"
#include "platform/qt/MainWindow.h"

#include <QAction>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QFontMetrics>
#include <QCoreApplication>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace tarvenko;

namespace {

QRgb at(const Canvas& c, int x, int y) {
    return c.image().pixel(x, y);
}
const QRgb kGreen = qRgb(0, 128, 0), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0);

QImage resource(const char* name) {
    return QImage(QString(":/pictures/%1.png").arg(name));
}

} // namespace

TEST(Canvas, PaletteHasTheSixteenColours) {
    EXPECT_EQ(Canvas::colour(2).rgb(), kGreen);
    EXPECT_EQ(Canvas::colour(12).rgb(), kRed);
    EXPECT_EQ(Canvas::colour(15).rgb(), kWhite);
    EXPECT_EQ(Canvas::colour(7).rgb(), qRgb(192, 192, 192));
    EXPECT_EQ(Canvas::colour(9).rgb(), qRgb(0, 0, 255));
}

TEST(Canvas, FilledRectangleIncludesBothCornersAndNothingMore) {
    Canvas c(QSize(100, 100), 1);
    c.setBackground(2);
    c.fillBox(150, 300, 450, 600, 15); // pixels 10..30 × 20..40
    EXPECT_EQ(at(c, 10, 20), kWhite);
    EXPECT_EQ(at(c, 30, 40), kWhite);
    EXPECT_EQ(at(c, 20, 30), kWhite);
    EXPECT_EQ(at(c, 9, 20), kGreen);
    EXPECT_EQ(at(c, 31, 40), kGreen);
    EXPECT_EQ(at(c, 30, 41), kGreen);
    EXPECT_EQ(at(c, 10, 19), kGreen);
}

TEST(Canvas, IsWhiteUntilItGetsABackground) {
    Canvas c(QSize(100, 100), 1);
    c.drawBox(150, 150, 645, 765, 12);
    EXPECT_EQ(at(c, 25, 30), kWhite);
}

TEST(Canvas, OutlineIsOnePixelWide) {
    Canvas c(QSize(100, 100), 1);
    c.setBackground(2);
    c.drawBox(150, 150, 645, 765, 12); // square of 33 × 41 starting at (10, 10)
    EXPECT_EQ(at(c, 10, 10), kRed);
    EXPECT_EQ(at(c, 43, 10), kRed);
    EXPECT_EQ(at(c, 10, 51), kRed);
    EXPECT_EQ(at(c, 43, 51), kRed);
    EXPECT_EQ(at(c, 25, 10), kRed);
    EXPECT_EQ(at(c, 11, 11), kGreen); // inside is untouched
    EXPECT_EQ(at(c, 25, 30), kGreen);
    EXPECT_EQ(at(c, 44, 30), kGreen);
}

TEST(Canvas, PicturesAreCopiedAtTheirOwnSize) {
    Canvas c(QSize(200, 200), 1);
    c.setBackground(2);
    c.drawPicture(Picture::SITA_HU, 1595, 715); // pixel (106, 48)
    const QImage hu = resource("SITA_HU");
    ASSERT_EQ(hu.size(), QSize(33, 41));
    for (int y = 0; y < 41; y += 5)
        for (int x = 0; x < 33; x += 4) EXPECT_EQ(at(c, 106 + x, 48 + y), hu.pixel(x, y));
    EXPECT_EQ(at(c, 105, 60), kGreen);
    EXPECT_EQ(at(c, 139, 60), kGreen);
    const QImage title = resource("PG_NA");
    EXPECT_EQ(title.size(), QSize(129, 70));
}

TEST(Canvas, TwiceTheResolutionUsesTheSharpPictures) {
    Canvas c(QSize(100, 100), 2);
    EXPECT_EQ(c.image().size(), QSize(200, 200));
    c.setBackground(2);
    c.drawPicture(Picture::UE_KIN, 150, 150); // logical (10, 10): device (20, 20)
    const QImage kin2 = resource("UE_KIN@2x");
    ASSERT_EQ(kin2.size(), QSize(66, 82));
    for (int y = 0; y < 82; y += 7)
        for (int x = 0; x < 66; x += 5) EXPECT_EQ(at(c, 20 + x, 20 + y), kin2.pixel(x, y));
    // An outline is one logical pixel: two device pixels.
    c.drawBox(150, 150, 645, 765, 15);
    EXPECT_EQ(at(c, 20, 40), kWhite);
    EXPECT_EQ(at(c, 21, 40), kWhite);
    EXPECT_NE(at(c, 22, 40), kWhite);
}

TEST(Canvas, TextUsesAMinchoWithJapaneseGlyphs) {
    const QFont f = Canvas::font(12, true);
    const QFontInfo info(f);
    EXPECT_TRUE(info.family() == "IPAPMincho" || info.family() == "Noto Serif CJK JP")
        << info.family().toStdString();
    const QFontMetrics m(f);
    // Every kind of character the board writes: no other font fills in for a missing one.
    for (char32_t ch : {U'手', U'目', U'歩', U'王', U'九', U'５', U'思', U'考', U'中', U'飛', U'7'})
        EXPECT_TRUE(m.inFontUcs4(ch)) << static_cast<unsigned>(ch);
}

TEST(Canvas, TextIsDrawnBelowAndRightOfItsPoint) {
    Canvas c(QSize(200, 100), 1);
    c.setBackground(2);
    c.drawText(1500, 750, "王", 16, true, 15); // top-left (100, 50)
    int white = 0, minX = 1000, minY = 1000;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (qRed(at(c, x, y)) > 170 && qBlue(at(c, x, y)) > 170) { // text, antialiased
                ++white;
                minX = std::min(minX, x);
                minY = std::min(minY, y);
            }
    EXPECT_GT(white, 20);
    EXPECT_GE(minX, 100);
    EXPECT_GE(minY, 50);
    EXPECT_LT(minX, 106);
    EXPECT_LT(minY, 60);
}

// The blink's waits: the window goes on painting (here: after a drawing asks it to).
TEST(Window, PaintsDuringAWait) {
    RecordingSound sound;
    MemoryFiles files;
    MainWindow w(sound, files);
    w.show();
    QCoreApplication::processEvents();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    qApp->installEventFilter(&counter);
    w.fillBox(0, 0, 300, 300, 15);
    w.sleep(0.001);
    qApp->removeEventFilter(&counter);
    EXPECT_GT(counter.paints, 0);
}

// The window's menus follow the menu table: every item under its menu, in table order,
// with its caption, check mark, group and shortcut.
TEST(Window, MenusFollowTheTable) {
    RecordingSound sound;
    MemoryFiles files;
    MainWindow w(sound, files);
    for (const MenuItem& m : kMenu) {
        if (m.kind == MenuItem::Separator) continue;
        SCOPED_TRACE(m.name);
        QAction* a = m.kind == MenuItem::Submenu
                         ? w.findChild<QMenu*>(QString::fromLatin1(m.name))->menuAction()
                         : w.findChild<QAction*>(QString::fromLatin1(m.name));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(m.caption));
        EXPECT_EQ(a->isCheckable(), m.checkable || m.group != 0);
        EXPECT_EQ(a->actionGroup() != nullptr, m.group != 0);
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(m.shortcut)));
        QWidget* holder = *m.parent ? w.findChild<QMenu*>(QString::fromLatin1(m.parent))
                                    : static_cast<QWidget*>(w.menuBar());
        ASSERT_NE(holder, nullptr);
        EXPECT_TRUE(holder->actions().contains(a));
    }
    // Table order within each menu, separators included.
    QStringList order, expected;
    for (const MenuItem& m : kMenu) {
        if (std::string_view(m.parent) != "TAIKYOKU" && std::string_view(m.parent) != "OPTION")
            continue;
        expected << QString::fromLatin1(m.name);
    }
    for (const char* menu : {"TAIKYOKU", "OPTION"}) {
        for (QAction* a : w.findChild<QMenu*>(QString::fromLatin1(menu))->actions()) {
            order << (a->isSeparator() ? QString()
                      : a->menu()      ? a->menu()->objectName()
                                       : a->objectName());
        }
    }
    EXPECT_EQ(order, expected);
    // A strength that did not come from the menu (a game record's) moves the one mark.
    w.showStrength(2);
    EXPECT_TRUE(w.findChild<QAction*>(QStringLiteral("LEVEL_STRONGEST"))->isChecked());
    EXPECT_FALSE(w.findChild<QAction*>(QStringLiteral("LEVEL_STANDARD"))->isChecked());
}

// Full screen from its menu item, the item's mark following the window's state; the size and
// state as kept between runs.
TEST(Window, FullScreenAndPlacement) {
    RecordingSound sound;
    MemoryFiles files;
    MainWindow w(sound, files);
    w.form().Form_Load_画面();
    const QSize initial = w.size();
    w.applyPlacement({QSize(800, 640), false, false});
    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.placement().size, QSize(800, 640));
    QAction* item = w.findChild<QAction*>(QStringLiteral("FULLSCREEN"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isFullScreen());
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(w.placement().fullScreen);
    EXPECT_EQ(w.placement().size, QSize(800, 640)); // the size it returns to
    item->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isFullScreen());
    EXPECT_FALSE(item->isChecked());
    // A kept size below the default gives the default.
    w.applyPlacement({QSize(100, 100), false, false});
    EXPECT_EQ(w.size(), initial);
}
