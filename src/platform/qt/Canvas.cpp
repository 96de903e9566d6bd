#include "platform/qt/Canvas.h"

#include "platform/qt/EmbeddedPictures.h"

#include <QFontDatabase>
#include <QFontMetrics>
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
    scale_.k = ratio_;
    // A game's worth of drawings that stay visible fits without growing.
    ops_.reserve(1024);
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

const QImage& Canvas::original(Picture picture) {
    QImage& slot = originals_[static_cast<int>(picture)];
    if (slot.isNull()) {
        // The program's own pixels: nothing is decoded or copied.
        char file[32];
        std::snprintf(file, sizeof file, "%s.png", kPictureNames[static_cast<int>(picture)]);
        if (const EmbeddedPicture* found = embeddedPicture(file)) {
            slot = QImage(reinterpret_cast<const uchar*>(found->pixels), found->width,
                          found->height, static_cast<qsizetype>(found->width) * 4,
                          static_cast<QImage::Format>(found->format));
        }
    }
    return slot;
}

const QImage& Canvas::sharp(Picture picture, int times) {
    QImage& slot = (times == 2 ? sharp_ : sharper_)[static_cast<int>(picture)];
    if (slot.isNull()) {
        // The sets drawn at larger sizes, for screens and windows with more pixels.
        const QString file = QString::fromLatin1(kPictureNames[static_cast<int>(picture)]);
        slot = QImage(QStringLiteral(":/pictures/%1@%2x.png").arg(file).arg(times));
        if (slot.isNull()) slot = original(picture);
        slot.setDevicePixelRatio(1);
    }
    return slot;
}

const QImage& Canvas::picture(Picture picture, QSize device) {
    const QImage& own = original(picture);
    if (own.isNull() || own.size() == device) return own;
    const QImage& twice = sharp(picture, 2);
    if (twice.size() == device) return twice;
    // Any other size is made from a larger set, averaged down (or, past four times the size,
    // smoothly up), once per size.
    const int index = static_cast<int>(picture);
    auto& sizes = sized_[index];
    for (const QImage& made : sizes) {
        if (made.size() == device) return made;
    }
    QImage& slot = sizes[nextSized_[index]];
    nextSized_[index] = (nextSized_[index] + 1) % kSizes;
    const QImage& source = device.width() > twice.width() ? sharp(picture, 4) : twice;
    slot = source.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return slot;
}

const QImage& Canvas::image() const {
    if (painter_.isActive()) painter_.end();
    whitenIfBlank();
    // Drawn in device pixels; shown at the screen's ratio.
    image_.setDevicePixelRatio(ratio_);
    return image_;
}

QPainter& Canvas::painter() {
    if (!painter_.isActive()) {
        whitenIfBlank();
        image_.setDevicePixelRatio(1);
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::TextAntialiasing);
    }
    return painter_;
}

void Canvas::setBackground(int colour) {
    background_ = colour;
    hasBackground_ = true;
    ops_.clear();
    if (painter_.isActive()) painter_.end();
    blank_ = false;
    image_.fill(Canvas::colour(colour));
}

void Canvas::setScale(QSize device, const PictureScale& scale) {
    if (device == image_.size() && scale == scale_) return;
    if (painter_.isActive()) painter_.end();
    scale_ = scale;
    if (device != image_.size()) {
        const std::size_t bytes = static_cast<std::size_t>(device.width()) * 4 * device.height();
        // Room to grow by half, since a drag goes on growing; given back once the window is
        // much smaller again (out of full screen, say). Not cleared: the fill below draws it.
        if (pixelBytes_ < bytes || pixelBytes_ / 4 > bytes + bytes / 2) {
            image_ = QImage();
            pixelBytes_ = bytes + bytes / 2;
            pixels_.reset(new uchar[pixelBytes_]);
        }
        image_ = QImage(pixels_.get(), device.width(), device.height(), device.width() * 4,
                        QImage::Format_RGB32);
    }
    blank_ = false;
    image_.fill(hasBackground_ ? Canvas::colour(background_) : QColor(Qt::white));
    for (const Op& op : ops_) paint(op);
}

void Canvas::forgetSizes() {
    for (auto& sizes : sized_) {
        for (QImage& made : sizes) made = QImage();
    }
}

void Canvas::keep(Op&& op) {
    // A drawing wholly under a later opaque one, or an outline drawn again in another colour,
    // no longer shows: it is not drawn again at the next size.
    if (op.kind == Op::Fill || op.kind == Op::Image) {
        std::erase_if(ops_, [&op](const Op& o) {
            if (o.el >= op.l && o.er <= op.r && o.et >= op.t && o.eb <= op.b) return true;
            // A text's box erased: the game erases a text's box before it writes there again,
            // but a few glyphs reach a pixel past their box (the top of 銀), and what the
            // erasing leaves of them is no part of what the window shows again at a new size.
            return o.kind == Op::Text && o.l >= op.l && o.t >= op.t && o.cellRight <= op.r &&
                   o.cellBottom <= op.b && o.el >= op.l - 2 && o.er <= op.r + 2 &&
                   o.et >= op.t - 2 && o.eb <= op.b + 2;
        });
    } else if (op.kind == Op::Box) {
        std::erase_if(ops_, [&op](const Op& o) {
            return o.kind == Op::Box && o.l == op.l && o.t == op.t && o.r == op.r && o.b == op.b;
        });
    }
    ops_.push_back(std::move(op));
}

