#include "platform/qt/Canvas.h"

#include "platform/qt/EmbeddedPictures.h"

#include <QFontDatabase>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdio>

static void initPictures() {
    Q_INIT_RESOURCE(res);
}

namespace tarvenko {

const char* const Canvas::kFamily = "ＭＳ Ｐ明朝";

namespace {

constexpr const char* kPictureNames[kPictureCount] = {
    "KARA_MASU", "PG_NA",     "SITA_HU",  "SITA_KYOU", "SITA_KEI", "SITA_GIN",
    "SITA_KIN",  "SITA_KAKU", "SITA_SYA", "SITA_OU",   "UE_HU",    "UE_KYOU",
    "UE_KEI",    "UE_GIN",    "UE_KIN",   "UE_KAKU",   "UE_SYA",   "UE_OU",
};

constexpr QRgb kPalette[16] = {
    qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
    qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
    qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255),
};

// Other names for the window's font, in order: its English name, then proportional Minchos
// with the same role for where it is not installed (as on Linux).
const QStringList& standIns() {
    static const QStringList families{QStringLiteral("MS PMincho"), QStringLiteral("IPAPMincho"),
                                      QStringLiteral("Noto Serif CJK JP")};
    return families;
}

void substituteFamilyOnce() {
    static const bool done = [] {
        initPictures();
        QFont::insertSubstitutions(QString::fromUtf8(Canvas::kFamily), standIns());
        return true;
    }();
    (void)done;
}

// The window's font, or else its first stand-in, as installed; empty when none of them is.
// Each has every character the window writes.
const QString& installedFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        const QString own = QString::fromUtf8(Canvas::kFamily);
        if (families.contains(own, Qt::CaseInsensitive)) return own;
        for (const QString& f : standIns()) {
            if (families.contains(f, Qt::CaseInsensitive)) return f;
        }
        return QString();
    }();
    return family;
}

} // namespace

Canvas::Canvas(QSize size, qreal ratio) : ratio_(ratio > 0 ? ratio : 1) {
    substituteFamilyOnce();
    image_ = QImage(size * ratio_, QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio_);
}

void Canvas::whitenIfBlank() const {
    if (!blank_) return;
    blank_ = false;
    image_.fill(Qt::white);
}

int Canvas::pixel(float twips) {
    return static_cast<int>(std::floor(twips / 15.0f + 0.5f));
}

QColor Canvas::colour(int index) {
    return QColor(kPalette[index & 15]);
}

QFont Canvas::font(float points, bool bold) {
    substituteFamilyOnce();
    // An installed family is asked for by its own name and alone: the toolkit then neither
    // looks for the window's font under other names nor searches all fonts for ones to fill in
    // missing characters, which is most of what the first text costs.
    const QString& family = installedFamily();
    QFont f(family.isEmpty() ? QString::fromUtf8(kFamily) : family);
    f.setPointSizeF(points > 0 ? points : 9);
    f.setBold(bold);
    f.setStyleStrategy(family.isEmpty()
                           ? QFont::PreferAntialias
                           : QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
    return f;
}

const QImage& Canvas::pictureImage(Picture picture) {
    QImage& slot = pictures_[static_cast<int>(picture)];
    if (slot.isNull()) {
        const char* name = kPictureNames[static_cast<int>(picture)];
        if (ratio_ > 1.0) {
            // The drawn-at-2× set keeps pictures crisp on HiDPI screens.
            const QString file = QString::fromLatin1(name);
            slot = QImage(QStringLiteral(":/pictures/%1@2x.png").arg(file));
            if (slot.isNull()) slot = QImage(QStringLiteral(":/pictures/%1.png").arg(file));
            slot.setDevicePixelRatio(2.0);
        } else {
            // The program's own pixels: nothing is decoded or copied.
            char file[32];
            std::snprintf(file, sizeof file, "%s.png", name);
            if (const EmbeddedPicture* found = embeddedPicture(file)) {
                slot = QImage(reinterpret_cast<const uchar*>(found->pixels), found->width,
                              found->height, static_cast<qsizetype>(found->width) * 4,
                              static_cast<QImage::Format>(found->format));
            }
        }
    }
    return slot;
}

const QImage& Canvas::image() const {
    if (painter_.isActive()) painter_.end();
    whitenIfBlank();
    return image_;
}

QPainter& Canvas::painter() {
    if (!painter_.isActive()) {
        whitenIfBlank();
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::SmoothPixmapTransform);
        painter_.setRenderHint(QPainter::TextAntialiasing);
    }
    return painter_;
}

