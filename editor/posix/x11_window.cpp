#include "editor/posix/x11_window.h"

#include "editor/posix/x11_error_trap.h"
#include "editor/posix/x11_shared_image.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <cairo-xlib.h>

#include <atomic>
#include <charconv>
#include <cstring>

namespace quillwave::plugins {
namespace {

std::atomic<std::uint64_t> presentedFrames{0};

constexpr long kEventMask = ExposureMask | StructureNotifyMask | VisibilityChangeMask |
                            ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask;

// Tells an embedder the protocol version and that the window wants to be shown.
void announceXEmbed(Display* display, ::Window window) {
    const Atom info = XInternAtom(display, "_XEMBED_INFO", False);
    const long value[2] = {0, 1}; // version 0, XEMBED_MAPPED
    XChangeProperty(display, window, info, info, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value), 2);
}

} // namespace

std::unique_ptr<X11Window> X11Window::create(std::uintptr_t parent, int width, int height) {
    if (parent == 0) {
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    if (!registerDisplay(display)) {
        XCloseDisplay(display);
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
            announceXEmbed(display, window);
            XMapWindow(display, window);
        }
        if (trap.failed()) {
            window = 0;
        }
    }
    if (window == 0) {
        {
            const ErrorScope scope;
            XCloseDisplay(display); // also frees a window made before a later request failed
        }
        unregisterDisplay(display);
        return nullptr;
    }
    std::unique_ptr<X11Window> made(
        new X11Window(display, window, parentAttributes.visual, parentAttributes.depth));
    made->visibility_.watch();
    return made;
}

X11Window::X11Window(Display* display, ::Window window, Visual* visual, int depth)
    : display_(display), window_(window), visual_(visual), depth_(depth),
      visibility_(display, window) {}

X11Window::~X11Window() {
    {
        const ErrorScope scope; // the parent may be gone with the window a moment ago
        canvas_.reset();
        fallback_ = nullptr;
        if (alive_) {
            XDestroyWindow(display_, window_);
        }
        XCloseDisplay(display_);
    }
    unregisterDisplay(display_);
}

int X11Window::fileDescriptor() const {
    return ConnectionNumber(display_);
}

bool X11Window::eventsQueued() const {
    const ErrorScope scope;
    return XEventsQueued(display_, QueuedAlready) > 0;
}

bool X11Window::nextEvent(XEvent& event, bool readConnection) {
    const ErrorScope scope;
    // XPending also reads what the connection has to offer, so nothing waits unseen in Xlib's
    // queue while the descriptor looks idle; once is enough, another read would find it empty.
    for (bool read = readConnection;
         (read ? XPending(display_) : XEventsQueued(display_, QueuedAlready)) > 0; read = false) {
        XNextEvent(display_, &event);
        if (canvas_ != nullptr && canvas_->completes(event)) {
            continue;
        }
        const bool ours = event.xany.window == window_;
        if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
            alive_ = false;
        }
        if (alive_) {
            visibility_.note(event);
        }
        if (ours) {
            return true;
        }
    }
    return false;
}

void X11Window::skipToLatestMotion(XEvent& motion) {
    const ErrorScope scope;
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

cairo_surface_t* X11Window::canvas(int width, int height, bool& fresh) {
    fresh = false;
    if (!alive_) {
        return nullptr;
    }
    const ErrorScope scope;
    if (canvas_ != nullptr && canvas_->fits(width, height)) {
        return canvas_->busy() ? nullptr : canvas_->surface();
    }
    // Another size: the old image goes (the server reads a pending copy before it lets go).
    if (fallback_ != nullptr && cairo_image_surface_get_width(fallback_.get()) == width &&
        cairo_image_surface_get_height(fallback_.get()) == height) {
        return fallback_.get();
    }
    fresh = true;
    canvas_ = X11SharedImage::make(display_, window_, visual_, depth_, width, height);
    if (canvas_ != nullptr) {
        fallback_ = nullptr;
        return canvas_->surface();
    }
    // Another pixel layout: a picture in memory that cairo copies to the window.
    fallback_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(fallback_.get()) != CAIRO_STATUS_SUCCESS) {
        fallback_ = nullptr;
    }
    return fallback_.get();
}

std::uint64_t framesPresented() {
    return presentedFrames.load(std::memory_order_relaxed);
}

void X11Window::presentCanvas(const std::vector<Rect>& areas) {
    if (!alive_ || areas.empty()) {
        return;
    }
    presentedFrames.fetch_add(1, std::memory_order_relaxed);
    const ErrorScope scope;
    if (canvas_ != nullptr) {
        canvas_->put(window_, areas);
    } else if (fallback_ != nullptr) {
        for (const Rect& area : areas) {
            copyToWindow(fallback_.get(), area);
        }
    }
}

void X11Window::copyToWindow(cairo_surface_t* picture, const Rect& area) {
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);
    ErrorTrap trap(display_);
    cairo_surface_t* target = cairo_xlib_surface_create(display_, window_, visual_, width, height);
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    cairo_surface_finish(target);
    cairo_surface_destroy(target);
    if (trap.failed()) {
        alive_ = false; // the window went away under the paint
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
    const ErrorScope scope;
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

bool X11Window::grabPointer(Time time) {
    const ErrorScope scope;
    // A round trip: the server answers whether the grab is ours.
    return XGrabPointer(display_, window_, False, ButtonReleaseMask | PointerMotionMask,
                        GrabModeAsync, GrabModeAsync, None, None, time) == GrabSuccess;
}

void X11Window::ungrabPointer(Time time) {
    const ErrorScope scope;
    XUngrabPointer(display_, time);
    XFlush(display_);
}

bool X11Window::runTrapped(const std::function<void(Display*)>& calls) {
    ErrorTrap trap(display_);
    calls(display_);
    return !trap.failed();
}

::Window X11Window::topLevel() {
    if (!alive_) {
        return 0;
    }
    const ErrorScope scope;
    const Atom wmState = XInternAtom(display_, "WM_STATE", True);
    ::Window current = window_;
    ::Window highest = 0;
    for (;;) {
        const auto [parent, root] = parentOf(display_, current);
        if (parent == 0 || parent == root) {
            return highest;
        }
        highest = parent;
        // The window manager marks the client windows it manages; a frame it added is above.
        if (wmState != None) {
            Atom type = None;
            int format = 0;
            unsigned long items = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, parent, wmState, 0, 0, False, AnyPropertyType, &type,
                                   &format, &items, &after, &data) == Success) {
                if (data != nullptr) {
                    XFree(data);
                }
                if (type != None) {
                    return parent;
                }
            }
        }
        current = parent;
    }
}

} // namespace quillwave::plugins
