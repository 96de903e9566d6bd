// Where the picture, laid out in logical pixels at its default size, lands on the device
// pixels of a window of any size: scaled uniformly, centred. Drawing and clicks both go through
// it, so a device pixel always belongs to the same logical pixel as the one drawn there.
#pragma once

#include <algorithm>
#include <cmath>

namespace tarvenko {

struct PictureScale {
    double k = 1; // device pixels per logical pixel
    int left = 0; // device pixel of the picture's left edge
    int top = 0;  // device pixel of the picture's top edge

    // The device pixel where logical pixel L begins. Every edge snaps to a whole device pixel
    // the same way, so adjacent shapes meet exactly as they do at the default size.
    int x(int L) const { return left + edge(L); }
    int y(int L) const { return top + edge(L); }
    // A line of one logical pixel: the same number of device pixels wherever it falls.
    int lineWidth() const { return std::max(1, static_cast<int>(std::floor(k + 0.5))); }

    // The logical pixel a device pixel falls in: the last one that begins at or before it.
    int logicalX(int device) const { return logical(device - left); }
    int logicalY(int device) const { return logical(device - top); }
    // Where a click on a device pixel lands, in logical pixels. On the first line width of a
    // logical pixel it is that pixel's corner, as a click there is at the default size; past it
    // the pixel shows what lies beside a line drawn there (a square's picture beside its
    // outline, say), so it is the pixel's middle.
    double pointX(int device) const { return point(device - left); }
    double pointY(int device) const { return point(device - top); }

    // The scale for a picture of w × h logical pixels in a view of width × height device
    // pixels on a screen of the given pixel ratio.
    static PictureScale fit(int width, int height, int w, int h, double ratio) {
        PictureScale s;
        double fitted = std::min(width / (w * ratio), height / (h * ratio));
        // Exactly the screen's own ratio while the picture would grow by less than a device
        // pixel (the default size); never so small that lines vanish.
        if (fitted >= 1 && (fitted - 1) * std::max(w, h) * ratio < 1) fitted = 1;
        s.k = std::max(0.5, ratio * fitted);
        s.left = std::max(0, (width - s.edge(w)) / 2);
        s.top = std::max(0, (height - s.edge(h)) / 2);
        return s;
    }

    bool operator==(const PictureScale&) const = default;

  private:
    double point(int d) const {
        const int L = logical(d);
        return d - edge(L) < lineWidth() ? L : L + 0.5;
    }
    int edge(int L) const { return static_cast<int>(std::floor(L * k + 0.5)); }
    int logical(int d) const {
        int L = static_cast<int>(std::floor((d + 0.5) / k));
        while (edge(L) > d) --L;
        while (edge(L + 1) <= d) ++L;
        return L;
    }
};

} // namespace tarvenko
