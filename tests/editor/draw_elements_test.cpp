#include "editor/draw_elements.h"
#include "editor/palette.h"
#include "editor/recording_surface.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

TEST(DrawButton, InactiveAndActiveFaces) {
    for (const bool active : {false, true}) {
        RecordingSurface surface;
        drawButton(surface, {10, 20, 110, 60}, u"Record", active);
        const std::vector<DrawCall> expected{
            FillBoxCall{{10, 20, 110, 60},
                        active ? palette::kButtonActiveFace : palette::kButtonInactiveFace},
            LineCall{10, 20, 110, 20, {111, 133, 140}, 1},
            LineCall{10, 20, 10, 60, {81, 100, 110}, 1},
            LineCall{10, 59, 110, 59, {10, 18, 24}, 2},
            LabelCall{{10, 20, 110, 60},
                      u"Record",
                      active ? Rgb{10, 20, 23} : palette::kPrimaryText,
                      14,
                      FontWeight::Semibold,
                      TextPlacement::Centre},
        };
        EXPECT_EQ(surface.calls(), expected) << "active " << active;
    }
}

// Colour of row i of a cap as its fill call records it.
Rgb capRow(const RecordingSurface& surface, int i) {
    return std::get<FillBoxCall>(surface.calls().at(static_cast<std::size_t>(i))).colour;
}

Rgb shade(int c) {
    return {static_cast<std::uint8_t>(c - 11), static_cast<std::uint8_t>(c),
            static_cast<std::uint8_t>(c + 3)};
}

TEST(DrawFaderCap, StripCapGradientAndLines) {
    RecordingSurface surface;
    drawFaderCap(surface, {58, 236, 97, 280}); // 44 px high, as on the strip page
    const auto fills = surface.callsOf<FillBoxCall>();
    ASSERT_EQ(fills.size(), 44u);
    for (int i = 0; i < 44; ++i) {
        EXPECT_EQ(fills[i].rect, (Rect{58, 236 + i, 97, 237 + i})) << i;
        EXPECT_EQ(fills[i].colour, shade(i < 22 ? 218 - 2 * i : 151 + 2 * (i - 22))) << i;
    }
    EXPECT_EQ(capRow(surface, 0), (Rgb{207, 218, 221}));
    EXPECT_EQ(capRow(surface, 22), (Rgb{140, 151, 154})); // darkest row
    EXPECT_EQ(capRow(surface, 21), shade(176));
    EXPECT_EQ(capRow(surface, 43), shade(193));

    const std::vector<LineCall> lines{{58, 236, 97, 236, {237, 242, 241}, 2},
                                      {58, 279, 97, 279, {57, 76, 87}, 2},
                                      {58, 258, 97, 258, {40, 59, 67}, 3}};
    EXPECT_EQ(surface.callsOf<LineCall>(), lines);
    // The lines come after the gradient, so they are drawn over it.
    EXPECT_TRUE(std::holds_alternative<LineCall>(surface.calls()[44]));
}

TEST(DrawFaderCap, TallCapsClampTheirShades) {
    RecordingSurface surface;
    drawFaderCap(surface, {0, 0, 10, 75});
    EXPECT_EQ(capRow(surface, 74), shade(224)); // 151 + 2 x 37 = 225 clamps to 224
    EXPECT_EQ(capRow(surface, 73), shade(223));

    RecordingSurface taller;
    drawFaderCap(taller, {0, 0, 10, 120});
    EXPECT_EQ(capRow(taller, 59), shade(110)); // 218 - 118 = 100 clamps to 110
    EXPECT_EQ(capRow(taller, 54), shade(110));
    EXPECT_EQ(capRow(taller, 53), shade(112));
}

} // namespace
} // namespace quillwave::plugins
