#pragma once

// The editor's window class, shared by every view in the process: registered by the first view
// that attaches and unregistered by the last one that gives it up.

#include <windows.h>

namespace quillwave::plugins {

inline constexpr wchar_t kEditorWindowClassName[] = L"QuillwaveUtilityRackEditor";

// Takes one use of the class, registering it for instance and procedure when no view uses it.
// A class of that name that is already registered is accepted only when it is ours (same
// instance and procedure). False when the class cannot be used; then nothing changed.
bool acquireEditorWindowClass(HINSTANCE instance, WNDPROC procedure);

// Gives up one use; the last unregisters the class. False, with the use kept, when the class
// cannot be unregistered (a window of it still exists). No use left is success.
bool releaseEditorWindowClass(HINSTANCE instance);

} // namespace quillwave::plugins
