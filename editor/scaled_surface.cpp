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
    return {device(design.left), device(design.top), device(design.right), device(design.bottom)};
}

int ScaledSurface::deviceLength(int design) const {
    return std::max(device(design), 1);
}

void ScaledSurface::fillBox(Rect rect, Rgb colour) {
    target_.fillBox(device(rect), colour);
}

void ScaledSurface::drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) {
    if (y1 == y2 && x1 != x2) {
        int y = 0;
        int penWidth = 0;
        scalePenSpan(y1, width, scale_, y, penWidth);
        int left = 0;
        int right = 0;
        scaleAxis(x1, x2, scale_, left, right);
        target_.drawLine(left, y, right, y, colour, penWidth);
        return;
    }
    if (x1 == x2 && y1 != y2) {
        int x = 0;
        int penWidth = 0;
        scalePenSpan(x1, width, scale_, x, penWidth);
        int top = 0;
        int bottom = 0;
        scaleAxis(y1, y2, scale_, top, bottom);
        target_.drawLine(x, top, x, bottom, colour, penWidth);
        return;
    }
    target_.drawLine(device(x1), device(y1), device(x2), device(y2), colour, deviceLength(width));
}

void ScaledSurface::drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height,
                              FontWeight weight, TextPlacement placement) {
    target_.drawLabel(device(rect), text, colour, deviceLength(height), weight, placement);
}

void ScaledSurface::fillCircle(Rect bounds, Rgb colour) {
    target_.fillCircle(device(bounds), colour);
}

} // namespace quillwave::plugins
