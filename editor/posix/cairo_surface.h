#pragma once

// The cairo back end of the editor's drawing surface, for the X11 window and for pictures. It
// draws into a cairo context it does not own and leaves the context's state as it found it.
//
// Text is set in "DejaVu Sans" through fontconfig: Debian installs it with every desktop (it is
// the first font fontconfig-config depends on), it holds every glyph the pages use (the minus
// sign, infinity, ellipsis, arrows, guillemets and the middle dot), and as a plain humanist
// sans-serif it stands in for "Segoe UI" at the same pixel sizes. It runs a little wider, which
// the text rectangles leave room for.

#include "editor/drawing_surface.h"

#include <cairo.h>

namespace quillwave::plugins {

inline constexpr char kEditorFontFamily[] = "DejaVu Sans";

class CairoSurface final : public DrawingSurface {
public:
    explicit CairoSurface(cairo_t* context) : cr_(context) {}
    ~CairoSurface() override { flushFills(); }
    CairoSurface(const CairoSurface&) = delete;
    CairoSurface& operator=(const CairoSurface&) = delete;

    void fillBox(Rect rect, Rgb colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) override;
    void drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height, FontWeight weight,
                   TextPlacement placement) override;
    void fillCircle(Rect bounds, Rgb colour) override;

private:
    // Boxes of one colour in a row are filled as one path: the same pixels as one by one (they
    // are opaque and pixel-aligned), for a fraction of cairo's cost per fill.
    void flushFills();

    cairo_t* cr_;
    bool fillsPending_ = false;
    Rgb pendingColour_;
};

} // namespace quillwave::plugins
