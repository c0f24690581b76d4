#pragma once

// Bringing a helper program's dialog to the front on the X server. Its top-level window is the
// one carrying the helper's process id (_NET_WM_PID, as every toolkit sets it); a window manager
// that takes activation requests is asked as a pager would ask for a user's choice, and without
// one the window is raised and given the focus directly.

#include "editor/posix/x11_window.h"

#include <sys/types.h>

namespace quillwave::plugins {

// True when a window of process pid was found on the editor's display and asked to the front;
// false when there is none (not mapped yet, or shown through Wayland) or the request failed (the
// window went away meanwhile). time is the timestamp of the click that asks for it.
bool bringProcessWindowToFront(X11Window& connection, pid_t pid, Time time);

} // namespace quillwave::plugins
