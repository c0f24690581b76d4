// Text of the cairo back end that is wider than its box is set smaller or cut, never clipped.

#include "editor/posix/cairo_surface.h"

#include <cairo.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace quillwave::plugins {
namespace {

// The rightmost column with any ink of label drawn white on black in a box of width x 25.
int rightmostInk(std::u16string_view label, int width, int height, FontWeight weight) {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 300, 25);
    cairo_t* cr = cairo_create(image);
    {
        CairoSurface surface(cr);
        surface.fillBox({0, 0, 300, 25}, Rgb{0, 0, 0});
        surface.drawLabel({0, 0, width, 25}, label, Rgb{255, 255, 255}, height, weight,
                          TextPlacement::Left);
    }
    cairo_surface_flush(image);
    const auto* pixels = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    int rightmost = -1;
    for (int y = 0; y < 25; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + y * stride);
        for (int x = 0; x < 300; ++x) {
            if ((row[x] & 0xFFFFFF) != 0) {
                rightmost = std::max(rightmost, x);
            }
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    return rightmost;
}

TEST(CairoTextFit, ALabelWiderThanItsBoxShrinksInsideItAndTextThatFitsIsDrawnAsAsked) {
    // The meter readout: 95 px for the longest level it shows.
    const std::u16string readout = u"-118.4 dBFS";
    const int wide = rightmostInk(readout, 300, 14, FontWeight::Semibold);
    ASSERT_GT(wide, 94) << "the font fits this text now: the test needs a longer one";
    // The whole text ends inside the box, clear of its edge (clipped text would touch it).
    EXPECT_LT(rightmostInk(readout, 95, 14, FontWeight::Semibold), 94);
    // Text that fits is not touched.
    EXPECT_EQ(rightmostInk(u"-6.0 dBFS", 95, 14, FontWeight::Semibold),
              rightmostInk(u"-6.0 dBFS", 300, 14, FontWeight::Semibold));
    // Far too long even at the smallest size: cut, and still inside.
    EXPECT_LT(rightmostInk(u"a very long label that cannot fit at all", 95, 14,
                           FontWeight::Normal),
              94);
}

} // namespace
} // namespace quillwave::plugins
