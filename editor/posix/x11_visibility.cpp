#include "editor/posix/x11_visibility.h"

#include "editor/posix/x11_error_trap.h"

#include <algorithm>

namespace quillwave::plugins {

std::pair<::Window, ::Window> parentOf(Display* display, ::Window window) {
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return {0, 0};
    }
    if (children != nullptr) {
        XFree(children);
    }
    return {parent, root};
}

void X11Visibility::watch() {
    watchAncestors();
    refreshViewable();
}

void X11Visibility::note(const XEvent& event) {
    switch (event.type) {
    case ReparentNotify:
        watch();
        break;
    case MapNotify:
    case UnmapNotify:
        refreshViewable();
        break;
    case VisibilityNotify: {
        const ::Window window = event.xvisibility.window;
        std::erase(covered_, window);
        if (event.xvisibility.state == VisibilityFullyObscured &&
            (window == window_ ||
             std::find(ancestors_.begin(), ancestors_.end(), window) != ancestors_.end())) {
            covered_.push_back(window);
        }
        break;
    }
    default:
        break;
    }
}

void X11Visibility::watchAncestors() {
    const ErrorScope scope;
    // Windows no longer above it are not its concern; those still above tell again.
    std::erase_if(covered_, [&](::Window window) { return window != window_; });
    ancestors_.clear();
    ::Window current = window_;
    for (;;) {
        const auto [parent, root] = parentOf(display_, current);
        if (parent == 0 || parent == root) {
            return;
        }
        // Our own selection on the host's window: the host's selections are untouched.
        XSelectInput(display_, parent, StructureNotifyMask | VisibilityChangeMask);
        ancestors_.push_back(parent);
        current = parent;
    }
}

void X11Visibility::refreshViewable() {
    const ErrorScope scope;
    XWindowAttributes attributes{};
    viewable_ = XGetWindowAttributes(display_, window_, &attributes) != 0 &&
                attributes.map_state == IsViewable;
}

} // namespace quillwave::plugins
