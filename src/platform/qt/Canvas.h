// The persistent image: a QImage in device pixels, drawn in twips (15 per logical pixel).
// The real window shows it and the pixel tests read it; nothing redraws it on paint.
// It also keeps what was drawn since the last background, compacted, so that the whole picture
// can be drawn again at another size, sharp, when the window is resized.
#pragma once

#include "platform/PictureScale.h"
#include "platform/Window.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenko {

// One mark of the analysis on a square (logical pixels): a blue disc for a win, a vermilion
// diamond for a loss, n in white on it.
void paintAnalysisMark(QPainter& p, const QRectF& square, bool win, int n);

class Canvas {
  public:
    // size in logical pixels; ratio is the screen's device-pixel ratio.
    Canvas(QSize size, qreal ratio);

    void setBackground(int colour);
    void drawPicture(Picture picture, float x, float y);
    void drawBox(float x1, float y1, float x2, float y2, int colour);
    void fillBox(float x1, float y1, float x2, float y2, int colour);
    void drawText(float x, float y, std::string_view text, float points, bool bold, int colour);

    // A new image of `device` pixels with everything drawn again at `scale`: the lines, the
    // text and the pictures at that size, not an enlarged copy.
    void setScale(QSize device, const PictureScale& scale);
    const PictureScale& scale() const { return scale_; }
    // Lets go of the pictures made for sizes other than their own two.
    void forgetSizes();
    // How many drawings a new size draws again: those not hidden by later ones.
    int keptDrawings() const { return static_cast<int>(ops_.size()); }

    // The image with every drawing so far on it.
    const QImage& image() const;
    int background() const { return background_; }
    qreal ratio() const { return ratio_; }

    // The logical pixel of a twip position, as the window rounds it.
    static int pixel(float twips);
    static QColor colour(int index);
    // The window's font: "ＭＳ Ｐ明朝", with its stand-ins where that family is missing.
    static QFont font(float points, bool bold);
    static const char* const kFamily;

  private:
    // One drawing, in logical pixels (left, top, right, bottom, all included).
    struct Op {
        enum Kind : unsigned char { Fill, Box, Image, Text };
        Kind kind = Fill;
        unsigned char colour = 0;
        bool bold = false;
        Picture picture = Picture::KARA_MASU;
        int l = 0, t = 0, r = 0, b = 0;
        // The logical pixels it may touch at any scale, for dropping it once hidden.
        int el = 0, et = 0, er = 0, eb = 0;
        float points = 0;
        std::string text;
        int cellRight = 0, cellBottom = 0; // a text's box: its advance by the font's height
    };
    void keep(Op&& op);
    void paint(const Op& op);

    const QImage& original(Picture picture);
    // The set drawn at twice (times = 2) or four times the size.
    const QImage& sharp(Picture picture, int times);
    const QImage& picture(Picture picture, QSize device);
    // The painter on the image: begun by a drawing and kept for the next ones until the image
    // is read, since a board's worth of drawings each with a painter of its own costs more
    // than the drawings.
    QPainter& painter();
    // A new canvas is white. The white is filled in only when the canvas is drawn on or read
    // before it gets a background colour: the window's first drawing is that colour all over,
    // and filling a window-sized image twice is a noticeable part of its start.
    void whitenIfBlank() const;

    mutable QImage image_;
    mutable bool blank_ = true;
    qreal ratio_;
    PictureScale scale_;
    int background_ = 0;
    bool hasBackground_ = false;
    std::vector<Op> ops_;
    std::array<QImage, kPictureCount> originals_; // as designed, one pixel a logical pixel
    std::array<QImage, kPictureCount> sharp_;     // drawn at twice that
    std::array<QImage, kPictureCount> sharper_;   // and at four times
    // Each picture at the device sizes it was last drawn at: a scale gives it at most four (an
    // edge falls on one of two whole pixels), and the next size of a drag mostly the same ones.
    static constexpr int kSizes = 8;
    std::array<std::array<QImage, kSizes>, kPictureCount> sized_;
    std::array<int, kPictureCount> nextSized_{};
    // The pixels of a resized image, kept from one size to the next, so that a drag does not
    // ask the system for fresh memory at every step.
    std::unique_ptr<uchar[]> pixels_;
    std::size_t pixelBytes_ = 0;
    mutable QPainter painter_; // after image_, so that it ends before the image goes
};

} // namespace tarvenko
