#pragma once

// Whether the editor's window can be seen: it and every window above it are mapped, and neither
// it nor a window above it is wholly covered (a host's window may be told it is covered while the
// editor's is not). Kept from the structure and visibility events of the window and of the
// windows above it, which it watches on the editor's own connection.

#include <X11/Xlib.h>

#include <utility>
#include <vector>

namespace quillwave::plugins {

// The window's parent and the root, or 0s when the server does not know the window.
std::pair<::Window, ::Window> parentOf(Display* display, ::Window window);

class X11Visibility {
public:
    X11Visibility(Display* display, ::Window window) : display_(display), window_(window) {}

    // Watches the structure and visibility of every window above the editor's, so unmapping or
    // covering any of them is seen, and asks the server whether the window is viewable now.
    void watch();

    // Takes what an event of the connection tells; the window must still exist.
    void note(const XEvent& event);

    bool viewable() const { return viewable_; }
    bool obscured() const { return !covered_.empty(); }

private:
    void watchAncestors();
    void refreshViewable();

    Display* display_;
    ::Window window_;
    bool viewable_ = true;
    std::vector<::Window> ancestors_;
    std::vector<::Window> covered_; // the window, or those above it, wholly covered now
};

} // namespace quillwave::plugins
