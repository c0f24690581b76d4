#pragma once

// The editor's X11 child window, on a display connection of its own so that nothing the host
// does with its connection can disturb it (and the other way round). Closing the connection
// frees every server resource the window used. Every call on the connection runs under an error
// trap of this module, so no error of ours reaches the host's error handler.

#include <X11/Xlib.h>

#include "editor/drawing_surface.h"
#include "editor/posix/x11_visibility.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace quillwave::plugins {

class X11SharedImage;

// Frames all editor windows of the process have shown so far; for measuring.
std::uint64_t framesPresented();

class X11Window {
public:
    // A mapped child of parent at (0, 0), width x height, listening for exposure, structure,
    // visibility and the pointer. Null when there is no display or parent is not a window of it.
    static std::unique_ptr<X11Window> create(std::uintptr_t parent, int width, int height);

    ~X11Window(); // destroys the window (when it still exists) and closes the connection
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // The connection's file descriptor: readable when the server sent something.
    int fileDescriptor() const;
    ::Window id() const { return window_; }

    // False once the server destroyed the window (its parent went away).
    bool alive() const { return alive_; }

    // True while the window and every window above it are mapped. Kept up to date by the events
    // nextEvent reads.
    bool viewable() const { return alive_ && visibility_.viewable(); }
    // True while the window can be seen: viewable, and neither it nor a window above it wholly
    // covered.
    bool visible() const { return viewable() && !visibility_.obscured(); }

    // True when Xlib holds events it read while waiting for the server (every trapped call
    // does): the connection's descriptor does not tell of these.
    bool eventsQueued() const;

    // The next event for the editor window that arrived: with readConnection, first reading what
    // the connection has to offer, else only from what Xlib already read (the host's watch on the
    // connection tells when there is more). False when there is none. Events of the windows
    // above it only update visible().
    bool nextEvent(XEvent& event, bool readConnection);

    // Replaces motion by the last of the motions queued right behind it with the same buttons
    // held, so a fast mouse costs one edit per batch and not one per pixel.
    void skipToLatestMotion(XEvent& motion);

    // The RGB24 image the next frame is painted into, width x height, kept from frame to frame
    // (in memory shared with the server when it can be); null while the server is still reading
    // the last frame from it, or when no image can be made. fresh is set when the image is new
    // and holds nothing of the last frame.
    cairo_surface_t* canvas(int width, int height, bool& fresh);
    // Shows the areas of the canvas, each in one go.
    void presentCanvas(const std::vector<Rect>& areas);

    // Resizes the window; the next exposure repaints it.
    void resize(int width, int height);

    // The X server's Xft.dpi resource, as desktops set it for their scale; 0 when there is none.
    double screenDpi() const;

    // Keeps the pointer's events for this window until ungrabbed, wherever the pointer goes;
    // false when the server would not grab it.
    bool grabPointer(Time time);
    void ungrabPointer(Time time);

    // The host's top-level window that holds the editor (the one the window manager manages),
    // found by walking up the window tree; 0 when there is none.
    ::Window topLevel();

    // Runs calls on this window's connection under its error trap, so no error of theirs reaches
    // the host's handler; false when one of their requests failed.
    bool runTrapped(const std::function<void(Display*)>& calls);

private:
    X11Window(Display* display, ::Window window, Visual* visual, int depth);

    void copyToWindow(cairo_surface_t* picture, const Rect& area);

    struct SurfaceRelease {
        void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    };

    Display* display_;
    ::Window window_;
    Visual* visual_;
    int depth_;
    bool alive_ = true;
    X11Visibility visibility_;
    std::unique_ptr<X11SharedImage> canvas_;
    std::unique_ptr<cairo_surface_t, SurfaceRelease> fallback_; // when canvas_ cannot be made
};

} // namespace quillwave::plugins
