// The persistent image: a QImage in device pixels, drawn in twips (15 per logical pixel).
// The real window shows it and the pixel tests read it; nothing redraws it on paint.
#pragma once

#include "platform/Window.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <array>
#include <string_view>

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

    // The image with every drawing so far on it.
    const QImage& image() const;
    int background() const { return background_; }

    // The logical pixel of a twip position, as the window rounds it.
    static int pixel(float twips);
    static QColor colour(int index);
    // The window's font: "ＭＳ Ｐ明朝", with its stand-ins where that family is missing.
    static QFont font(float points, bool bold);
    static const char* const kFamily;

  private:
    const QImage& pictureImage(Picture picture);
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
    int background_ = 0;
    std::array<QImage, kPictureCount> pictures_;
    mutable QPainter painter_; // after image_, so that it ends before the image goes
};

} // namespace tarvenko
