#pragma once

// The editor window's frame image: an XImage over memory shared with the server (or, without the
// shared memory extension, over plain memory), with a cairo image surface over the same pixels,
// copied to the window area by area.

#include "editor/drawing_surface.h"

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cairo.h>

#include <memory>
#include <vector>

namespace quillwave::plugins {

class X11SharedImage {
public:
    // Null when the visual does not hold pixels as cairo's RGB24 does, or no image can be made.
    static std::unique_ptr<X11SharedImage> make(Display* display, ::Window window, Visual* visual,
                                                int depth, int width, int height);
    ~X11SharedImage();
    X11SharedImage(const X11SharedImage&) = delete;
    X11SharedImage& operator=(const X11SharedImage&) = delete;

    bool fits(int width, int height) const { return width == width_ && height == height_; }
    // True while the server may still read the last areas put from shared memory.
    bool busy() const { return busy_; }
    cairo_surface_t* surface() const { return surface_; }

    // Copies the areas to window, each in one go.
    void put(::Window window, const std::vector<Rect>& areas);

    // True for an event that tells the server has read a shared image of the connection; only
    // the one for this image's segment ends busy().
    bool completes(const XEvent& event);

private:
    X11SharedImage(Display* display, int width, int height)
        : display_(display), width_(width), height_(height) {}

    bool attachShared(Visual* visual, int depth);
    bool makePlain(Visual* visual, int depth);
    bool suitable(const XImage* image) const;

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

} // namespace quillwave::plugins
