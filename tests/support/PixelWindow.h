// The recording window drawing for real on a canvas, for tests that look at pixels.
#pragma once

#include "Recording.h"
#include "platform/qt/Canvas.h"

#include <functional>

namespace tarvenko {

class PixelWindow : public RecordingWindow {
  public:
    explicit PixelWindow(qreal ratio = 1.0) : canvas(QSize(680, 540), ratio) {}

    void setBackground(int colour) override { canvas.setBackground(colour); }
    void drawPicture(Picture p, float x, float y) override { canvas.drawPicture(p, x, y); }
    void drawBox(float x1, float y1, float x2, float y2, int c) override {
        canvas.drawBox(x1, y1, x2, y2, c);
    }
    void fillBox(float x1, float y1, float x2, float y2, int c) override {
        canvas.fillBox(x1, y1, x2, y2, c);
    }
    void drawText(float x, float y, std::string_view t, float pt, bool bold, int c) override {
        canvas.drawText(x, y, t, pt, bold, c);
    }
    void refresh() override {
        if (onRefresh) onRefresh(canvas.image());
    }

    Canvas canvas;
    std::function<void(const QImage&)> onRefresh;
};

} // namespace tarvenko
