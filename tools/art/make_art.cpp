// Generates every bitmap the game ships (board square, the sixteen pieces, the title and the
// desktop icons) plus res.qrc. Everything is drawn from vectors at each output scale, so the @2x
// set is crisp rather than an enlarged copy, and everything is deterministic so the committed
// files can be checked against a fresh run.
//
//   make_art OUT_DIR                   write everything into OUT_DIR
//   make_art --check RES_DIR SCRATCH   write into SCRATCH, compare RES_DIR with it pixel by pixel,
//                                      allowing for anti-aliasing that varies between machines

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kTileW = 33;
constexpr int kTileH = 41;
constexpr int kTitleW = 129;
constexpr int kTitleH = 70;
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
constexpr const char* kFamily = "IPAPMincho";
constexpr const char* kQrcName = "res.qrc";

// ---------------------------------------------------------------------------------------------
// Randomness. SplitMix64 is used instead of <random> distributions because their output is
// implementation-defined; the grain must come out the same on every machine.

std::uint64_t mix64(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double hashUnit(std::uint64_t seed, std::int64_t i, std::int64_t j = 0) {
    const std::uint64_t h =
        mix64(seed ^ mix64(static_cast<std::uint64_t>(i) * 0x632BE59BD9B4E019ull ^
                           static_cast<std::uint64_t>(j)));
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

double smooth(double t) {
    return t * t * (3.0 - 2.0 * t);
}

// Value noise in [0, 1], continuous, so sampling at 1x and 2x gives the same wood.
double noise1(std::uint64_t seed, double x) {
    const double fx = std::floor(x);
    const auto ix = static_cast<std::int64_t>(fx);
    const double t = smooth(x - fx);
    return hashUnit(seed, ix) * (1.0 - t) + hashUnit(seed, ix + 1) * t;
}

double noise2(std::uint64_t seed, double x, double y) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx);
    const auto iy = static_cast<std::int64_t>(fy);
    const double tx = smooth(x - fx), ty = smooth(y - fy);
    const double a = hashUnit(seed, ix, iy) * (1.0 - tx) + hashUnit(seed, ix + 1, iy) * tx;
    const double b = hashUnit(seed, ix, iy + 1) * (1.0 - tx) + hashUnit(seed, ix + 1, iy + 1) * tx;
    return a * (1.0 - ty) + b * ty;
}

// ---------------------------------------------------------------------------------------------
// Wood: straight-grained kaya, light yellow. Coordinates are in 1x pixels of the board square.

constexpr std::uint64_t kWoodSeed = 0x7A7E6E6B0u;

struct Rgb {
    double r, g, b;
};

Rgb woodAt(double x, double y) {
    // Grain runs top to bottom, wandering slowly sideways.
    const double u = x + 2.2 * (noise1(kWoodSeed + 1, y / 23.0) - 0.5) +
                     0.6 * (noise1(kWoodSeed + 2, y / 7.0) - 0.5);
    // Irregular line spacing, as in real growth rings seen edge-on.
    const double t = u / 4.6 + 1.4 * noise1(kWoodSeed + 3, u / 9.0);
    const double nearest = std::floor(t + 0.5);
    const double dist = std::abs(t - nearest) * 4.6;
    const double strength =
        0.35 + 0.65 * hashUnit(kWoodSeed + 4, static_cast<std::int64_t>(nearest));
    const double line = strength * std::exp(-(dist * dist) / (2.0 * 0.45 * 0.45));
    // A broad, soft band beside each line gives the late-wood darkening.
    const double band = 0.35 * strength * std::exp(-(dist * dist) / (2.0 * 1.4 * 1.4));
    // Fine fibres: stretched along the grain.
    const double fibre = noise2(kWoodSeed + 5, u * 1.3, y / 6.0) - 0.5;
    const double blotch = noise2(kWoodSeed + 6, x / 14.0, y / 17.0) - 0.5;

    const double dark = 26.0 * line + 10.0 * band - 7.0 * fibre - 8.0 * blotch;
    return {241.0 - dark * 0.80, 214.0 - dark * 1.00, 156.0 - dark * 1.15};
}

