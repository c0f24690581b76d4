#pragma once

// The editor window's off-screen image: a memory context with a bitmap compatible with the
// window's, kept from paint to paint so that a frame allocates no GDI objects of its own. It is
// made again only when the picture's size or the screen's colour format changes, or when GDI
// could not make it the last time.

#include "editor/view_scale.h"

#include <windows.h>

namespace quillwave::plugins {

class OffscreenBuffer {
public:
    OffscreenBuffer() = default;
    ~OffscreenBuffer() { release(); }
    OffscreenBuffer(const OffscreenBuffer&) = delete;
    OffscreenBuffer& operator=(const OffscreenBuffer&) = delete;

    // The memory context to draw a frame of size into before it is copied to target: the kept
    // one while it still matches, else a new one. Null when GDI cannot make it; nothing is kept
    // then and the next call tries again.
    HDC prepare(HDC target, ViewSize size);
    // Frees the context and its bitmap; the next prepare makes new ones.
    void release();

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr; // the context's own bitmap, put back before deleting ours
    ViewSize size_;
    int colourBits_ = 0; // of the target the bitmap was made for
};

} // namespace quillwave::plugins
