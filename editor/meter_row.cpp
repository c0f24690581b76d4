#include "editor/meter_row.h"

#include "editor/editor_layout.h"
#include "editor/palette.h"
#include "editor/value_text.h"

#include <algorithm>
#include <cmath>

namespace quillwave::plugins {
namespace {

constexpr int kSegmentWidth = 4;
constexpr int kSegmentPitch = 6; // 4 px lit, 2 px gap
constexpr int kFirstSegmentEnd = layout::kMeterLeft + kSegmentWidth;

Rgb segmentColour(int segmentEnd) {
    const double dbfs =
        static_cast<double>(segmentEnd - kFirstSegmentEnd) * 60.0 / layout::kMeterSpan - 60.0;
    if (dbfs >= -3.0) {
        return palette::kMeterHot;
    }
    if (dbfs >= -12.0) {
        return palette::kMeterWarm;
    }
    return palette::kMeterCool;
}

} // namespace

int meterX(float level) {
    const double db =
        level > 0.0f ? std::max(20.0 * std::log10(static_cast<double>(level)), -120.0) : -120.0;
    const double t = std::clamp((db + 60.0) / 60.0, 0.0, 1.0);
    return layout::kMeterLeft + static_cast<int>(t * layout::kMeterSpan);
}

void drawMeterRow(DrawingSurface& surface, int y, std::u16string_view label, float peak, float rms,
                  bool clip) {
    surface.drawLabel({30, y - 3, 114, y + 23}, label, palette::kSecondaryText, 14,
                      FontWeight::Semibold, TextPlacement::Left);
    surface.fillBox({layout::kMeterLeft - 2, y - 2, layout::kMeterRight + 2, y + 24},
                    palette::kMeterFrame);
    surface.fillBox({layout::kMeterLeft, y, layout::kMeterRight, y + 22}, palette::kMeterWell);

    const int p = meterX(peak);
    const int q = meterX(rms);
    if (p > layout::kMeterLeft) {
        // The last segment is cut at the peak position.
        for (int e = kFirstSegmentEnd; e - kSegmentWidth < p; e += kSegmentPitch) {
            surface.fillBox({e - kSegmentWidth, y + 3, std::min(p, e), y + 12}, segmentColour(e));
        }
    }
    surface.fillBox({layout::kMeterLeft, y + 15, q, y + 20}, palette::kMeterRms);
    if (peak > 0.000001f) {
        surface.drawLine(p, y + 1, p, y + 13, palette::kPeakMarker, 2);
    }

    surface.drawLabel({800, y - 3, 895, y + 22}, formatDbfs(peak) + u" dBFS", palette::kPrimaryText,
                      14, FontWeight::Semibold, TextPlacement::Left);
    const Rect clipBox{897, y, 934, y + 22};
    surface.fillBox(clipBox, clip ? palette::kClipBoxLit : palette::kClipBoxDark);
    surface.drawLabel(clipBox, u"CLIP", clip ? palette::kClipTextLit : palette::kClipTextDark, 10,
                      FontWeight::Semibold, TextPlacement::Centre);
}

} // namespace quillwave::plugins
