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
};

// A few squares of the board, drawn as the game draws them: green one-pixel outlines, the
// marked squares' outlines in palette colour `mark` on top, two pixels wide.
QImage diagram(int cols, int rows, int mark, std::initializer_list<Cell> cells) {
    // A margin of the window's green, so that the outlines at the edge show off the page.
    constexpr int margin = 4;
    QImage image(cols * kSquareW + 1 + 2 * margin, rows * kSquareH + 1 + 2 * margin,
                 QImage::Format_RGB32);
    image.fill(Canvas::colour(2));
    QPainter p(&image);
    p.translate(margin, margin);
    auto square = [](int col, int row) { return QRect(col * kSquareW, row * kSquareH, 34, 42); };
    auto outline = [&p](QRect r, const QColor& c) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
    };
    const QImage empty(QStringLiteral(":/pictures/KARA_MASU.png"));
    for (int col = 0; col < cols; ++col) {
        for (int row = 0; row < rows; ++row) p.drawImage(square(col, row).topLeft(), empty);
    }
    for (const Cell& c : cells) {
        if (c.picture != nullptr) {
            p.drawImage(square(c.col, c.row).topLeft(),
                        QImage(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(c.picture))));
        }
    }
    for (int col = 0; col < cols; ++col) {
        for (int row = 0; row < rows; ++row) outline(square(col, row), Canvas::colour(2));
    }
    for (const Cell& c : cells) {
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
            return helpPicture(url.path());
        }
        return QTextBrowser::loadResource(type, url);
    }
};

} // namespace

QImage helpPicture(const QString& name) {
    if (name == QLatin1String("attack")) {
        // 先手's 金 attacks the six squares it could move to: white, as the game shows them.
        return diagram(3, 3, 15,
                       {{1, 1, "SITA_KIN", false},
                        {0, 0, nullptr, true},
                        {1, 0, nullptr, true},
                        {2, 0, nullptr, true},
                        {0, 1, nullptr, true},
                        {2, 1, nullptr, true},
                        {1, 2, nullptr, true}});
    }
    if (name == QLatin1String("win")) {
        // Three of 先手's pieces on a diagonal, of any kinds, between 後手's; in red.
        return diagram(3, 3, 12,
                       {{0, 2, "SITA_OU", true},
                        {1, 1, "SITA_HU", true},
                        {2, 0, "SITA_KAKU", true},
                        {1, 2, "UE_KIN", false},
                        {2, 1, "UE_GIN", false}});
    }
    if (name == QLatin1String("four")) {
        return diagram(4, 2, 2,
                       {{0, 0, "SITA_GIN", false},
                        {1, 0, "SITA_KIN", false},
                        {2, 0, "SITA_HU", false},
                        {3, 0, "SITA_KYOU", false},
                        {0, 1, "UE_HU", false},
                        {1, 1, "UE_KEI", false},
                        {3, 1, "UE_KIN", false}});
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