// Fills img with wood; one image pixel covers `unitsPerPixel` wood units. Each pixel is the mean
// of a 4x4 grid of samples so thin grain lines are antialiased at every scale.
void paintWood(QImage& img, double unitsPerPixel, double offsetX = 0.0, double offsetY = 0.0) {
    constexpr int kSub = 4;
    for (int py = 0; py < img.height(); ++py) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(py));
        for (int px = 0; px < img.width(); ++px) {
            double r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double x = offsetX + (px + (sx + 0.5) / kSub) * unitsPerPixel;
                    const double y = offsetY + (py + (sy + 0.5) / kSub) * unitsPerPixel;
                    const Rgb c = woodAt(x, y);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            }
            constexpr double n = kSub * kSub;
            auto clamp = [](double v) {
                return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
            };
            line[px] = qRgb(clamp(r / n), clamp(g / n), clamp(b / n));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Glyph outlines. Taken at a large pixel size without hinting, then scaled: the result does not
// depend on the rasteriser's hinting settings, only on the font file.

QFont baseFont() {
    QFont f(QString::fromLatin1(kFamily));
    f.setPixelSize(400);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
    f.setKerning(false);
    return f;
}

QPainterPath glyphPath(const QString& text) {
    QPainterPath path;
    path.addText(0, 0, baseFont(), text);
    return path;
}

