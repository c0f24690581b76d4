#include "editor/posix/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cairo-xlib.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <array>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace quillwave::plugins {
namespace {

// Xlib reports a failed request through one process-wide handler, whose default ends the
// process. While any call of ours runs, ours is installed: errors of our own connections are
// noted and swallowed; those of any other connection (the host's, on another thread) go on to
// the handler that was there before. An error can only be read from our connection inside one
// of our calls, so it always meets our handler.
struct OurDisplay {
    std::atomic<Display*> display{nullptr};
    std::atomic<bool> failed{false};
};
std::array<OurDisplay, 64> ourDisplays;
XErrorHandler previousHandler = nullptr;
int scopeDepth = 0; // only the host's user-interface thread makes our calls

OurDisplay* findOurs(Display* display) {
    for (OurDisplay& entry : ourDisplays) {
        if (entry.display.load() == display) {
            return &entry;
        }
    }
    return nullptr;
}

int noteError(Display* display, XErrorEvent* error) {
    if (OurDisplay* ours = findOurs(display)) {
        ours->failed = true;
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

// Our handler for as long as it lives; cheap, it makes no request.
class ErrorScope {
public:
    ErrorScope() {
        if (scopeDepth++ == 0) {
            previousHandler = XSetErrorHandler(noteError);
        }
    }
    ~ErrorScope() {
        if (--scopeDepth == 0) {
            XSetErrorHandler(previousHandler);
        }
    }
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;
};

// A scope that also tells whether the requests made in it failed.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display), ours_(findOurs(display)) {
        XSync(display_, False); // earlier requests are not ours to judge
        if (ours_ != nullptr) {
            ours_->failed = false;
        }
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server to answer every request made under the trap; true when one failed.
    bool failed() {
        XSync(display_, False);
        return ours_ != nullptr && ours_->failed.exchange(false);
    }

private:
    ErrorScope scope_;
    Display* display_;
    OurDisplay* ours_;
};

bool registerDisplay(Display* display) {
    for (OurDisplay& entry : ourDisplays) {
        Display* empty = nullptr;
        if (entry.display.compare_exchange_strong(empty, display)) {
            return true;
        }
    }
    return false;
}

void unregisterDisplay(Display* display) {
    if (OurDisplay* ours = findOurs(display)) {
        ours->display = nullptr;
    }
}

std::atomic<std::uint64_t> presentedFrames{0};

constexpr long kEventMask = ExposureMask | StructureNotifyMask | VisibilityChangeMask |
                            ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask;

// The window's parent and the root, or 0s when the server does not know the window.
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

// Tells an embedder the protocol version and that the window wants to be shown.
void announceXEmbed(Display* display, ::Window window) {
    const Atom info = XInternAtom(display, "_XEMBED_INFO", False);
    const long value[2] = {0, 1}; // version 0, XEMBED_MAPPED
    XChangeProperty(display, window, info, info, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value), 2);
}

} // namespace