void Canvas::setBackground(int colour) {
    background_ = colour;
    if (painter_.isActive()) painter_.end();
    blank_ = false;
    image_.fill(Canvas::colour(colour));
}

void Canvas::drawPicture(Picture picture, float x, float y) {
    const QImage& source = pictureImage(picture);
    if (source.isNull()) return;
    const QSizeF logical = source.deviceIndependentSize();
    painter().drawImage(QRectF(QPointF(pixel(x), pixel(y)), logical), source);
}

void Canvas::drawBox(float x1, float y1, float x2, float y2, int colour) {
    const int l = pixel(std::fmin(x1, x2)), r = pixel(std::fmax(x1, x2));
    const int t = pixel(std::fmin(y1, y2)), b = pixel(std::fmax(y1, y2));
    QPainter& p = painter();
    const QColor c = Canvas::colour(colour);
    // One logical pixel wide, both corners included.
    p.fillRect(QRect(l, t, r - l + 1, 1), c);
    p.fillRect(QRect(l, b, r - l + 1, 1), c);
    p.fillRect(QRect(l, t, 1, b - t + 1), c);
    p.fillRect(QRect(r, t, 1, b - t + 1), c);
}

void Canvas::fillBox(float x1, float y1, float x2, float y2, int colour) {
    const int l = pixel(std::fmin(x1, x2)), r = pixel(std::fmax(x1, x2));
    const int t = pixel(std::fmin(y1, y2)), b = pixel(std::fmax(y1, y2));
    painter().fillRect(QRect(l, t, r - l + 1, b - t + 1), Canvas::colour(colour));
}

void Canvas::drawText(float x, float y, std::string_view text, float points, bool bold,
                      int colour) {
    QPainter& p = painter();
    p.setFont(font(points, bold));
    p.setPen(Canvas::colour(colour));
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // (x, y) is the top-left corner of the text cell.
    p.drawText(QPointF(pixel(x), pixel(y) + p.fontMetrics().ascent()), s);
}

void paintAnalysisMark(QPainter& p, const QRectF& square, bool win, int n) {
    // Told apart by shape and by lightness as well as by hue, so also with any colour
    // blindness, and both far from the board's wood and the window's green.
    static const QColor winColour(0, 90, 181), lossColour(213, 94, 0), white(255, 255, 255);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal size = std::min(square.width(), square.height()) * 0.62;
    const QPointF c = square.center();
    p.setPen(QPen(white, 1));
    p.setBrush(win ? winColour : lossColour);
    if (win) {
        p.drawEllipse(c, size / 2, size / 2);
    } else {
        const qreal r = size / 2 + 1; // a diamond looks smaller than a disc of its width
        const QPointF corners[4] = {c + QPointF(0, -r), c + QPointF(r, 0), c + QPointF(0, r),
                                    c + QPointF(-r, 0)};
        p.drawPolygon(corners, 4);
    }
    QFont f = Canvas::font(7, true);
    f.setPixelSize(std::max(6, static_cast<int>(size * 0.6)));
    p.setFont(f);
    p.setPen(white);
    p.drawText(QRectF(c.x() - size / 2, c.y() - size / 2, size, size), Qt::AlignCenter,
               QString::number(n));
    p.restore();
}

} // namespace tarvenko
