#include "editor/win32/offscreen_buffer.h"

namespace quillwave::plugins {
namespace {

// A compatible bitmap has its target's pixel format: one made for another depth would be
// converted at every copy, or shown wrongly.
int colourBits(HDC dc) {
    return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
}

} // namespace

HDC OffscreenBuffer::prepare(HDC target, ViewSize size) {
    const int bits = colourBits(target);
    if (dc_ != nullptr && size == size_ && bits == colourBits_) {
        return dc_;
    }
    release();
    dc_ = CreateCompatibleDC(target);
    if (dc_ != nullptr) {
        bitmap_ = CreateCompatibleBitmap(target, size.width, size.height);
    }
    if (bitmap_ != nullptr) {
        previous_ = SelectObject(dc_, bitmap_);
    }
    if (previous_ == nullptr || previous_ == HGDI_ERROR) {
        release();
        return nullptr;
    }
    size_ = size;
    colourBits_ = bits;
    return dc_;
}

void OffscreenBuffer::release() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) {
        SelectObject(dc_, previous_);
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
    if (dc_ != nullptr) {
        DeleteDC(dc_);
    }
    dc_ = nullptr;
    bitmap_ = nullptr;
    previous_ = nullptr;
}

} // namespace quillwave::plugins
