#include "editor/paint_editor.h"

#include "editor/editor_layout.h"
#include "editor/editor_pages.h"
#include "editor/palette.h"
#include "platform/utf.h"

namespace quillwave::plugins {

std::u16string displayText(std::string_view utf8) {
    if (auto text = platform::utf8ToUtf16(utf8)) {
        return std::move(*text);
    }
    // Keep what is plain ASCII readable and mark the rest.
    std::u16string text;
    text.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text.push_back(static_cast<char16_t>(byte));
        } else if (byte >= 0xC0) { // one mark per lead byte, none for continuation bytes
            text.push_back(u'\uFFFD');
        }
    }
    return text;
}

void paintHeader(const EditorModel& model, DrawingSurface& surface) {
    surface.fillBox(layout::kWholeWindow, palette::kWindowBackground);
    surface.fillBox(layout::kHeaderBand, palette::kHeaderBand);
    surface.drawLabel(layout::kTitle, displayText(model.displayName()), palette::kPrimaryText, 27,
                      FontWeight::Semibold, TextPlacement::Left);
    surface.drawLabel(layout::kSubtitle,
                      u"Independent VST3 module  /  realtime audio  /  host-controlled ports",
                      palette::kSecondaryText, 13, FontWeight::Normal, TextPlacement::Left);
    surface.drawLine(0, layout::kHeaderSeparatorY, layout::kWidth, layout::kHeaderSeparatorY,
                     palette::kHeaderSeparator, 1);
}

void paintEditor(const EditorModel& model, std::uint32_t& bankPage, DrawingSurface& surface) {
    paintHeader(model, surface);
    switch (model.kind()) {
    case ModuleKind::Input:
    case ModuleKind::Output:
    case ModuleKind::Summing:
    case ModuleKind::Breakout:
    case ModuleKind::Distributor:
        paintGainPage(model, surface);
        return;
    case ModuleKind::Player:
    case ModuleKind::Recorder:
        paintTransportPage(model, surface);
        return;
    case ModuleKind::FaderBank:
        break;
    }
    // A kind outside the family is named and drawn as the fader bank.
    paintStripPage(model, bankPage, surface);
}

void paintMargins(DrawingSurface& device, ViewSize size, const PageTransform& page) {
    for (const Rect& margin : marginAreas(size, page)) {
        device.fillBox(margin, palette::kWindowBackground);
    }
}

} // namespace quillwave::plugins
