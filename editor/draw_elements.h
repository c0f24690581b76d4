#pragma once

// Drawing elements shared by all pages, built from the surface's primitives.

#include "editor/drawing_surface.h"

#include <string_view>

namespace quillwave::plugins {

// A push button: face, a light top and left edge, a dark two-pixel shadow at the bottom and the
// text centred in 14 px semibold. An active button has the warm face and dark text.
void drawButton(DrawingSurface& surface, Rect rect, std::u16string_view text, bool active);

// A fader cap: a vertical gradient brightest at its top edge, darkest at its middle, with a light
// top line, a dark bottom line and a dark centre line.
void drawFaderCap(DrawingSurface& surface, Rect rect);

} // namespace quillwave::plugins
