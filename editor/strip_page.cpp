#include "editor/control_values.h"
#include "editor/draw_elements.h"
#include "editor/editor_layout.h"
#include "editor/editor_pages.h"
#include "editor/palette.h"
#include "editor/value_text.h"

#include <algorithm>

namespace quillwave::plugins {
namespace {

void paintStrip(const EditorModel& model, int i, int strip, DrawingSurface& surface) {
    const Rect panel = layout::stripPanel(i);
    surface.fillBox(panel, palette::kStripPanel);
    surface.drawLine(panel.left, panel.top, panel.right, panel.top, palette::kAccent, 3);

    surface.drawLabel(layout::stripTitle(i), u"FADER " + decimalText(strip + 1),
                      palette::kPrimaryText, 15, FontWeight::Semibold, TextPlacement::Left);
    // A bus that cannot be queried reads as stereo, like any bus that is not exactly mono.
    const bool mono = model.audioInputChannels(strip) == 1;
    surface.drawLabel(layout::stripRouting(i), mono ? u"MONO \u2192 MONO" : u"STEREO \u2192 STEREO",
                      palette::kSecondaryText, 10, FontWeight::Normal, TextPlacement::Left);

    const bool muted = switchOn(model.parameter(stripMuteId(strip)));
    drawButton(surface, layout::stripMuteButton(i), muted ? u"MUTED" : u"Mute", muted);

    surface.fillBox(layout::stripTrack(i), palette::kStripFaderTrack);
    for (int y = layout::kStripTickFirstY; y < layout::kStripTickEndY;
         y += layout::kStripTickSpacing) {
        surface.drawLine(layout::stripTickLeft(i), y, layout::stripTickRight(i), y,
                         palette::kStripScaleTicks, 1);
    }

    // One read of the gain serves both the cap and its text, so they always agree.
    const double gain = model.parameter(stripGainId(strip));
    drawFaderCap(surface, layout::stripCap(i, gain));
    surface.drawLabel(layout::stripValueText(i), faderDecibelText(gain), palette::kPrimaryText, 15,
                      FontWeight::Semibold, TextPlacement::Centre);
}

} // namespace

void paintStripPage(const EditorModel& model, std::uint32_t& bankPage, DrawingSurface& surface) {
    const int lastIndex = activeStripsIndex(model.parameter(ParamId::ActiveStrips));
    const int count = lastIndex + 1;
    bankPage = std::min(bankPage, static_cast<std::uint32_t>(lastIndex / layout::kStripsPerPage));

    surface.drawLabel(layout::kStripIntro,
                      u"Independent strips: each input goes only to its own output.",
                      palette::kAccent, 15, FontWeight::Normal, TextPlacement::Left);
    drawButton(surface, layout::kStripFewerButton, u"\u2212", false);
    drawButton(surface, layout::kStripMoreButton, u"+", false);
    surface.drawLabel(layout::kStripCountText, decimalText(count) + u" strips",
                      palette::kPrimaryText, 17, FontWeight::Semibold, TextPlacement::Left);

    const int firstStrip = static_cast<int>(bankPage) * layout::kStripsPerPage;
    for (int i = 0; i < layout::kStripsPerPage && firstStrip + i < count; ++i) {
        paintStrip(model, i, firstStrip + i, surface);
    }

    drawButton(surface, layout::kPagePreviousButton, u"\u2039", false);
    drawButton(surface, layout::kPageNextButton, u"\u203A", false);
    surface.drawLabel(layout::kStripFooter,
                      u"No internal summing. Connect strip outputs to SUMMING when needed.",
                      palette::kSecondaryText, 14, FontWeight::Normal, TextPlacement::Left);
}

} // namespace quillwave::plugins
