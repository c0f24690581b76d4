#pragma once

// A drawing surface in design coordinates over a back end in device pixels: every rectangle,
// line, circle and font is scaled by one factor before the back end draws it, so text is set at
// the scaled size and edges fall on whole device pixels. Neighbouring rectangles stay
// neighbours, because every coordinate is rounded the same way. At 1 the back end sees exactly
// the design's calls.

#include "editor/drawing_surface.h"
#include "editor/view_scale.h"

namespace quillwave::plugins {

class ScaledSurface final : public DrawingSurface {
public:
    // target must outlive the surface. The design's origin lands on (page.left, page.top).
    ScaledSurface(DrawingSurface& target, const PageTransform& page)
        : target_(target), scale_(page.scale), left_(page.left), top_(page.top) {}
    ScaledSurface(DrawingSurface& target, double scale) : ScaledSurface(target, {scale, 0, 0}) {}

    void fillBox(Rect rect, Rgb colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) override;
    void drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height, FontWeight weight,
                   TextPlacement placement) override;
    void fillCircle(Rect bounds, Rgb colour) override;

private:
    int device(int design) const;
    Rect device(Rect design) const;
    int deviceLength(int design) const; // at least 1

    DrawingSurface& target_;
    double scale_;
    int left_;
    int top_;
};

} // namespace quillwave::plugins
