#include "platform/qt/HelpWindow.h"

#include "platform/qt/Canvas.h"
#include "platform/qt/Language.h"

#include <QCoreApplication>
#include <QEvent>

#include <QFile>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

// The help text sits in this static library; nothing else would pull its resource in.
static void initHelpText() {
    Q_INIT_RESOURCE(help);
}

namespace tarvenko {

namespace {

constexpr int kSquareW = 33, kSquareH = 41; // one board square, in pixels

struct Cell {
    int col, row;
    const char* picture; // a bitmap's name; nullptr for an empty square
    bool marked;         // outlined in the diagram's colour
    int value = 0;       // the analysis's mark: n > 0 a win in n, n < 0 a loss in −n
};

// A piece bitmap for a screen of this pixel ratio: the finer one above 1, drawn at the
// board's size in logical pixels.
QImage bitmap(const char* name, qreal ratio) {
    const bool fine = ratio > 1;
    QImage image(QStringLiteral(":/pictures/%1%2.png")
                     .arg(QLatin1String(name), fine ? QStringLiteral("@2x") : QString()));
    image.setDevicePixelRatio(fine ? 2 : 1);
    return image;
}

// A few squares of the board, drawn as the game draws them: green one-pixel outlines, the
// marked squares' outlines in palette colour `mark` on top, two pixels wide. In device
// pixels at the screen's ratio, so that the page shows it sharp at any scale.
QImage diagram(int cols, int rows, int mark, std::initializer_list<Cell> cells, qreal ratio) {
    // A margin of the window's green, so that the outlines at the edge show off the page.
    constexpr int margin = 4;
    const QSize logical(cols * kSquareW + 1 + 2 * margin, rows * kSquareH + 1 + 2 * margin);
    QImage image((QSizeF(logical) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Canvas::colour(2));
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(margin, margin);
    auto square = [](int col, int row) { return QRect(col * kSquareW, row * kSquareH, 34, 42); };
    auto outline = [&p](QRect r, const QColor& c) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
    };
    auto picture = [&](QRect r, const QImage& image) {
        p.drawImage(QRectF(r.topLeft(), QSizeF(kSquareW, kSquareH)), image);
    };
    const QImage empty = bitmap("KARA_MASU", ratio);
    for (int col = 0; col < cols; ++col) {
        for (int row = 0; row < rows; ++row) picture(square(col, row), empty);
    }
    for (const Cell& c : cells) {
        if (c.picture != nullptr) picture(square(c.col, c.row), bitmap(c.picture, ratio));
    }
    for (int col = 0; col < cols; ++col) {
        for (int row = 0; row < rows; ++row) outline(square(col, row), Canvas::colour(2));
    }
    for (const Cell& c : cells) {
        if (c.value != 0) {
            const QRect r = square(c.col, c.row);
            paintAnalysisMark(p, QRectF(r.topLeft(), QSizeF(kSquareW, kSquareH)), c.value > 0,
                              std::abs(c.value));
        }
        if (!c.marked) continue;
        // Two pixels wide: one pixel, as on the board, is hard to see in a small picture.
        outline(square(c.col, c.row), Canvas::colour(mark));
        outline(square(c.col, c.row).adjusted(1, 1, -1, -1), Canvas::colour(mark));
    }
    return image;
}

// The help text, whose <img src="zu:NAME"> pictures come from helpPicture.
class HelpText : public QTextBrowser {
  public:
    using QTextBrowser::QTextBrowser;

  protected:
    QVariant loadResource(int type, const QUrl& url) override {
        if (type == QTextDocument::ImageResource && url.scheme() == QLatin1String("zu")) {
            return helpPicture(url.path(), viewport()->devicePixelRatioF());
        }
        return QTextBrowser::loadResource(type, url);
    }
};

} // namespace

QImage helpPicture(const QString& name, qreal ratio) {
    if (name == QLatin1String("attack")) {
        // 先手's 金 attacks the six squares it could move to: white, as the game shows them.
        return diagram(3, 3, 15,
                       {{1, 1, "SITA_KIN", false},
                        {0, 0, nullptr, true},
                        {1, 0, nullptr, true},
                        {2, 0, nullptr, true},
                        {0, 1, nullptr, true},
                        {2, 1, nullptr, true},
                        {1, 2, nullptr, true}},
                       ratio);
    }
    if (name == QLatin1String("win")) {
        // Three of 先手's pieces on a diagonal, of any kinds, between 後手's; in red.
        return diagram(3, 3, 12,
                       {{0, 2, "SITA_OU", true},
                        {1, 1, "SITA_HU", true},
                        {2, 0, "SITA_KAKU", true},
                        {1, 2, "UE_KIN", false},
                        {2, 1, "UE_GIN", false}},
                       ratio);
    }
    if (name == QLatin1String("four")) {
        return diagram(4, 2, 2,
                       {{0, 0, "SITA_GIN", false},
                        {1, 0, "SITA_KIN", false},
                        {2, 0, "SITA_HU", false},
                        {3, 0, "SITA_KYOU", false},
                        {0, 1, "UE_HU", false},
                        {1, 1, "UE_KEI", false},
                        {3, 1, "UE_KIN", false}},
                       ratio);
    }
    if (name == QLatin1String("marks")) {
        // 解析's marks: the side to move wins in 3 with a drop on the blue squares, and
        // loses with one on the vermilion ones.
        return diagram(4, 2, 2,
                       {{0, 0, "SITA_HU", false},
                        {1, 0, nullptr, false, 3},
                        {2, 0, nullptr, false, -4},
                        {3, 0, "UE_KIN", false},
                        {0, 1, nullptr, false, -2},
                        {1, 1, "UE_HU", false},
                        {2, 1, nullptr, false, 5},
                        {3, 1, nullptr, false, -2}},
                       ratio);
    }
    return {};
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    initHelpText();
    text_ = new HelpText(this);
    text_->setOpenLinks(false);
    load();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    resize(560, 600);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::load() {
    setWindowTitle(QCoreApplication::translate("Tarvenko", "遊び方"));
    // The page of the language in use, else the Japanese one.
    QFile file(QStringLiteral(":/help/asobikata_%1.html").arg(language::current()));
    if (!file.exists()) file.setFileName(QStringLiteral(":/help/asobikata.html"));
    if (file.open(QIODevice::ReadOnly)) text_->setHtml(QString::fromUtf8(file.readAll()));
}

void HelpWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) load();
    QWidget::changeEvent(event);
}

} // namespace tarvenko
