#include "editor/meter_row.h"
#include "editor/palette.h"
#include "editor/recording_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace quillwave::plugins {
namespace {

TEST(MeterX, ScaleEndsAndFloor) {
    EXPECT_EQ(meterX(1.0f), 785);
    EXPECT_EQ(meterX(4.0f), 785);
    EXPECT_EQ(meterX(0.001f), 130); // -60 dBFS
    EXPECT_EQ(meterX(0.0001f), 130);
    EXPECT_EQ(meterX(0.0f), 130);
    EXPECT_EQ(meterX(-1.0f), 130);
    EXPECT_EQ(meterX(0.5f), 130 + static_cast<int>((20.0 * std::log10(0.5) + 60.0) / 60.0 * 655));
}

std::vector<FillBoxCall> segments(const RecordingSurface& surface, int y) {
    std::vector<FillBoxCall> out;
    for (const FillBoxCall& fill : surface.callsOf<FillBoxCall>()) {
        if (fill.rect.top == y + 3 && fill.rect.bottom == y + 12) {
            out.push_back(fill);
        }
    }
    return out;
}

TEST(DrawMeterRow, FullScalePeakFillsTheMeterWithHotTop) {
    RecordingSurface surface;
    drawMeterRow(surface, 338, u"LEFT / 1", 1.0f, 0.5f, true);

    const auto lit = segments(surface, 338);
    ASSERT_EQ(lit.size(), 110u); // e = 134, 140, ... 788
    EXPECT_EQ(lit.front().rect, (Rect{130, 341, 134, 350}));
    EXPECT_EQ(lit.back().rect, (Rect{784, 341, 785, 350})); // cut at the peak position
    for (const FillBoxCall& segment : lit) {
        const int e = segment.rect.left + 4;
        const double d = (e - 134) * 60.0 / 655.0 - 60.0;
        const Rgb expected = d >= -3.0    ? palette::kMeterHot
                             : d >= -12.0 ? palette::kMeterWarm
                                          : palette::kMeterCool;
        EXPECT_EQ(segment.colour, expected) << e;
    }
    // The hot zone begins at the first segment at or above -3 dBFS: e = 758.
    const auto firstHot = std::find_if(lit.begin(), lit.end(), [](const FillBoxCall& s) {
        return s.colour == palette::kMeterHot;
    });
    EXPECT_EQ(firstHot->rect.left, 754);
    const auto firstWarm = std::find_if(lit.begin(), lit.end(), [](const FillBoxCall& s) {
        return s.colour == palette::kMeterWarm;
    });
    EXPECT_EQ(firstWarm->rect.left, 658);

    const auto fills = surface.callsOf<FillBoxCall>();
    EXPECT_EQ(fills[0], (FillBoxCall{{128, 336, 787, 362}, palette::kMeterFrame}));
    EXPECT_EQ(fills[1], (FillBoxCall{{130, 338, 785, 360}, palette::kMeterWell}));
    EXPECT_NE(std::find(fills.begin(), fills.end(),
                        FillBoxCall{{130, 353, meterX(0.5f), 358}, palette::kMeterRms}),
              fills.end());
    EXPECT_EQ(fills.back(), (FillBoxCall{{897, 338, 934, 360}, palette::kClipBoxLit}));

    const std::vector<LineCall> marker{{785, 339, 785, 351, palette::kPeakMarker, 2}};
    EXPECT_EQ(surface.callsOf<LineCall>(), marker);

    const auto labels = surface.callsOf<LabelCall>();
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0], (LabelCall{{30, 335, 114, 361},
                                    u"LEFT / 1",
                                    palette::kSecondaryText,
                                    14,
                                    FontWeight::Semibold,
                                    TextPlacement::Left}));
    EXPECT_EQ(labels[1], (LabelCall{{800, 335, 895, 360},
                                    u"0.0 dBFS",
                                    palette::kPrimaryText,
                                    14,
                                    FontWeight::Semibold,
                                    TextPlacement::Left}));
    EXPECT_EQ(labels[2], (LabelCall{{897, 338, 934, 360},
                                    u"CLIP",
                                    palette::kClipTextLit,
                                    10,
                                    FontWeight::Semibold,
                                    TextPlacement::Centre}));
}

TEST(DrawMeterRow, InaudibleLevelShowsMinusInfinityAndNoSegments) {
    RecordingSurface surface;
    drawMeterRow(surface, 375, u"RIGHT / 2", 0.0000005f, 0.0000005f, false);
    EXPECT_TRUE(segments(surface, 375).empty());
    EXPECT_TRUE(surface.callsOf<LineCall>().empty()); // no peak marker
    const auto fills = surface.callsOf<FillBoxCall>();
    EXPECT_EQ(fills[2], (FillBoxCall{{130, 390, 130, 395}, palette::kMeterRms})); // empty bar
    EXPECT_EQ(fills.back(), (FillBoxCall{{897, 375, 934, 397}, palette::kClipBoxDark}));
    const auto labels = surface.callsOf<LabelCall>();
    EXPECT_EQ(labels[1].text, u"\u2212\u221E dBFS");
    EXPECT_EQ(labels[2].colour, palette::kClipTextDark);
}

TEST(DrawMeterRow, PeakMarkerAppearsAboveTheTextFloorEvenOnTheScaleEnd) {
    // -100 dBFS: shown as text, marker drawn, but left of the scale so no segments.
    RecordingSurface surface;
    drawMeterRow(surface, 338, u"MONO", 0.00001f, 0.0f, false);
    EXPECT_TRUE(segments(surface, 338).empty());
    const std::vector<LineCall> marker{{130, 339, 130, 351, palette::kPeakMarker, 2}};
    EXPECT_EQ(surface.callsOf<LineCall>(), marker);
    EXPECT_EQ(surface.callsOf<LabelCall>()[1].text, u"-100.0 dBFS");
}

} // namespace
} // namespace quillwave::plugins
