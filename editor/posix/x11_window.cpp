#include "editor/posix/x11_window.h"

#include <X11/Xresource.h>
#include <X11/Xutil.h>

#include <cairo-xlib.h>

#include <atomic>
#include <charconv>
#include <cstring>

namespace quillwave::plugins {
namespace {

// Xlib reports a failed request through one process-wide handler, whose default ends the
// process. While a trap is set, errors of our own connection are noted and swallowed; those of
// any other connection (the host's) go on to the handler that was there before.
std::atomic<Display*> trappedDisplay{nullptr};
std::atomic<bool> trappedError{false};
XErrorHandler previousHandler = nullptr;

int noteError(Display* display, XErrorEvent* error) {
    if (display == trappedDisplay.load()) {
        trappedError = true;
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display) {
        XSync(display_, False); // earlier requests are not ours to judge
        trappedError = false;
        trappedDisplay = display_;
        previousHandler = XSetErrorHandler(noteError);
    }
    ~ErrorTrap() { release(); }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server to answer every request made under the trap; true when one failed.
    bool failed() {
        release();
        return failedResult_;
    }

private:
    void release() {
        if (released_) {
            return;
        }
        XSync(display_, False);
        failedResult_ = trappedError.load();
        XSetErrorHandler(previousHandler);
        trappedDisplay = nullptr;
        released_ = true;
    }

    Display* display_;
    bool released_ = false;
    bool failedResult_ = false;
};

constexpr long kEventMask =
    ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

} // namespace

std::unique_ptr<X11Window> X11Window::create(std::uintptr_t parent, int width, int height) {
    if (parent == 0) {
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    ::Window window = 0;
    XWindowAttributes parentAttributes{};
    {
        ErrorTrap trap(display);
        if (XGetWindowAttributes(display, parent, &parentAttributes) != 0) {
            XSetWindowAttributes attributes{};
            attributes.background_pixmap = None; // every paint covers every pixel
            attributes.event_mask = kEventMask;
            attributes.bit_gravity = NorthWestGravity;
            window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, parentAttributes.depth,
                                   InputOutput, parentAttributes.visual,
                                   CWBackPixmap | CWEventMask | CWBitGravity, &attributes);
            XStoreName(display, window, "QUILLWAVE");
            XMapWindow(display, window);
        }
        if (trap.failed()) {
            window = 0;
        }
    }
    if (window == 0) {
        XCloseDisplay(display); // also frees a window made before a later request failed
        return nullptr;
    }
    return std::unique_ptr<X11Window>(new X11Window(display, window, parentAttributes.visual));
}

X11Window::X11Window(Display* display, ::Window window, Visual* visual)
    : display_(display), window_(window), visual_(visual) {}

X11Window::~X11Window() {
    if (alive_) {
        ErrorTrap trap(display_); // the parent may be gone with the window a moment ago
        XDestroyWindow(display_, window_);
    }
    XCloseDisplay(display_);
}

int X11Window::fileDescriptor() const {
    return ConnectionNumber(display_);
}

bool X11Window::nextEvent(XEvent& event) {
    // XPending also reads what the connection has to offer, so nothing waits unseen in Xlib's
    // queue while the descriptor looks idle.
    if (XPending(display_) <= 0) {
        return false;
    }
    XNextEvent(display_, &event);
    if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
        alive_ = false;
    }
    return true;
}

void X11Window::skipToLatestMotion(XEvent& motion) {
    while (XEventsQueued(display_, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(display_, &next);
        if (next.type != MotionNotify || next.xmotion.window != motion.xmotion.window ||
            next.xmotion.state != motion.xmotion.state) {
            return;
        }
        XNextEvent(display_, &motion);
    }
}

void X11Window::resize(int width, int height) {
    if (!alive_) {
        return;
    }
    ErrorTrap trap(display_);
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (trap.failed()) {
        alive_ = false;
    }
}

double X11Window::screenDpi() const {
    // The resources as the server held them when the connection opened.
    const char* resources = XResourceManagerString(display_);
    if (resources == nullptr) {
        return 0.0;
    }
    XrmInitialize();
    const XrmDatabase database = XrmGetStringDatabase(resources);
    if (database == nullptr) {
        return 0.0;
    }
    char* type = nullptr;
    XrmValue value{};
    double dpi = 0.0;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
        // Not strtod: the host's locale may read a decimal comma.
        const char* text = value.addr;
        std::from_chars(text, text + strnlen(text, value.size), dpi);
    }
    XrmDestroyDatabase(database);
    return dpi;
}

void X11Window::present(cairo_surface_t* picture, int width, int height) {
    if (!alive_) {
        return;
    }
    ErrorTrap trap(display_);
    cairo_surface_t* target = cairo_xlib_surface_create(display_, window_, visual_, width, height);
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    cairo_surface_finish(target);
    cairo_surface_destroy(target);
    if (trap.failed()) {
        alive_ = false; // the window went away under the paint
    }
}

void X11Window::grabPointer(Time time) {
    XGrabPointer(display_, window_, False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, time);
    XFlush(display_);
}

void X11Window::ungrabPointer(Time time) {
    XUngrabPointer(display_, time);
    XFlush(display_);
}

} // namespace quillwave::plugins
