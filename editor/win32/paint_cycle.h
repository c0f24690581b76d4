#pragma once

// The editor window's double-buffered paint: the whole picture is drawn into an off-screen
// bitmap of the full window size and copied to the window in one go, so the window never shows
// a half-drawn frame.

#include "editor/editor_model.h"
#include "editor/view_scale.h"
#include "editor/win32/offscreen_buffer.h"

#include <windows.h>

#include <cstdint>

namespace quillwave::plugins {

// Handles WM_PAINT of window: BeginPaint, paint the design scaled to size into buffer, BitBlt,
// EndPaint. The update region is not consulted. False when the frame was skipped because GDI
// could not make the buffer; the window then shows its last frame.
bool paintWindow(HWND window, OffscreenBuffer& buffer, const EditorModel& model,
                 std::uint32_t& bankPage, ViewSize size);

// The design drawn into dc as it sits in a window of size, the margin around it included.
void paintScaled(HDC dc, const EditorModel& model, std::uint32_t& bankPage, ViewSize size);

} // namespace quillwave::plugins
