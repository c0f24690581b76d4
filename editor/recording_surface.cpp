#include "editor/recording_surface.h"

namespace quillwave::plugins {

void RecordingSurface::fillBox(Rect rect, Rgb colour) {
    calls_.emplace_back(FillBoxCall{rect, colour});
}

void RecordingSurface::drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) {
    calls_.emplace_back(LineCall{x1, y1, x2, y2, colour, width});
}

void RecordingSurface::drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height,
                                 FontWeight weight, TextPlacement placement) {
    calls_.emplace_back(LabelCall{rect, std::u16string(text), colour, height, weight, placement});
}

void RecordingSurface::fillCircle(Rect bounds, Rgb colour) {
    calls_.emplace_back(CircleCall{bounds, colour});
}

} // namespace quillwave::plugins
