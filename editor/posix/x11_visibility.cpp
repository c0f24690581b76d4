#include "editor/posix/x11_visibility.h"

#include "editor/posix/x11_error_trap.h"

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
    case VisibilityNotify:
        obscured_ = event.xvisibility.state == VisibilityFullyObscured;
        break;
    default:
        break;
    }
}

void X11Visibility::watchAncestors() {
    const ErrorScope scope;
    ancestors_.clear();
    ::Window current = window_;
    for (;;) {
        const auto [parent, root] = parentOf(display_, current);
        if (parent == 0 || parent == root) {
            return;
        }
        // Our own selection on the host's window: the host's selections are untouched.
        XSelectInput(display_, parent, StructureNotifyMask);
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
