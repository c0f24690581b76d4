#pragma once

// The sizes the editor asks for: the 960 x 580 design scaled by one factor, whether the factor
// comes from the host, from the screen or from the user dragging the window's corner. The width
// decides the factor and the height follows it, so a size it asks for is always a whole-pixel
// width and the height nearest to the design's aspect ratio. The host may give any other size:
// the page is then drawn at the largest scale that fits, centred in the window.

#include "editor/editor_layout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quillwave::plugins {

// A host's or a screen's content scale.
inline constexpr double kMinContentScale = 1.0;
inline constexpr double kMaxContentScale = 4.0;
// What the user may resize the editor to.
inline constexpr double kMinUserScale = 0.75;
inline constexpr double kMaxUserScale = 4.0;

struct ViewSize {
    int width = layout::kWidth;
    int height = layout::kHeight;

    bool operator==(const ViewSize&) const = default;
};

// Where the page sits in a window: design pixels times scale, from (left, top) of the window.
struct PageTransform {
    double scale = 1.0;
    int left = 0;
    int top = 0;
};

// The height that keeps the design's aspect ratio at width, to the nearest pixel.
inline int heightForWidth(int width) {
    return static_cast<int>(
        std::lround(static_cast<double>(width) * layout::kHeight / layout::kWidth));
}

// The largest size of the design's aspect ratio within a free width x height, kept between the
// smallest and the largest user scale. A size this returns is returned unchanged.
inline ViewSize constrainViewSize(int width, int height) {
    const int smallest = static_cast<int>(std::lround(kMinUserScale * layout::kWidth));
    const int largest = static_cast<int>(std::lround(kMaxUserScale * layout::kWidth));
    // The width height allows, rounded up, then stepped down until its height fits.
    const double byHeight =
        std::ceil(static_cast<double>(height) * layout::kWidth / layout::kHeight);
    int fitted = static_cast<int>(
        std::clamp<double>(std::min<double>(width, byHeight + 1.0), smallest, largest));
    while (fitted > smallest && heightForWidth(fitted) > height) {
        --fitted;
    }
    return {fitted, heightForWidth(fitted)};
}

// The size of the design at a content scale.
inline ViewSize scaledViewSize(double scale) {
    const int width = static_cast<int>(std::lround(scale * layout::kWidth));
    return {width, heightForWidth(width)};
}

// The page in a window of size: scaled by the largest factor at which it fits, kept between the
// smallest and the largest user scale, and centred (a page larger than the window is cut off
// evenly on both sides).
PageTransform pageTransform(ViewSize size);

// The window's pixels outside the page, as up to four rectangles: the page's background.
std::vector<Rect> marginAreas(ViewSize size, const PageTransform& page);

// A host's factor is taken from 1 to 4; anything else (NaN included) is refused.
inline bool isContentScale(double scale) {
    return scale >= kMinContentScale && scale <= kMaxContentScale;
}

// A screen's resolution as a content scale: 96 dpi is 1, kept within the content scales.
inline double scaleOfDpi(double dpi) {
    if (!(dpi > 0.0)) {
        return kMinContentScale;
    }
    return std::clamp(dpi / 96.0, kMinContentScale, kMaxContentScale);
}

// Device pixels of a design coordinate, rounded to the nearest pixel (halves up, on both sides
// of the origin alike).
inline int toDevice(int design, double scale) {
    return static_cast<int>(std::floor(design * scale + 0.5));
}

// The device pixels of a design rectangle: exactly those of the design pixels inside it, so
// neighbouring rectangles share no device pixel.
inline Rect toDevice(Rect design, double scale) {
    return {toDevice(design.left, scale), toDevice(design.top, scale),
            toDevice(design.right, scale), toDevice(design.bottom, scale)};
}

// The design coordinate of a device pixel: the design pixel d whose device span
// [toDevice(d), toDevice(d + 1)) holds it, so every device pixel of a control's scaled rectangle
// lands inside its design rectangle.
inline int toDesign(int pixel, double scale) {
    return static_cast<int>(std::ceil((pixel + 0.5) / scale)) - 1;
}

// The same in a window: the page's device rectangle of a design rectangle, and the design point
// of a window pixel.
inline Rect toDevice(Rect design, const PageTransform& page) {
    const Rect d = toDevice(design, page.scale);
    return {d.left + page.left, d.top + page.top, d.right + page.left, d.bottom + page.top};
}
inline int toDesignX(int x, const PageTransform& page) {
    return toDesign(x - page.left, page.scale);
}
inline int toDesignY(int y, const PageTransform& page) {
    return toDesign(y - page.top, page.scale);
}

} // namespace quillwave::plugins
