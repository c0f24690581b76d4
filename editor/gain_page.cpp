#include "editor/control_values.h"
#include "editor/draw_elements.h"
#include "editor/editor_layout.h"
#include "editor/editor_pages.h"
#include "editor/palette.h"
#include "editor/value_text.h"

namespace quillwave::plugins {
namespace {

std::u16string_view description(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::Input:
        return u"Expose audio supplied by the DAW or rack input. Hardware selection belongs to "
               u"the host.";
    case ModuleKind::Output:
        return u"Pass audio to a host-routed output. Hardware selection belongs to the host.";
    case ModuleKind::Summing:
        return u"Add independent mono / stereo inputs into one output. Neutral digital addition.";
    case ModuleKind::Breakout:
        return u"Separate a multichannel input into individual mono outputs. Each output carries "
               u"one input lane.";
    case ModuleKind::Distributor:
        return u"Copy the input to independent output branches. Connect any branch to an effect.";
    default:
        return {};
    }
}

// The noun after the count, for the kinds that have a count.
std::u16string_view countNoun(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::Summing:
        return u" active inputs";
    case ModuleKind::Breakout:
        return u" enabled output lanes";
    case ModuleKind::Distributor:
        return u" active branches";
    default:
        return {};
    }
}

} // namespace

void paintGainPage(const EditorModel& model, DrawingSurface& surface) {
    const ModuleKind kind = model.kind();
    surface.drawLabel(layout::kGainDescription, description(kind), palette::kPrimaryText, 23,
                      FontWeight::Semibold, TextPlacement::Wrap);

    if (const std::u16string_view noun = countNoun(kind); !noun.empty()) {
        drawButton(surface, layout::kGainFewerButton, u"\u2212", false);
        drawButton(surface, layout::kGainMoreButton, u"+", false);
        const int count = activeStripsCount(model.parameter(ParamId::ActiveStrips));
        surface.drawLabel(layout::kGainCountText, decimalText(count) + std::u16string(noun),
                          palette::kAccent, 23, FontWeight::Semibold, TextPlacement::Left);
    }

    surface.drawLabel(layout::kGainLabel, u"Output gain", palette::kSecondaryText, 15,
                      FontWeight::Normal, TextPlacement::Left);
    surface.fillBox(layout::kGainTrack, palette::kGainFaderTrack);
    const double gain = model.parameter(ParamId::Gain);
    drawFaderCap(surface, layout::gainCap(gain));
    surface.drawLabel(layout::kGainValueText, faderDecibelText(gain), palette::kAccent, 24,
                      FontWeight::Semibold, TextPlacement::Left);
    surface.drawLabel(layout::kGainFooter,
                      u"Extra DAW buses must be enabled by the host. Inactive or disconnected "
                      u"inputs are silent.",
                      palette::kSecondaryText, 14, FontWeight::Normal, TextPlacement::Left);
}

} // namespace quillwave::plugins