// Scales `path` uniformly to fit inside `box` and centres it there.
QPainterPath fitInto(const QPainterPath& path, const QRectF& box) {
    const QRectF br = path.boundingRect();
    const double k = std::min(box.width() / br.width(), box.height() / br.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(k, k);
    t.translate(-br.center().x(), -br.center().y());
    return t.map(path);
}

// ---------------------------------------------------------------------------------------------
// Pieces. Geometry is in piece units: a 28 x 37 box centred on the origin, pointing up, which is
// exactly 1x pixels when drawn on a board square.

constexpr double kPieceW = 28.0;
constexpr double kPieceH = 37.0;

QPainterPath pieceOutline() {
    const double halfBase = 14.0, halfShoulder = 12.0;
    const double top = -18.5, shoulder = -11.0, bottom = 18.5;
    QPainterPath p;
    p.moveTo(0, top);
    p.lineTo(halfShoulder, shoulder);
    p.lineTo(halfBase, bottom);
    p.lineTo(-halfBase, bottom);
    p.lineTo(-halfShoulder, shoulder);
    p.closeSubpath();
    return p;
}

enum class Side { Lower, Upper };

// Lower player's pieces are black with white kanji and point up; the upper player's are ivory
// with black kanji and point down (the whole piece turned, as across a real board).
// `pixelsPerUnit` is how many device pixels one piece unit covers; the kanji is thickened more
// when that is small, because Mincho hairlines would otherwise fade out. An empty `kanji` leaves
// the face blank for callers that letter it themselves.
void drawPiece(QPainter& p, const QRectF& box, const QString& kanji, Side side,
               double pixelsPerUnit) {
    const bool lower = side == Side::Lower;
    p.save();
    p.translate(box.center());
    p.scale(box.width() / kPieceW, box.height() / kPieceH);

    const QPainterPath outline = pieceOutline();

    // Soft contact shadow, always down-right whichever way the piece faces.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 35, 10, 38));
    p.drawPath(outline.translated(0.9, 0.9));
    p.setBrush(QColor(60, 35, 10, 30));
    p.drawPath(outline.translated(0.5, 0.5));

    if (!lower) p.rotate(180.0);

    QLinearGradient body(-8, -18.5, 8, 18.5);
    if (lower) {
        body.setColorAt(0.0, QColor(70, 70, 74));
        body.setColorAt(1.0, QColor(16, 16, 18));
    } else {
        body.setColorAt(0.0, QColor(255, 253, 244));
        body.setColorAt(1.0, QColor(236, 228, 204));
    }
    p.setBrush(body);
    QPen edge(lower ? QColor(0, 0, 0) : QColor(78, 60, 40), lower ? 0.8 : 1.0);
    edge.setJoinStyle(Qt::RoundJoin);
    p.setPen(edge);
    p.drawPath(outline);

    if (kanji.isEmpty()) {
        p.restore();
        return;
    }
    // Kanji box: below the roof, slightly low of centre where it sits on a real piece.
    const QPainterPath glyph = fitInto(glyphPath(kanji), QRectF(-9.6, -9.2, 19.2, 23.4));
    const QColor ink = lower ? QColor(255, 255, 255) : QColor(12, 10, 8);
    // A stroke in the ink colour thickens every line evenly. White on black reads thinner than
    // black on white, so it gets a little more.
    const double px = 1.0 / pixelsPerUnit;
    QPen bold(ink, lower ? 0.35 + 0.6 * px : 0.3 + 0.45 * px);
    bold.setJoinStyle(Qt::RoundJoin);
    p.setPen(bold);
    p.setBrush(ink);
    p.drawPath(glyph);
    p.restore();
}

// ---------------------------------------------------------------------------------------------

struct PieceKind {
    const char* name;
    const char* kanji; // UTF-8
};

const PieceKind kKinds[] = {
    {"HU", "歩"},  {"KYOU", "香"}, {"KEI", "桂"}, {"GIN", "銀"},
    {"KIN", "金"}, {"KAKU", "角"}, {"SYA", "飛"}, {"OU", "王"},
};

QImage newRgb(int w, int h) {
    return QImage(w, h, QImage::Format_RGB32);
}

QImage boardSquare(int scale) {
    QImage img = newRgb(kTileW * scale, kTileH * scale);
    paintWood(img, 1.0 / scale);
    return img;
}

QImage pieceTile(int scale, const PieceKind& kind, Side side) {
    QImage img = boardSquare(scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const QRectF box((kTileW - kPieceW) / 2.0, (kTileH - kPieceH) / 2.0, kPieceW, kPieceH);
    drawPiece(p, box, QString::fromUtf8(kind.kanji), side, scale);
    return img;
}

// The game's name, one bright colour per letter with a dark outline and shadow, on the window's
// green; below it three pieces in a row, which is what the game is about.
QImage title(int scale) {
    QImage img = newRgb(kTitleW * scale, kTitleH * scale);
    img.fill(QColor(0, 128, 0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);

    const QString word = QStringLiteral("Tarvenko");
    const QColor colours[] = {
        QColor(255, 70, 60),   QColor(255, 160, 20),  QColor(255, 236, 50),  QColor(110, 220, 255),
        QColor(255, 120, 215), QColor(255, 255, 255), QColor(200, 150, 255), QColor(255, 200, 90),
    };

    // Lay the letters out on one baseline with the font's own advances, then fit the whole word.
    const QFont font = baseFont();
    const QFontMetricsF fm(font);
    std::vector<QPainterPath> letters;
    QPainterPath whole;
    double x = 0;
    const double tracking = 0.04 * font.pixelSize();
    for (const QChar c : word) {
        QPainterPath g;
        g.addText(x, 0, font, QString(c));
        letters.push_back(g);
        whole.addPath(g);
        x += fm.horizontalAdvance(c) + tracking;
    }
    const QRectF br = whole.boundingRect();
    const QRectF box(4.0, 4.0, kTitleW - 8.0, 36.0);
    const double k = std::min(box.width() / br.width(), box.height() / br.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(k, k);
    t.translate(-br.center().x(), -br.center().y());

    const QColor shade(0, 50, 0);
    QPen shadowPen(shade, 3.2);
    shadowPen.setJoinStyle(Qt::RoundJoin);
    p.setPen(shadowPen);
    p.setBrush(shade);
    for (const QPainterPath& g : letters) p.drawPath(t.map(g).translated(1.6, 1.8));

    QPen outline(QColor(10, 30, 10), 3.2);
    outline.setJoinStyle(Qt::RoundJoin);
    p.setPen(outline);
    p.setBrush(Qt::NoBrush);
    for (const QPainterPath& g : letters) p.drawPath(t.map(g));

    for (std::size_t i = 0; i < letters.size(); ++i) {
        const QColor& c = colours[i % std::size(colours)];
        QPen bold(c, 0.9);
        bold.setJoinStyle(Qt::RoundJoin);
        p.setPen(bold);
        p.setBrush(c);
        p.drawPath(t.map(letters[i]));
    }

    const double h = 23.0, w = h * kPieceW / kPieceH, gap = 5.0;
    const double left = (kTitleW - 3 * w - 2 * gap) / 2.0;
    for (int i = 0; i < 3; ++i) {
        drawPiece(p, QRectF(left + i * (w + gap), 44.5, w, h), QString::fromUtf8("歩"), Side::Lower,
                  scale * h / kPieceH);
    }
    return img;
}

// Desktop icon: a rounded wood square with the lower player's king; from 48 px up the upper
// player's piece stands beside it. Small sizes keep a single large piece so it stays readable.
QImage icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);

    QImage wood(size, size, QImage::Format_RGB32);
    paintWood(wood, 36.0 / size, 40.0, 0.0);

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const double inset = size <= 16 ? 0.0 : s * 0.03;
    QPainterPath square;
    square.addRoundedRect(QRectF(inset, inset, s - 2 * inset, s - 2 * inset), s * 0.14, s * 0.14);
    p.setPen(Qt::NoPen);
    p.setBrush(QBrush(wood));
    p.drawPath(square);
    if (size > 16) {
        p.setPen(QPen(QColor(110, 80, 40), std::max(1.0, s / 64.0)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(square);
    }

    const QString king = QString::fromUtf8("王");
    if (size == 16) {
        // At 16 px a font glyph smears into grey; the king is set by hand on whole pixels.
        const double h = 15.0, w = h * kPieceW / kPieceH;
        drawPiece(p, QRectF((s - w) / 2.0, 0.5, w, h), QString(), Side::Lower, h / kPieceH);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(5, 6, 6, 1);
        p.drawRect(5, 9, 6, 1);
        p.drawRect(4, 12, 8, 1);
        p.drawRect(7, 6, 2, 7);
    } else if (size < 48) {
        const double h = s * 0.90, w = h * kPieceW / kPieceH;
        drawPiece(p, QRectF((s - w) / 2.0, (s - h) / 2.0, w, h), king, Side::Lower, h / kPieceH);
    } else {
        // Icons are seen from further away than the board, so they keep the heavier 1x lettering
        // at every size.
        const double h = s * 0.60, w = h * kPieceW / kPieceH, weight = std::min(1.0, h / kPieceH);
        drawPiece(p, QRectF(s * 0.49 - w, s * 0.10, w, h), king, Side::Upper, weight);
        drawPiece(p, QRectF(s * 0.51, s * 0.90 - h, w, h), king, Side::Lower, weight);
    }
    return img;
}

// ---------------------------------------------------------------------------------------------
// The output set.

struct Output {
    QString path; // relative to the output folder
    QSize size;
    bool opaque;
    QImage image;
};

std::vector<Output> renderAll() {
    std::vector<Output> out;
    // @4x: for windows grown past twice the size, which scale it down rather than up.
    for (int scale : {1, 2, 4}) {
        const QString suffix =
            scale == 1 ? QStringLiteral(".png") : QStringLiteral("@%1x.png").arg(scale);
        const QSize tile(kTileW * scale, kTileH * scale);
        out.push_back({"KARA_MASU" + suffix, tile, true, boardSquare(scale)});
        for (Side side : {Side::Lower, Side::Upper}) {
            const QString prefix =
                side == Side::Lower ? QStringLiteral("SITA_") : QStringLiteral("UE_");
            for (const PieceKind& kind : kKinds) {
                out.push_back(
                    {prefix + kind.name + suffix, tile, true, pieceTile(scale, kind, side)});
            }
        }
        out.push_back(
            {"PG_NA" + suffix, QSize(kTitleW * scale, kTitleH * scale), true, title(scale)});
    }
    for (int size : kIconSizes) {
        out.push_back({QStringLiteral("icons/tarvenko-%1.png").arg(size), QSize(size, size), false,
                       icon(size)});
    }
    return out;
}

QByteArray qrcText(const std::vector<Output>& outputs) {
    QByteArray text = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/pictures\">\n";
    for (const Output& o : outputs) {
        if (o.path.startsWith(QLatin1String("icons/"))) continue;
        text += "    <file>" + o.path.toUtf8() + "</file>\n";
    }
    text += "</qresource>\n</RCC>\n";
    return text;
}

bool writeAll(const QString& dir, const std::vector<Output>& outputs) {
    QDir root(dir);
    if (!root.mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "make_art: cannot create %s\n", qPrintable(root.filePath("icons")));
        return false;
    }
    for (const Output& o : outputs) {
        const QImage img = o.opaque ? o.image.convertToFormat(QImage::Format_RGB888)
                                    : o.image.convertToFormat(QImage::Format_ARGB32);
        if (!img.save(root.filePath(o.path), "PNG")) {
            std::fprintf(stderr, "make_art: cannot write %s\n", qPrintable(root.filePath(o.path)));
            return false;
        }
    }
    QFile qrc(root.filePath(QString::fromLatin1(kQrcName)));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate) || qrc.write(qrcText(outputs)) < 0) {
        std::fprintf(stderr, "make_art: cannot write %s\n", qPrintable(qrc.fileName()));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Checking committed files.

QImage canonical(const QImage& img, bool opaque) {
    return img.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
}

// Number of pixels where some channel (alpha included) differs by more than `tolerance`; both
// images must already be canonical and of equal size.
long long differingPixels(const QImage& a, const QImage& b, int tolerance = 0) {
    long long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = la[x], q = lb[x];
            n += std::abs(qRed(p) - qRed(q)) > tolerance ||
                 std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                 std::abs(qBlue(p) - qBlue(q)) > tolerance ||
                 std::abs(qAlpha(p) - qAlpha(q)) > tolerance;
        }
    }
    return n;
}

// The same drawing differs slightly between CPUs and library builds: edge pixels of the
// anti-aliasing move by a few levels, and a handful of them by more. A change of the art moves
// a whole edge, a glyph stroke or an area of colour, far more pixels than this allows.
constexpr int kChannelTolerance = 8;

long long allowedPixels(QSize size) {
    return std::max<long long>(4, static_cast<long long>(size.width()) * size.height() / 1000);
}

int lum(QRgb c) {
    return (qRed(c) * 30 + qGreen(c) * 59 + qBlue(c) * 11) / 100;
}

// Properties a player relies on, checked on the committed pictures so that a generator change
// that stays self-consistent but breaks the look is still caught.
int checkLooks(const std::map<QString, QImage>& pics) {
    int failures = 0;
    auto fail = [&](const QString& what) {
        std::fprintf(stderr, "FAIL %s\n", qPrintable(what));
        ++failures;
    };
    for (int scale : {1, 2, 4}) {
        const QString suffix =
            scale == 1 ? QStringLiteral(".png") : QStringLiteral("@%1x.png").arg(scale);
        const QImage& wood = pics.at("KARA_MASU" + suffix);

        // Wood must be light and visibly grained, not a flat colour.
        double sum = 0, sum2 = 0;
        const int n = wood.width() * wood.height();
        for (int y = 0; y < wood.height(); ++y)
            for (int x = 0; x < wood.width(); ++x) {
                const int l = lum(wood.pixel(x, y));
                sum += l;
                sum2 += double(l) * l;
            }
        const double mean = sum / n, sd = std::sqrt(std::max(0.0, sum2 / n - mean * mean));
        if (mean < 170 || sd < 2.0 || sd > 20.0)
            fail(QStringLiteral("KARA_MASU%1: wood mean %2, spread %3")
                     .arg(suffix)
                     .arg(mean)
                     .arg(sd));

        std::vector<QString> pieceNames;
        for (const char* prefix : {"SITA_", "UE_"})
            for (const PieceKind& k : kKinds)
                pieceNames.push_back(prefix + QString(k.name) + suffix);

        for (const QString& name : pieceNames) {
            const QImage& img = pics.at(name);
            const bool lower = name.startsWith(QLatin1String("SITA_"));
            // The outer ring (under the board's grid line) must be the plain board square.
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const bool ring = x < scale || y < scale || x >= img.width() - scale ||
                                      y >= img.height() - scale;
                    if (ring && img.pixel(x, y) != wood.pixel(x, y)) {
                        fail(name + QStringLiteral(": piece reaches the square's edge"));
                        y = img.height();
                        break;
                    }
                }
            // Piece pixels: clearly different from the wood beneath.
            auto isPiece = [&](int x, int y) {
                const QRgb a = img.pixel(x, y), b = wood.pixel(x, y);
                return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                 std::abs(qBlue(a) - qBlue(b))}) > 30;
            };
            long long count = 0, lumSum = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (isPiece(x, y)) {
                        ++count;
                        lumSum += lum(img.pixel(x, y));
                    }
            if (count < img.width() * img.height() / 2)
                fail(name + QStringLiteral(": piece covers too little of the square"));
            const double body = count ? double(lumSum) / count : 0;
            if (lower ? body > 110 : body < 150)
                fail(name +
                     QStringLiteral(": piece brightness %1 is wrong for its side").arg(body));
            // Direction: the pointed end is the narrow one.
            auto widthAt = [&](int y) {
                int w = 0;
                for (int x = 0; x < img.width(); ++x) w += isPiece(x, y);
                return w;
            };
            const int nearTop = widthAt(img.height() * 15 / 100);
            const int nearBottom = widthAt(img.height() * 85 / 100);
            if (lower ? nearTop >= nearBottom : nearTop <= nearBottom)
                fail(name + QStringLiteral(": points the wrong way"));
        }
        // Every kind must look different from every other.
        for (std::size_t i = 0; i < pieceNames.size(); ++i)
            for (std::size_t j = i + 1; j < pieceNames.size(); ++j) {
                const QImage& a = pics.at(pieceNames[i]);
                const QImage& b = pics.at(pieceNames[j]);
                if (differingPixels(a, b) < a.width() * a.height() / 20)
                    fail(pieceNames[i] + QStringLiteral(" and ") + pieceNames[j] +
                         QStringLiteral(" are hard to tell apart"));
            }

        const QImage& name = pics.at("PG_NA" + suffix);
        if (name.pixel(0, 0) != qRgb(0, 128, 0) ||
            name.pixel(name.width() - 1, name.height() - 1) != qRgb(0, 128, 0))
            fail("PG_NA" + suffix + QStringLiteral(": background is not the window green"));
    }
    return failures;
}

