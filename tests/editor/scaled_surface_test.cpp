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
