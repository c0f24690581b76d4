#include "editor/win32/paint_cycle.h"

#include "editor/paint_editor.h"
#include "editor/scaled_surface.h"
#include "editor/win32/gdi_surface.h"

namespace quillwave::plugins {
namespace {

// BeginPaint and EndPaint as one scope.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A memory context with a compatible bitmap selected, both freed in the right order.
class OffscreenBuffer {
public:
    OffscreenBuffer(HDC target, int width, int height)
        : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)) {
        if (dc_ != nullptr && bitmap_ != nullptr) {
            previous_ = SelectObject(dc_, bitmap_);
        }
    }
    ~OffscreenBuffer() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
        if (bitmap_ != nullptr) {
            DeleteObject(bitmap_);
        }
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
    }
    OffscreenBuffer(const OffscreenBuffer&) = delete;
    OffscreenBuffer& operator=(const OffscreenBuffer&) = delete;

    bool ready() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_ = nullptr;
};

} // namespace

void paintScaled(HDC dc, const EditorModel& model, std::uint32_t& bankPage, ViewSize size) {
    GdiSurface device(dc);
    ScaledSurface surface(device, size.scale());
    paintEditor(model, bankPage, surface);
}

void paintWindow(HWND window, const EditorModel& model, std::uint32_t& bankPage, ViewSize size) {
    const PaintScope paint(window);
    if (paint.dc() == nullptr) {
        return;
    }
    // Out of GDI resources this frame is skipped; the next timer tick tries again.
    const OffscreenBuffer buffer(paint.dc(), size.width, size.height);
    if (!buffer.ready()) {
        return;
    }
    paintScaled(buffer.dc(), model, bankPage, size);
    BitBlt(paint.dc(), 0, 0, size.width, size.height, buffer.dc(), 0, 0, SRCCOPY);
}

} // namespace quillwave::plugins
