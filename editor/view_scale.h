#pragma once

// The sizes the editor takes: the 960 x 580 design scaled by one factor, whether the factor comes
// from the host, from the screen or from the user dragging the window's corner. The width decides
// the factor and the height follows it, so a size is always a whole-pixel width and the height
// nearest to the design's aspect ratio.

#include "editor/editor_layout.h"

#include <algorithm>
#include <cmath>

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

    // Design pixels to device pixels.
    double scale() const { return static_cast<double>(width) / layout::kWidth; }
    bool operator==(const ViewSize&) const = default;
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

} // namespace quillwave::plugins
