#pragma once

// The editor's X11 child window, on a display connection of its own so that nothing the host
// does with its connection can disturb it (and the other way round). Closing the connection
// frees every server resource the window used.

#include <X11/Xlib.h>

#include <cairo.h>

#include <cstdint>
#include <memory>

namespace quillwave::plugins {

class X11Window {
public:
    // A mapped child of parent at (0, 0), width x height, listening for exposure, structure and
    // the pointer. Null when there is no display or parent is not a window of it.
    static std::unique_ptr<X11Window> create(std::uintptr_t parent, int width, int height);

    ~X11Window(); // destroys the window (when it still exists) and closes the connection
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // The connection's file descriptor: readable when the server sent something.
    int fileDescriptor() const;
    ::Window id() const { return window_; }

    // False once the server destroyed the window (its parent went away).
    bool alive() const { return alive_; }

    // The next event that arrived, read or still unread; false when there is none.
    bool nextEvent(XEvent& event);

    // Replaces motion by the last of the motions queued right behind it with the same buttons
    // held, so a fast mouse costs one edit per batch and not one per pixel.
    void skipToLatestMotion(XEvent& motion);

    // Resizes the window; the next exposure repaints it.
    void resize(int width, int height);

    // The X server's Xft.dpi resource, as desktops set it for their scale; 0 when there is none.
    double screenDpi() const;

    // Copies a finished picture to the window at (0, 0) in one go.
    void present(cairo_surface_t* picture, int width, int height);

    // Keeps the pointer's events for this window until ungrabbed, wherever the pointer goes.
    void grabPointer(Time time);
    void ungrabPointer(Time time);

private:
    X11Window(Display* display, ::Window window, Visual* visual);

    Display* display_;
    ::Window window_;
    Visual* visual_;
    bool alive_ = true;
};

} // namespace quillwave::plugins
