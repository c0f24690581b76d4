#pragma once

// View rectangles compared and printed, for the size checks of the editor's tests.

#include "pluginterfaces/gui/iplugview.h"

#include <ostream>

namespace Steinberg {
inline bool operator==(const ViewRect& a, const ViewRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const ViewRect& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
} // namespace Steinberg