void Canvas::paint(const Op& op) {
    QPainter& p = painter();
    const PictureScale& s = scale_;
    const int L = s.x(op.l), T = s.y(op.t);
    switch (op.kind) {
    case Op::Fill:
        p.fillRect(QRect(L, T, s.x(op.r + 1) - L, s.y(op.b + 1) - T), Canvas::colour(op.colour));
        break;
    case Op::Box: {
        // Each side is one line width from the edge where its logical pixel begins, the right
        // and bottom ones included, so that neighbours' shared edges are one line wide too.
        const int w = s.lineWidth(), R = s.x(op.r), B = s.y(op.b);
        const QColor c = Canvas::colour(op.colour);
        p.fillRect(QRect(L, T, R + w - L, w), c);
        p.fillRect(QRect(L, B, R + w - L, w), c);
        p.fillRect(QRect(L, T, w, B + w - T), c);
        p.fillRect(QRect(R, T, w, B + w - T), c);
        break;
    }
    case Op::Image: {
        const QSize device(s.x(op.r + 1) - L, s.y(op.b + 1) - T);
        const QImage& source = picture(op.picture, device);
        if (!source.isNull()) p.drawImage(QPoint(L, T), source);
        break;
    }
    case Op::Text: {
        p.setPen(Canvas::colour(op.colour));
        const QString shown =
            QString::fromUtf8(op.text.data(), static_cast<qsizetype>(op.text.size()));
        // (x, y) is the top-left corner of the text cell.
        if (s.k == ratio_ && ratio_ != 1) {
            // At the screen's own ratio (the default size on a HiDPI screen), as the toolkit
            // draws on such a screen: in logical pixels, enlarged.
            p.save();
            p.translate(s.left, s.top);
            p.scale(ratio_, ratio_);
            p.setFont(font(op.points, op.bold));
            p.drawText(QPointF(op.l, op.t + p.fontMetrics().ascent()), shown);
            p.restore();
        } else {
            // Any other scale: the font at the size it is shown, on whole device pixels.
            p.setFont(font(static_cast<float>(op.points * s.k), op.bold));
            p.drawText(QPointF(L, T + p.fontMetrics().ascent()), shown);
        }
        break;
    }
    }
}

void Canvas::drawPicture(Picture picture, float x, float y) {
    const QImage& own = original(picture);
    if (own.isNull()) return;
    Op op;
    op.kind = Op::Image;
    op.picture = picture;
    op.l = op.el = pixel(x);
    op.t = op.et = pixel(y);
    op.r = op.er = op.l + own.width() - 1;
    op.b = op.eb = op.t + own.height() - 1;
    paint(op);
    keep(std::move(op));
}

void Canvas::drawBox(float x1, float y1, float x2, float y2, int colour) {
    Op op;
    op.kind = Op::Box;
    op.colour = static_cast<unsigned char>(colour & 15);
    op.l = op.el = pixel(std::fmin(x1, x2));
    op.r = pixel(std::fmax(x1, x2));
    op.t = op.et = pixel(std::fmin(y1, y2));
    op.b = pixel(std::fmax(y1, y2));
    // A line may reach one logical pixel past the right and bottom ones at some scales.
    op.er = op.r + 1;
    op.eb = op.b + 1;
    paint(op);
    keep(std::move(op));
}

void Canvas::fillBox(float x1, float y1, float x2, float y2, int colour) {
    Op op;
    op.kind = Op::Fill;
    op.colour = static_cast<unsigned char>(colour & 15);
    op.l = op.el = pixel(std::fmin(x1, x2));
    op.r = op.er = pixel(std::fmax(x1, x2));
    op.t = op.et = pixel(std::fmin(y1, y2));
    op.b = op.eb = pixel(std::fmax(y1, y2));
    paint(op);
    keep(std::move(op));
}

void Canvas::drawText(float x, float y, std::string_view text, float points, bool bold,
                      int colour) {
    Op op;
    op.kind = Op::Text;
    op.colour = static_cast<unsigned char>(colour & 15);
    op.bold = bold;
    op.points = points;
    op.l = pixel(x);
    op.t = pixel(y);
    op.text.assign(text);
    // Where its ink may fall at any scale: around the glyphs' boxes at the default size (blanks
    // have none), a logical pixel more for the rounding of glyphs drawn at other sizes. The
    // font is the one the drawing just used, so this costs no new glyphs.
    const QFontMetrics metrics(font(points, bold));
    const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QRect ink;
    int advance = 0;
    for (const QChar c : shown) {
        if (!c.isSpace()) ink |= metrics.boundingRect(c).translated(advance, 0);
        advance += metrics.horizontalAdvance(c);
    }
    const int base = op.t + metrics.ascent();
    op.cellRight = op.l + advance - 1;
    op.cellBottom = op.t + metrics.height() - 1;
    op.el = op.l + ink.left() - 1;
    op.er = op.l + ink.right() + 1;
    op.et = base + ink.top() - 1;
    op.eb = base + ink.bottom() + 1;
    paint(op);
    keep(std::move(op));
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
