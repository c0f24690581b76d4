#include "dib_canvas.h"
#include "editor/win32/gdi_surface.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

using test::DibCanvas;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{200, 30, 10};
constexpr Rgb kBlue{20, 40, 220};

TEST(GdiSurface, FillBoxCoversLeftTopButNotRightBottom) {
    DibCanvas canvas(64, 64);
    GdiSurface surface(canvas.dc());
    surface.fillBox({0, 0, 64, 64}, kBlack);
    surface.fillBox({10, 12, 20, 22}, kRed);
    EXPECT_EQ(canvas.pixel(10, 12), kRed);
    EXPECT_EQ(canvas.pixel(19, 21), kRed);
    EXPECT_EQ(canvas.pixel(20, 21), kBlack);
    EXPECT_EQ(canvas.pixel(19, 22), kBlack);
    EXPECT_EQ(canvas.pixel(9, 12), kBlack);
}

TEST(GdiSurface, LineLeavesOutItsEndPoint) {
    DibCanvas canvas(64, 64);
    GdiSurface surface(canvas.dc());
    surface.fillBox({0, 0, 64, 64}, kBlack);
    surface.drawLine(5, 30, 40, 30, kBlue, 1);
    EXPECT_EQ(canvas.pixel(5, 30), kBlue);
    EXPECT_EQ(canvas.pixel(39, 30), kBlue);
    EXPECT_EQ(canvas.pixel(40, 30), kBlack);
    EXPECT_EQ(canvas.pixel(20, 29), kBlack);
    EXPECT_EQ(canvas.pixel(20, 31), kBlack);

    surface.drawLine(50, 5, 50, 20, kRed, 1);
    EXPECT_EQ(canvas.pixel(50, 5), kRed);
    EXPECT_EQ(canvas.pixel(50, 19), kRed);
    EXPECT_EQ(canvas.pixel(50, 20), kBlack);
}

TEST(GdiSurface, CircleIsFilledAndOutlinedInBlack) {
    DibCanvas canvas(100, 100);
    GdiSurface surface(canvas.dc());
    surface.fillBox({0, 0, 100, 100}, {255, 255, 255});
    surface.fillCircle({45, 41, 61, 57}, kRed);
    EXPECT_EQ(canvas.pixel(53, 49), kRed);                 // centre
    EXPECT_EQ(canvas.pixel(53, 41), kBlack);               // top of the outline
    EXPECT_EQ(canvas.pixel(45, 41), (Rgb{255, 255, 255})); // corner of the bounds stays
}

bool anyPixelDiffers(const DibCanvas& canvas, Rect area, Rgb background) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (canvas.pixel(x, y) != background) {
                return true;
            }
        }
    }
    return false;
}

TEST(GdiSurface, LabelsAreClippedToTheirRectangle) {
    DibCanvas canvas(200, 60);
    GdiSurface surface(canvas.dc());
    const Rgb background{18, 30, 36};
    surface.fillBox({0, 0, 200, 60}, background);
    const Rect box{20, 10, 90, 40};
    surface.drawLabel(box, u"WWWWWWWWWWWWWWWWWWWW", {237, 241, 235}, 27, FontWeight::Semibold,
                      TextPlacement::Left);
    EXPECT_TRUE(anyPixelDiffers(canvas, box, background));
    EXPECT_FALSE(anyPixelDiffers(canvas, {90, 0, 200, 60}, background));
    EXPECT_FALSE(anyPixelDiffers(canvas, {0, 0, 20, 60}, background));
    // Transparent background: the fill between the glyphs is untouched.
    EXPECT_EQ(canvas.pixel(20, 10), background);
}

TEST(GdiSurface, RightPlacementAndWrapPutTextWhereExpected) {
    DibCanvas canvas(300, 120);
    GdiSurface surface(canvas.dc());
    const Rgb background{0, 0, 0};
    surface.fillBox({0, 0, 300, 120}, background);
    surface.drawLabel({0, 0, 300, 30}, u"12", {255, 255, 255}, 20, FontWeight::Normal,
                      TextPlacement::Right);
    EXPECT_TRUE(anyPixelDiffers(canvas, {250, 0, 300, 30}, background));
    EXPECT_FALSE(anyPixelDiffers(canvas, {0, 0, 200, 30}, background));

    surface.drawLabel({0, 40, 120, 120}, u"several words that wrap onto more lines",
                      {255, 255, 255}, 14, FontWeight::Normal, TextPlacement::Wrap);
    EXPECT_TRUE(anyPixelDiffers(canvas, {0, 40, 120, 60}, background));
    EXPECT_TRUE(anyPixelDiffers(canvas, {0, 60, 120, 80}, background)); // a second line
    EXPECT_FALSE(anyPixelDiffers(canvas, {120, 40, 300, 120}, background));
}

TEST(GdiSurface, LeavesTheContextsSelectedObjectsAsItFoundThem) {
    DibCanvas canvas(64, 64);
    const HGDIOBJ pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    const HGDIOBJ brush = GetCurrentObject(canvas.dc(), OBJ_BRUSH);
    const HGDIOBJ font = GetCurrentObject(canvas.dc(), OBJ_FONT);
    const int mode = GetBkMode(canvas.dc());
    const COLORREF textColour = GetTextColor(canvas.dc());
    GdiSurface surface(canvas.dc());
    for (int i = 0; i < 500; ++i) {
        surface.fillBox({0, 0, 64, 64}, kRed);
        surface.drawLine(0, 0, 63, 63, kBlue, 3);
        surface.drawLabel({0, 0, 64, 64}, u"x", kBlue, 12, FontWeight::Normal,
                          TextPlacement::Centre);
        surface.fillCircle({4, 4, 20, 20}, kBlue);
    }
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font);
    EXPECT_EQ(GetBkMode(canvas.dc()), mode);
    EXPECT_EQ(GetTextColor(canvas.dc()), textColour);
}

} // namespace
} // namespace quillwave::plugins
