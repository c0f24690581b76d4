#pragma once

// The pages of the editor picture, drawn after the common header by paintEditor.

#include "editor/drawing_surface.h"
#include "editor/editor_model.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillwave::plugins {

void paintHeader(const EditorModel& model, DrawingSurface& surface);

// Fader bank: up to eight strips of the page `bankPage`, which it clamps to the last page.
void paintStripPage(const EditorModel& model, std::uint32_t& bankPage, DrawingSurface& surface);

// Input, output, summing, breakout and distributor: description, count and output gain.
void paintGainPage(const EditorModel& model, DrawingSurface& surface);

// Player and recorder: buttons, status line, then the waveform or the recorder panel.
void paintTransportPage(const EditorModel& model, DrawingSurface& surface);

// UTF-8 text for drawing; a malformed sequence shows as U+FFFD rather than dropping the text.
std::u16string displayText(std::string_view utf8);

} // namespace quillwave::plugins
