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

} // namespace

void paintScaled(HDC dc, const EditorModel& model, std::uint32_t& bankPage, ViewSize size) {
    GdiSurface device(dc);
    const PageTransform page = pageTransform(size);
    paintMargins(device, size, page);
    ScaledSurface surface(device, page);
    paintEditor(model, bankPage, surface);
}

bool paintWindow(HWND window, OffscreenBuffer& buffer, const EditorModel& model,
                 std::uint32_t& bankPage, ViewSize size) {
    const PaintScope paint(window);
    if (paint.dc() == nullptr) {
        return false;
    }
    const HDC image = buffer.prepare(paint.dc(), size);
    if (image == nullptr) {
        return false;
    }
    paintScaled(image, model, bankPage, size);
    BitBlt(paint.dc(), 0, 0, size.width, size.height, image, 0, 0, SRCCOPY);
    return true;
}

} // namespace quillwave::plugins
