#pragma once

// Look-ups in the calls of a recording surface, for tests that check one element of a picture.

#include "editor/palette.h"
#include "editor/recording_surface.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace quillwave::test {

// The first label with exactly this text.
inline std::optional<plugins::LabelCall> findLabel(const plugins::RecordingSurface& surface,
                                                   std::u16string_view text) {
    for (const auto& label : surface.callsOf<plugins::LabelCall>()) {
        if (label.text == text) {
            return label;
        }
    }
    return std::nullopt;
}

// The label drawn into exactly this rectangle.
inline std::optional<plugins::LabelCall> labelAt(const plugins::RecordingSurface& surface,
                                                 plugins::Rect rect) {
    for (const auto& label : surface.callsOf<plugins::LabelCall>()) {
        if (label.rect == rect) {
            return label;
        }
    }
    return std::nullopt;
}

inline bool hasFill(const plugins::RecordingSurface& surface, plugins::Rect rect,
                    plugins::Rgb colour) {
    const auto fills = surface.callsOf<plugins::FillBoxCall>();
    return std::find(fills.begin(), fills.end(), plugins::FillBoxCall{rect, colour}) != fills.end();
}

inline int countFills(const plugins::RecordingSurface& surface, plugins::Rgb colour) {
    const auto fills = surface.callsOf<plugins::FillBoxCall>();
    return static_cast<int>(std::count_if(fills.begin(), fills.end(),
                                          [&](const auto& fill) { return fill.colour == colour; }));
}

// A button as drawButton leaves it: its face fill and its centred text.
enum class ButtonFace { Missing, Inactive, Active };

inline ButtonFace buttonAt(const plugins::RecordingSurface& surface, plugins::Rect rect,
                           std::u16string_view text) {
    const auto label = labelAt(surface, rect);
    if (!label || label->text != text) {
        return ButtonFace::Missing;
    }
    if (hasFill(surface, rect, plugins::palette::kButtonActiveFace)) {
        return ButtonFace::Active;
    }
    return hasFill(surface, rect, plugins::palette::kButtonInactiveFace) ? ButtonFace::Inactive
                                                                         : ButtonFace::Missing;
}

} // namespace quillwave::test