int check(const QString& resDir, const QString& scratchDir) {
    const std::vector<Output> outputs = renderAll();
    if (!writeAll(scratchDir, outputs)) return 2;

    int failures = 0;
    std::map<QString, QImage> committed;
    for (const Output& o : outputs) {
        const QString path = QDir(resDir).filePath(o.path);
        QImage have(path);
        if (have.isNull()) {
            std::fprintf(stderr, "FAIL %s: missing or unreadable\n", qPrintable(path));
            ++failures;
            continue;
        }
        if (have.size() != o.size) {
            std::fprintf(stderr, "FAIL %s: %dx%d, expected %dx%d\n", qPrintable(path), have.width(),
                         have.height(), o.size.width(), o.size.height());
            ++failures;
            continue;
        }
        if (o.opaque && have.hasAlphaChannel()) {
            std::fprintf(stderr, "FAIL %s: has an alpha channel\n", qPrintable(path));
            ++failures;
        }
        // Compare against the file just written, so the PNG round trip is part of the check.
        const QImage fresh(QDir(scratchDir).filePath(o.path));
        const long long diff = fresh.isNull()
                                   ? -1
                                   : differingPixels(canonical(have, o.opaque),
                                                     canonical(fresh, o.opaque), kChannelTolerance);
        if (diff < 0 || diff > allowedPixels(o.size)) {
            std::fprintf(stderr,
                         "FAIL %s: %lld pixels differ by more than %d from a fresh run "
                         "(at most %lld may)\n",
                         qPrintable(path), diff, kChannelTolerance, allowedPixels(o.size));
            ++failures;
        }
        committed[o.path] = canonical(have, o.opaque);
    }

    QFile qrc(QDir(resDir).filePath(QString::fromLatin1(kQrcName)));
    if (!qrc.open(QIODevice::ReadOnly) || qrc.readAll() != qrcText(outputs)) {
        std::fprintf(stderr, "FAIL %s: missing or not the current list\n",
                     qPrintable(qrc.fileName()));
        ++failures;
    }

    // Also judge the committed pictures on their own, so a report says what is wrong with them.
    if (committed.size() == outputs.size()) failures += checkLooks(committed);

    if (failures) {
        std::fprintf(stderr,
                     "%d problem(s). Regenerate with: cmake --build BUILD_DIR --target art\n",
                     failures);
    } else {
        std::printf("all %zu pictures and %s match a fresh run\n", outputs.size(), kQrcName);
    }
    return failures ? 1 : 0;
}

bool fontAvailable() {
    const QFontInfo info(baseFont());
    if (info.family() != QLatin1String(kFamily)) {
        std::fprintf(stderr, "make_art: font %s is not installed (got %s)\n", kFamily,
                     qPrintable(info.family()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();

    if (!fontAvailable()) return 2;
    if (args.size() == 4 && args[1] == QLatin1String("--check")) return check(args[2], args[3]);
    if (args.size() == 2 && !args[1].startsWith(QLatin1String("-")))
        return writeAll(args[1], renderAll()) ? 0 : 2;

    std::fprintf(stderr, "usage: make_art OUT_DIR\n       make_art --check RES_DIR SCRATCH_DIR\n");
    return 2;
}
