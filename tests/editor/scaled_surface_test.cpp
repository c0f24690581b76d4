#include "editor/recording_surface.h"
#include "editor/scaled_surface.h"
#include "editor/view_scale.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

constexpr Rgb kInk{1, 2, 3};

std::vector<DrawCall> drawnAt(double scale, void (*draw)(DrawingSurface&)) {
    RecordingSurface device;
    ScaledSurface surface(device, scale);
    draw(surface);
    return device.calls();
}

void someOfEach(DrawingSurface& s) {
    s.fillBox({28, 112, 206, 155}, kInk);
    s.drawLine(0, 87, 960, 87, kInk, 1);     // a separator
    s.drawLine(130, 339, 130, 351, kInk, 2); // a peak marker
    s.drawLine(5, 7, 20, 30, kInk, 1);       // slanted
    s.drawLabel({76, 229, 441, 271}, u"READY", kInk, 17, FontWeight::Semibold, TextPlacement::Left);
    s.fillCircle({45, 241, 61, 257}, kInk);
}

TEST(ScaledSurface, PassesTheDesignThroughAtOneAndScalesEveryCallAtTwo) {
    RecordingSurface design;
    someOfEach(design);
    EXPECT_EQ(drawnAt(1.0, someOfEach), design.calls());

    const std::vector<DrawCall> doubled{
        FillBoxCall{{56, 224, 412, 310}, kInk},
        LineCall{0, 175, 1920, 175, kInk, 2},  // rows 174 and 175, as rows 87 of the design
        LineCall{260, 678, 260, 702, kInk, 4}, // columns 258 ... 261, as 129 and 130
        LineCall{10, 14, 40, 60, kInk, 2},
        LabelCall{
            {152, 458, 882, 542}, u"READY", kInk, 34, FontWeight::Semibold, TextPlacement::Left},
        CircleCall{{90, 482, 122, 514}, kInk},
    };
    EXPECT_EQ(drawnAt(2.0, someOfEach), doubled);
}

TEST(ScaledSurface, NeighboursStayNeighboursAtAFractionalScale) {
    // The fader cap's one-pixel rows and a line at 1.5 x: no gaps, no overlaps.
    const auto calls = drawnAt(1.5, [](DrawingSurface& s) {
        for (int row = 0; row < 5; ++row) {
            s.fillBox({10, 100 + row, 50, 101 + row}, kInk);
        }
        s.drawLine(10, 105, 50, 105, kInk, 1);
    });
    int next = 150;
    for (int row = 0; row < 5; ++row) {
        const auto& fill = std::get<FillBoxCall>(calls[row]);
        EXPECT_EQ(fill.rect.top, next);
        next = fill.rect.bottom;
    }
    const auto& line = std::get<LineCall>(calls[5]);
    EXPECT_EQ(line.y1 - line.width / 2, next); // the line's rows start right below
    EXPECT_EQ(line.y1 - line.width / 2 + line.width, toDevice(106, 1.5));
}

TEST(ViewScale, DevicePixelsMapBackIntoTheDesignPixelTheyCameFrom) {
    for (const double scale : {0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0}) {
        for (int design = -3; design < 970; ++design) {
            for (int pixel = toDevice(design, scale); pixel < toDevice(design + 1, scale);
                 ++pixel) {
                ASSERT_EQ(toDesign(pixel, scale), design) << scale << " " << pixel;
            }
        }
    }
}

} // namespace
} // namespace quillwave::plugins
