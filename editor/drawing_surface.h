#pragma once

#include <cstdint>
#include <string_view>

namespace quillwave::plugins {

// Pixel rectangle: fills cover left <= x < right and top <= y < bottom.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const Rect&) const = default;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    bool operator==(const Rgb&) const = default;
};

// How a label sits in its rectangle. Every placement clips to the rectangle; text too large for
// it is set smaller, and only text still too wide at the smallest size is cut with an ellipsis
// (editor/text_fit.h).
enum class TextPlacement {
    Left,      // one line, vertically centred, left-aligned
    Centre,    // one line, centred both ways
    Right,     // one line, vertically centred, right-aligned
    TopCentre, // one line at the top, horizontally centred
    Wrap,      // several lines broken at words, from the top-left corner
};

enum class FontWeight { Normal = 400, Semibold = 600 };

// The few drawing operations the editor picture is made of, in pixels with the origin at the
// top-left corner: the painter draws the 960 x 580 design, and a ScaledSurface maps it onto a back
// end of another size. The painter knows nothing else of the platform; each back end creates
// whatever brush, pen or font an operation needs and frees it again before returning.
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    virtual void fillBox(Rect rect, Rgb colour) = 0;

    // A solid line that, like a Win32 LineTo, leaves out its end point.
    virtual void drawLine(int x1, int y1, int x2, int y2, Rgb colour, int width) = 0;

    // Text in "Segoe UI" of the given character height in pixels, on a transparent background.
    virtual void drawLabel(Rect rect, std::u16string_view text, Rgb colour, int height,
                           FontWeight weight, TextPlacement placement) = 0;

    // A disc filled with colour inside bounds, outlined by a black one-pixel pen.
    virtual void fillCircle(Rect bounds, Rgb colour) = 0;

protected:
    DrawingSurface() = default;
    DrawingSurface(const DrawingSurface&) = default;
    DrawingSurface& operator=(const DrawingSurface&) = default;
};

} // namespace quillwave::plugins