// The frame image: an XImage over memory shared with the server (or, without the shared memory
// extension, over plain memory), with a cairo image surface over the same pixels.
class X11Window::Canvas {
public:
    // Null when the visual does not hold pixels as cairo's RGB24 does.
    static std::unique_ptr<Canvas> make(Display* display, ::Window window, Visual* visual,
                                        int depth, int width, int height) {
        if (depth != 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
            visual->blue_mask != 0xFF || ImageByteOrder(display) != LSBFirst) {
            return nullptr;
        }
        std::unique_ptr<Canvas> canvas(new Canvas(display, width, height));
        canvas->gc_ = XCreateGC(display, window, 0, nullptr);
        if (!canvas->attachShared(visual, depth) && !canvas->makePlain(visual, depth)) {
            return nullptr;
        }
        canvas->surface_ = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(canvas->image_->data), CAIRO_FORMAT_RGB24, width,
            height, canvas->image_->bytes_per_line);
        if (cairo_surface_status(canvas->surface_) != CAIRO_STATUS_SUCCESS) {
            return nullptr;
        }
        return canvas;
    }

    ~Canvas() {
        if (surface_ != nullptr) {
            cairo_surface_destroy(surface_);
        }
        if (shared_.shmaddr != nullptr) {
            XShmDetach(display_, &shared_);
            XSync(display_, False);
            ::shmdt(shared_.shmaddr);
        }
        if (image_ != nullptr) {
            image_->data = nullptr; // ours to free, not Xlib's
            XDestroyImage(image_);
        }
        std::free(plain_);
        if (gc_ != nullptr) {
            XFreeGC(display_, gc_);
        }
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool fits(int width, int height) const { return width == width_ && height == height_; }
    bool busy() const { return busy_; }
    cairo_surface_t* surface() const { return surface_; }

    void put(::Window window, const std::vector<Rect>& areas) {
        cairo_surface_flush(surface_);
        for (std::size_t i = 0; i < areas.size(); ++i) {
            const Rect& a = areas[i];
            const auto w = static_cast<unsigned>(a.right - a.left);
            const auto h = static_cast<unsigned>(a.bottom - a.top);
            if (shared_.shmaddr != nullptr) {
                // The server reads the pixels after this returns: no painting until it says
                // it has read the last area.
                const bool last = i + 1 == areas.size();
                XShmPutImage(display_, window, gc_, image_, a.left, a.top, a.left, a.top, w, h,
                             last ? True : False);
                busy_ = busy_ || last;
            } else {
                XPutImage(display_, window, gc_, image_, a.left, a.top, a.left, a.top, w, h);
            }
        }
        XFlush(display_);
    }

    // True for the event that tells the server has read the shared image.
    bool completes(const XEvent& event) {
        if (shared_.shmaddr == nullptr ||
            event.type != XShmGetEventBase(display_) + ShmCompletion) {
            return false;
        }
        busy_ = false;
        return true;
    }

private:
    Canvas(Display* display, int width, int height)
        : display_(display), width_(width), height_(height) {}

    bool attachShared(Visual* visual, int depth) {
        if (XShmQueryExtension(display_) == False) {
            return false;
        }
        // The image keeps a pointer to the segment's description: it must be the member.
        XShmSegmentInfo& info = shared_;
        XImage* image =
            XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &info,
                            static_cast<unsigned>(width_), static_cast<unsigned>(height_));
        if (image == nullptr) {
            return false;
        }
        const auto forget = [&] {
            image->data = nullptr;
            XDestroyImage(image);
            info = XShmSegmentInfo{};
            return false;
        };
        if (!suitable(image)) {
            return forget();
        }
        info.shmid = ::shmget(IPC_PRIVATE,
                              static_cast<std::size_t>(image->bytes_per_line) *
                                  static_cast<std::size_t>(height_),
                              IPC_CREAT | 0600);
        void* address = info.shmid >= 0 ? ::shmat(info.shmid, nullptr, 0) : nullptr;
        if (address == nullptr || address == reinterpret_cast<void*>(-1)) {
            if (info.shmid >= 0) {
                ::shmctl(info.shmid, IPC_RMID, nullptr);
            }
            return forget();
        }
        info.shmaddr = image->data = static_cast<char*>(address);
        info.readOnly = False;
        ErrorTrap trap(display_);
        XShmAttach(display_, &info);
        const bool attached = !trap.failed();    // a remote server cannot share memory
        ::shmctl(info.shmid, IPC_RMID, nullptr); // goes when both sides let go
        if (!attached) {
            ::shmdt(address);
            return forget();
        }
        image_ = image;
        return true;
    }

    bool makePlain(Visual* visual, int depth) {
        const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width_);
        plain_ = static_cast<char*>(std::calloc(static_cast<std::size_t>(stride), height_));
        if (plain_ == nullptr) {
            return false;
        }
        image_ =
            XCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, 0, plain_,
                         static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32, stride);
        return image_ != nullptr && suitable(image_);
    }

    bool suitable(const XImage* image) const {
        return image->bits_per_pixel == 32 &&
               image->bytes_per_line == cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width_);
    }

    Display* display_;
    int width_;
    int height_;
    GC gc_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo shared_{};
    char* plain_ = nullptr;
    cairo_surface_t* surface_ = nullptr;
    bool busy_ = false;
};

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
    made->watchAncestors();
    made->refreshViewable();
    return made;
}

X11Window::X11Window(Display* display, ::Window window, Visual* visual, int depth)
    : display_(display), window_(window), visual_(visual), depth_(depth) {}

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

void X11Window::watchAncestors() {
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

void X11Window::refreshViewable() {
    const ErrorScope scope;
    XWindowAttributes attributes{};
    viewable_ = XGetWindowAttributes(display_, window_, &attributes) != 0 &&
                attributes.map_state == IsViewable;
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
        switch (event.type) {
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) {
                alive_ = false;
            }
            break;
        case ReparentNotify:
            if (alive_) {
                watchAncestors();
                refreshViewable();
            }
            break;
        case MapNotify:
        case UnmapNotify:
            if (alive_) {
                refreshViewable();
            }
            break;
        case VisibilityNotify:
            obscured_ = event.xvisibility.state == VisibilityFullyObscured;
            break;
        default:
            break;
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
    canvas_ = Canvas::make(display_, window_, visual_, depth_, width, height);
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

void X11Window::grabPointer(Time time) {
    const ErrorScope scope;
    XGrabPointer(display_, window_, False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, time);
    XFlush(display_);
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
