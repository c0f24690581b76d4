#include "editor/scaled_surface.h"

#include "editor/view_scale.h"

#include <algorithm>
#include <cmath>

namespace quillwave::plugins {
namespace {

// A pen of `width` across a straight line at `at` covers width pixels from at - width / 2, as the
// back ends draw it: the device line and pen width that cover that design span scaled.
void scalePenSpan(int at, int width, double scale, int& deviceAt, int& deviceWidth) {
    const int first = at - width / 2;
    const int end = first + std::max(width, 1);
    const int deviceFirst = toDevice(first, scale);
    deviceWidth = std::max(toDevice(end, scale) - deviceFirst, 1);
    deviceAt = deviceFirst + deviceWidth / 2;
}

// Ends of a line along its axis, which leaves out its end point: from a to b when a < b covers
// [a, b); from a down to b covers (b, a]. The device ends cover the scaled pixels of the same
// design pixels.
void scaleAxis(int a, int b, double scale, int& deviceA, int& deviceB) {
    if (a <= b) {
        deviceA = toDevice(a, scale);
        deviceB = toDevice(b, scale);
    } else {
        deviceA = toDevice(a + 1, scale) - 1;
        deviceB = toDevice(b + 1, scale) - 1;
    }
}

} // namespace

int ScaledSurface::device(int design) const {
    return toDevice(design, scale_);
}

Rect ScaledSurface::device(Rect design) const {
    return toDevice(design, PageTransform{scale_, left_, top_});
}

int ScaledSurface::deviceLength(int design) const {
    return std::max(device(design), 1);
}

void ScaledSurface::fillBox(Rect rect, Rgb colour) {
    target_.fillBox(device(rect), colour);
}

void ScaledSurface::drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) {
    const bool horizontal = y1 == y2 && x1 != x2;
    const bool vertical = x1 == x2 && y1 != y2;
    if (!horizontal && !vertical) {
        target_.drawLine(device(x1) + left_, device(y1) + top_, device(x2) + left_,
                         device(y2) + top_, colour, deviceLength(width));
        return;
    }
    // A straight line: its pen's span across it and its pixels along it, each scaled.
    int across = 0;
    int penWidth = 0;
    scalePenSpan(horizontal ? y1 : x1, width, scale_, across, penWidth);
    int from = 0;
    int to = 0;
    if (horizontal) {
        scaleAxis(x1, x2, scale_, from, to);
        target_.drawLine(from + left_, across + top_, to + left_, across + top_, colour, penWidth);
    } else {
        scaleAxis(y1, y2, scale_, from, to);
        target_.drawLine(across + left_, from + top_, across + left_, to + top_, colour, penWidth);
    }
}

void ScaledSurface::drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height,
                              FontWeight weight, TextPlacement placement) {
    target_.drawLabel(device(rect), text, colour, deviceLength(height), weight, placement);
}

void ScaledSurface::fillCircle(Rect bounds, Rgb colour) {
    target_.fillCircle(device(bounds), colour);
}

} // namespace quillwave::plugins
