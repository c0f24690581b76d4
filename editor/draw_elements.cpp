#include "editor/draw_elements.h"

#include "editor/palette.h"

#include <algorithm>

namespace quillwave::plugins {

void drawButton(DrawingSurface& surface, Rect rect, std::u16string_view text, bool active) {
    surface.fillBox(rect, active ? palette::kButtonActiveFace : palette::kButtonInactiveFace);
    surface.drawLine(rect.left, rect.top, rect.right, rect.top, palette::kButtonTopEdge, 1);
    surface.drawLine(rect.left, rect.top, rect.left, rect.bottom, palette::kButtonLeftEdge, 1);
    surface.drawLine(rect.left, rect.bottom - 1, rect.right, rect.bottom - 1,
                     palette::kButtonShadow, 2);
    surface.drawLabel(rect, text, active ? palette::kButtonActiveText : palette::kPrimaryText, 14,
                      FontWeight::Semibold, TextPlacement::Centre);
}

void drawFaderCap(DrawingSurface& surface, Rect rect) {
    const int height = rect.bottom - rect.top;
    const int half = height / 2;
    for (int i = 0; i < height; ++i) {
        const int c = std::clamp(i < half ? 218 - 2 * i : 151 + 2 * (i - half), 110, 224);
        const Rgb shade{static_cast<std::uint8_t>(c - 11), static_cast<std::uint8_t>(c),
                        static_cast<std::uint8_t>(c + 3)};
        surface.fillBox({rect.left, rect.top + i, rect.right, rect.top + i + 1}, shade);
    }
    surface.drawLine(rect.left, rect.top, rect.right, rect.top, palette::kCapTopLine, 2);
    surface.drawLine(rect.left, rect.bottom - 1, rect.right, rect.bottom - 1,
                     palette::kCapBottomLine, 2);
    const int mid = (rect.top + rect.bottom) / 2;
    surface.drawLine(rect.left, mid, rect.right, mid, palette::kCapMiddleLine, 3);
}

} // namespace quillwave::plugins
