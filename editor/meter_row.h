#pragma once

#include "editor/drawing_surface.h"

#include <string_view>

namespace quillwave::plugins {

// Horizontal meter position of a linear level: -60 dBFS and below at x 130, 0 dBFS and above at
// x 785, linear in decibels between.
int meterX(float level);

// One input meter row at y: label, frame and well, peak segments coloured by level, the RMS bar,
// the peak marker, the peak in dBFS and the clip box.
void drawMeterRow(DrawingSurface& surface, int y, std::u16string_view label, float peak, float rms,
                  bool clip);

} // namespace quillwave::plugins
