// Where a window of our own goes on the screen, worked out in plain numbers so that every case
// (beside the main window, a maximised or full-screen one, an edge, a second screen) can be
// checked without a display. Rectangles are frames, in logical pixels of the desktop.
#pragma once

#include <algorithm>

namespace tarvenko {

struct ScreenBox {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const ScreenBox&) const = default;
};

// The box moved, and shrunk only if it is larger, as little as needed to lie inside `area`.
constexpr ScreenBox insideArea(ScreenBox b, ScreenBox area) {
    b.w = std::min(b.w, area.w);
    b.h = std::min(b.h, area.h);
    b.x = std::clamp(b.x, area.x, area.x + area.w - b.w);
    b.y = std::clamp(b.y, area.y, area.y + area.h - b.h);
    return b;
}

// A window of frame size (w, h) beside the main window's frame `main`, `gap` apart, level
// with its top: on its right where the screen's free `area` has room, else on its left; where
// neither side has room (the main window fills the screen, or nearly), inside the area at its
// right edge, over the main window. Never outside the area.
constexpr ScreenBox besideMain(ScreenBox main, int w, int h, ScreenBox area, int gap) {
    ScreenBox b{main.x + main.w + gap, main.y, w, h};
    if (b.x + w > area.x + area.w) {
        b.x = main.x - gap - w;
        if (b.x < area.x) b.x = area.x + area.w - w;
    }
    return insideArea(b, area);
}

} // namespace tarvenko
