#pragma once

// Whether a mouse point lies on a control rectangle of the layout.

#include "editor/drawing_surface.h"

namespace quillwave::plugins {

// As the fill of the rectangle (and Win32's PtInRect): left and top inclusive, right and bottom
// exclusive.
constexpr bool contains(Rect rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

// Right and bottom inclusive too: these controls also react one pixel beyond their painted face.
constexpr bool containsInclusive(Rect rect, int x, int y) {
    return x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
}

} // namespace quillwave::plugins
