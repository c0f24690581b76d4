#include "editor/posix/window_raise.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <vector>

namespace quillwave::plugins {
namespace {

// A property of 32-bit items of the given type (Xlib hands them over as longs); empty when it is
// missing, of another type, or the window has gone.
std::vector<unsigned long> property32(Display* display, ::Window window, Atom property, Atom type) {
    std::vector<unsigned long> values;
    if (property == None) {
        return values;
    }
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1 << 16, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        if (actualType == type && format == 32) {
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            values.assign(items, items + count);
        }
        XFree(data);
    }
    return values;
}

// An atom that exists already: one that was never made is on no window.
Atom existingAtom(Display* display, const char* name) {
    return XInternAtom(display, name, True);
}

std::vector<::Window> childrenOf(Display* display, ::Window window) {
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* list = nullptr;
    unsigned count = 0;
    std::vector<::Window> children;
    if (XQueryTree(display, window, &root, &parent, &list, &count) != 0 && list != nullptr) {
        children.assign(list, list + count);
        XFree(list);
    }
    return children;
}

// The child of the root that holds window: the frame a window manager put around it, or the
// window itself. Raising anything below it would only reorder it inside its frame.
::Window rootChildOf(Display* display, ::Window window) {
    for (;;) {
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* list = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &root, &parent, &list, &count) == 0) {
            return window;
        }
        if (list != nullptr) {
            XFree(list);
        }
        if (parent == root || parent == 0) {
            return window;
        }
        window = parent;
    }
}

// A running window manager that follows the desktop conventions: its check window names itself.
// A property left behind by one that has ended names a window that is gone.
bool conventionalManagerRuns(Display* display, ::Window root) {
    const Atom check = existingAtom(display, "_NET_SUPPORTING_WM_CHECK");
    const auto onRoot = property32(display, root, check, XA_WINDOW);
    if (onRoot.empty()) {
        return false;
    }
    const auto onItself = property32(display, onRoot[0], check, XA_WINDOW);
    return !onItself.empty() && onItself[0] == onRoot[0];
}

struct Found {
    ::Window window = 0;
    bool viaManager = false; // the window manager takes activation requests
};

// The newest top-level window of pid: from the manager's list of the windows it manages, or
// without one from the root's children (and the windows inside them, for a manager that frames
// its clients), where only a window that is shown counts.
Found findWindowOf(Display* display, pid_t pid) {
    const ::Window root = DefaultRootWindow(display);
    const Atom pidAtom = existingAtom(display, "_NET_WM_PID");
    if (pidAtom == None) {
        return {};
    }
    auto ofPid = [&](::Window window) {
        const auto value = property32(display, window, pidAtom, XA_CARDINAL);
        return !value.empty() && value[0] == static_cast<unsigned long>(pid);
    };
    Found found;
    const bool managed = conventionalManagerRuns(display, root);
    if (managed) {
        const Atom active = existingAtom(display, "_NET_ACTIVE_WINDOW");
        const auto supported =
            property32(display, root, existingAtom(display, "_NET_SUPPORTED"), XA_ATOM);
        found.viaManager = active != None &&
                           std::find(supported.begin(), supported.end(), active) != supported.end();
        const auto clients =
            property32(display, root, existingAtom(display, "_NET_CLIENT_LIST"), XA_WINDOW);
        if (!clients.empty()) {
            const auto it = std::find_if(clients.rbegin(), clients.rend(), ofPid);
            found.window = it != clients.rend() ? *it : 0;
            return found;
        }
    }
    auto shown = [&](::Window window) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display, window, &attributes) != 0 &&
               attributes.map_state == IsViewable;
    };
    const auto topLevels = childrenOf(display, root); // bottom to top
    for (auto it = topLevels.rbegin(); it != topLevels.rend() && found.window == 0; ++it) {
        if (!shown(*it)) {
            continue;
        }
        if (ofPid(*it)) {
            found.window = *it;
            continue;
        }
        for (const ::Window inner : childrenOf(display, *it)) {
            if (ofPid(inner) && shown(inner)) {
                found.window = inner;
                break;
            }
        }
    }
    return found;
}

void activate(Display* display, const Found& found, Time time) {
    const ::Window root = DefaultRootWindow(display);
    if (found.viaManager) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = display;
        event.xclient.window = found.window;
        event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // a pager's request: the user asked for this window
        event.xclient.data.l[1] = static_cast<long>(time);
        event.xclient.data.l[2] = 0; // the requestor's own active window: none of ours
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        return;
    }
    XRaiseWindow(display, rootChildOf(display, found.window));
    XSetInputFocus(display, found.window, RevertToParent, time);
}

} // namespace

bool bringProcessWindowToFront(X11Window& connection, pid_t pid, Time time) {
    if (pid <= 0) {
        return false;
    }
    // Windows of other clients may go away during the search: such an error only skips them.
    Found found;
    connection.runTrapped([&](Display* display) { found = findWindowOf(display, pid); });
    if (found.window == 0) {
        return false;
    }
    return connection.runTrapped([&](Display* display) { activate(display, found, time); });
}

} // namespace quillwave::plugins
