#pragma once

// Draws one square of the editor picture, scaled to fill a square surface of another size: the
// bundle's folder icon is the recorder page's state lamp painted this way.

#include "editor/drawing_surface.h"

#include <algorithm>

namespace quillwave::test {

class CroppedSurface final : public plugins::DrawingSurface {
public:
    // crop: the square of the 960 x 580 picture to show; size: the target's side in pixels.
    CroppedSurface(plugins::DrawingSurface& target, plugins::Rect crop, int size)
        : target_(target), crop_(crop), size_(size), side_(crop.right - crop.left) {}

    void fillBox(plugins::Rect rect, plugins::Rgb colour) override {
        target_.fillBox(map(rect), colour);
    }
    void drawLine(int x1, int y1, int x2, int y2, plugins::Rgb colour, int width) override {
        target_.drawLine(mapX(x1), mapY(y1), mapX(x2), mapY(y2), colour, std::max(1, scale(width)));
    }
    void drawLabel(plugins::Rect rect, std::u16string_view text, plugins::Rgb colour, int height,
                   plugins::FontWeight weight, plugins::TextPlacement placement) override {
        target_.drawLabel(map(rect), text, colour, std::max(1, scale(height)), weight, placement);
    }
    void fillCircle(plugins::Rect bounds, plugins::Rgb colour) override {
        target_.fillCircle(map(bounds), colour);
    }

private:
    int scale(int length) const { return length * size_ / side_; }
    int mapX(int x) const { return scale(x - crop_.left); }
    int mapY(int y) const { return scale(y - crop_.top); }
    plugins::Rect map(plugins::Rect r) const {
        return {mapX(r.left), mapY(r.top), mapX(r.right), mapY(r.bottom)};
    }

    plugins::DrawingSurface& target_;
    plugins::Rect crop_;
    int size_;
    int side_;
};

} // namespace quillwave::test
