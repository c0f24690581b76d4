#pragma once

// Sizes hosts give the editor off the design's own, with where the page must sit in each: found
// by hand, so the window tests of both platforms check the same places.

#include "editor/palette.h"

#include <gtest/gtest.h>

namespace quillwave::test {

struct PlacedPage {
    int width;
    int height;
    double scale;
    int left;
    int top;
    // The window pixel of a design coordinate.
    int x(int design) const { return left + static_cast<int>(design * scale + 0.5); }
    int y(int design) const { return top + static_cast<int>(design * scale + 0.5); }
};

inline constexpr PlacedPage kHostSizes[] = {
    {1201, 726, 1201.0 / 960, 0, 0},  // a pixel beyond 1.25 x (JUCE's rounding): the page fills it
    {1200, 800, 1.25, 0, 37},         // taller: 37 rows above the page, 38 below
    {1500, 600, 600.0 / 580, 253, 0}, // wider: 993 columns of page in the middle
};

// Checks the window's pixels, as at(x, y) reads them, for the page placed as p says: the page's
// own pixels at its edges, and the page's background in the margin around it.
template <typename PixelAt> void expectPlaced(const PlacedPage& p, PixelAt at) {
    using namespace plugins;
    EXPECT_EQ(at(p.x(5), p.y(5)), palette::kHeaderBand);
    // The header's line reaches the page's right edge, and the margin begins there.
    EXPECT_EQ(at(p.x(960) - 1, p.y(87)), palette::kHeaderSeparator);
    if (p.x(960) < p.width) {
        EXPECT_EQ(at(p.x(960), p.y(87)), palette::kWindowBackground);
    }
    EXPECT_EQ(at(p.x(5), p.height - 1), palette::kWindowBackground);
    if (p.left > 0) {
        EXPECT_EQ(at(p.left - 1, 5), palette::kWindowBackground);
    }
    if (p.top > 0) {
        EXPECT_EQ(at(600, p.top - 1), palette::kWindowBackground);
    }
}

} // namespace quillwave::test
