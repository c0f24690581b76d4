#pragma once

// The Win32 GDI back end of the editor's drawing surface. It draws into a device context it does
// not own (the paint cycle's memory context) and creates and deletes every brush, pen and font
// around the one call that uses it, so nothing outlives a paint.

#include "editor/drawing_surface.h"

#include <windows.h>

namespace quillwave::plugins {

class GdiSurface final : public DrawingSurface {
public:
    explicit GdiSurface(HDC dc) : dc_(dc) {}

    void fillBox(Rect rect, Rgb colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) override;
    void drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height, FontWeight weight,
                   TextPlacement placement) override;
    void fillCircle(Rect bounds, Rgb colour) override;

private:
    HDC dc_;
};

} // namespace quillwave::plugins
