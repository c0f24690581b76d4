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

void replay(const std::vector<DrawCall>& calls, DrawingSurface& surface) {
    for (const DrawCall& call : calls) {
        if (const auto* box = std::get_if<FillBoxCall>(&call)) {
            surface.fillBox(box->rect, box->colour);
        } else if (const auto* line = std::get_if<LineCall>(&call)) {
            surface.drawLine(line->x1, line->y1, line->x2, line->y2, line->colour, line->width);
        } else if (const auto* label = std::get_if<LabelCall>(&call)) {
            surface.drawLabel(label->rect, label->text, label->colour, label->height,
                              label->weight, label->placement);
        } else if (const auto* circle = std::get_if<CircleCall>(&call)) {
            surface.fillCircle(circle->bounds, circle->colour);
        }
    }
}

} // namespace quillwave::plugins
