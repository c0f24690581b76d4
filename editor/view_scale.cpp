#include "editor/view_scale.h"

namespace quillwave::plugins {
namespace {

// Halves of an odd margin go to the right and bottom, for both signs alike.
int halfOf(int margin) {
    return static_cast<int>(std::floor(margin / 2.0));
}

} // namespace

PageTransform pageTransform(ViewSize size) {
    const double fits = std::min(static_cast<double>(size.width) / layout::kWidth,
                                 static_cast<double>(size.height) / layout::kHeight);
    const double scale = std::clamp(fits, kMinUserScale, kMaxUserScale);
    return {scale, halfOf(size.width - toDevice(layout::kWidth, scale)),
            halfOf(size.height - toDevice(layout::kHeight, scale))};
}

std::vector<Rect> marginAreas(ViewSize size, const PageTransform& page) {
    const Rect inside = toDevice(layout::kWholeWindow, page);
    const Rect candidates[] = {
        {0, 0, size.width, inside.top},                        // above
        {0, inside.bottom, size.width, size.height},           // below
        {0, inside.top, inside.left, inside.bottom},           // left
        {inside.right, inside.top, size.width, inside.bottom}, // right
    };
    std::vector<Rect> margins;
    for (const Rect& area : candidates) {
        if (area.right > area.left && area.bottom > area.top) {
            margins.push_back(area);
        }
    }
    return margins;
}

} // namespace quillwave::plugins
