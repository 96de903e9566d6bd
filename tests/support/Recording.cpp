#include "Recording.h"

#include <cmath>

namespace tarvenko {

void RecordingWindow::record(Op op) {
    op.at = clock;
    if (onOp) onOp(op);
    if (logDrawing) ops.push_back(std::move(op));
}

void RecordingWindow::setBackground(int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Background, Picture::KARA_MASU, 0, 0, 0, 0, colour, {}, 0, false, 0});
}

void RecordingWindow::drawPicture(Picture picture, float x, float y) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Picture, picture, x, y, x, y, 0, {}, 0, false, 0});
}

void RecordingWindow::drawBox(float x1, float y1, float x2, float y2, int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Box, Picture::KARA_MASU, x1, y1, x2, y2, colour, {}, 0, false, 0});
}

void RecordingWindow::fillBox(float x1, float y1, float x2, float y2, int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Fill, Picture::KARA_MASU, x1, y1, x2, y2, colour, {}, 0, false, 0});
}

void RecordingWindow::drawText(float x, float y, std::string_view text, float points, bool bold,
                               int colour) {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Text, Picture::KARA_MASU, x, y, x, y, colour, std::string(text), points, bold,
              0});
}

void RecordingWindow::refresh() {
    if (!logDrawing && !onOp) return;
    record(Op{OpKind::Refresh, Picture::KARA_MASU, 0, 0, 0, 0, 0, {}, 0, false, 0});
}

void RecordingWindow::messageBox(std::string_view text, std::string_view title, MessageIcon icon) {
    messages.push_back(Message{std::string(text), std::string(title), icon});
    if (onMessage) onMessage(messages.back());
}

void RecordingWindow::sleep(double s) {
    if (s > 0) {
        // Time always moves on, even by less than the clock's resolution.
        const double before = clock;
        clock += s;
        if (clock <= before) clock = std::nextafter(before, 1e300);
    }
}

void RecordingWindow::place(float left, float top, float width, float height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

std::int32_t RecordingSound::dsInitialize(std::int32_t window) {
    add("initialize", window);
    return failInitialize ? 0 : instance;
}

std::int32_t RecordingSound::dsCreateDSB(std::int32_t inst, const void* data, std::int32_t size,
                                         std::int32_t flag) {
    if (inst != instance || data == nullptr || size <= 0) return add("create", 0);
    createdSizes.push_back(size);
    createdFlags.push_back(flag);
    return add("create", nextHandle++);
}

std::int32_t RecordingSound::add(const char* op, std::int32_t handle) {
    calls.push_back(Call{op, handle});
    if (onCall) onCall(calls.back());
    return handle;
}

} // namespace tarvenko
