#pragma once

// The module's editor: a VST 3 plug-in view that shows the page of its module's kind in a child
// window of the host's parent window and edits parameters with the mouse: a Win32 window
// ("HWND") on Windows, an X11 window ("X11EmbedWindowID") driven by the host's run loop on Linux.

#include "editor/user_dialogs.h"
#include "plugin/module_kind.h"

#include "pluginterfaces/base/fstrdefs.h"
#include "pluginterfaces/gui/iplugview.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace quillwave::plugins {

class UtilityPlugin;

inline constexpr std::uintptr_t kRefreshTimerId = 1;
// WM_APP + 0x39: asks the window's own thread to close the window.
inline constexpr std::uint32_t kCloseRequest = 0x8039;

// Repaint interval: the recorder's meters and clock move fast, the other pages barely at all.
constexpr std::uint32_t refreshIntervalMs(ModuleKind kind) {
    return kind == ModuleKind::Recorder ? 33 : 100;
}

// The only view name the module answers: "editor", exactly.
inline bool isEditorViewName(Steinberg::FIDString name) {
    return name != nullptr && std::strcmp(name, "editor") == 0;
}

// A new view of owner for the view name "editor" (exact, case-sensitive), else null. The caller
// holds the one reference of the result; the view holds one reference to owner. The second form
// shows its dialogs through `dialogs` instead of the system's.
Steinberg::IPlugView* createEditorView(UtilityPlugin& owner, Steinberg::FIDString name);
Steinberg::IPlugView* createEditorView(UtilityPlugin& owner, Steinberg::FIDString name,
                                       std::unique_ptr<UserDialogs> dialogs);

} // namespace quillwave::plugins
