#include "editor/posix/x11_shared_image.h"

#include "editor/posix/x11_error_trap.h"

#include <X11/Xutil.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>

namespace quillwave::plugins {

std::unique_ptr<X11SharedImage> X11SharedImage::make(Display* display, ::Window window,
                                                     Visual* visual, int depth, int width,
                                                     int height) {
    if (depth != 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
        visual->blue_mask != 0xFF || ImageByteOrder(display) != LSBFirst) {
        return nullptr;
    }
    std::unique_ptr<X11SharedImage> image(new X11SharedImage(display, width, height));
    image->gc_ = XCreateGC(display, window, 0, nullptr);
    if (!image->attachShared(visual, depth) && !image->makePlain(visual, depth)) {
        return nullptr;
    }
    image->surface_ = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(image->image_->data), CAIRO_FORMAT_RGB24, width, height,
        image->image_->bytes_per_line);
    if (cairo_surface_status(image->surface_) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return image;
}

X11SharedImage::~X11SharedImage() {
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

void X11SharedImage::put(::Window window, const std::vector<Rect>& areas) {
    cairo_surface_flush(surface_);
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const Rect& a = areas[i];
        const auto w = static_cast<unsigned>(a.right - a.left);
        const auto h = static_cast<unsigned>(a.bottom - a.top);
        if (shared_.shmaddr != nullptr) {
            // The server reads the pixels after this returns: no painting until it says it has
            // read the last area.
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

bool X11SharedImage::completes(const XEvent& event) {
    if (shared_.shmaddr == nullptr || event.type != XShmGetEventBase(display_) + ShmCompletion) {
        return false;
    }
    // A completion of an image made before this one (at another size) frees nothing here.
    if (reinterpret_cast<const XShmCompletionEvent&>(event).shmseg == shared_.shmseg) {
        busy_ = false;
    }
    return true;
}

bool X11SharedImage::attachShared(Visual* visual, int depth) {
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

bool X11SharedImage::makePlain(Visual* visual, int depth) {
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

bool X11SharedImage::suitable(const XImage* image) const {
    return image->bits_per_pixel == 32 &&
           image->bytes_per_line == cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width_);
}

} // namespace quillwave::plugins
