#include "editor/posix/cairo_picture.h"

#include "editor/paint_editor.h"
#include "editor/posix/cairo_surface.h"
#include "editor/scaled_surface.h"

#include <dlfcn.h>

#include <algorithm>

namespace quillwave::plugins {
namespace {

// cairo's pixel library builds global tables when it is loaded and never frees them, so a host
// that unloads and loads this module again would lose them every time. Once this module brought
// cairo in, cairo (and what it loaded) stays for the life of the process, as it does in any host
// whose own toolkit uses it.
const bool cairoKeptLoaded = [] {
    void* cairo = dlopen("libcairo.so.2", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    if (cairo == nullptr) {
        return false;
    }
    dlclose(cairo); // drops this reference only; the library is marked never to be unloaded
    return true;
}();

} // namespace

void paintInto(cairo_surface_t* target, const std::function<void(DrawingSurface&)>& paint,
               const std::vector<Rect>* areas) {
    cairo_t* cr = cairo_create(target);
    if (areas != nullptr) {
        for (const Rect& area : *areas) {
            cairo_rectangle(cr, area.left, area.top, area.right - area.left,
                            area.bottom - area.top);
        }
        cairo_clip(cr);
    }
    {
        CairoSurface surface(cr);
        paint(surface);
    }
    cairo_destroy(cr);
    cairo_surface_flush(target);
}

std::vector<Rect> repaintAreas(cairo_surface_t* target, const std::vector<DrawCall>& calls,
                               const std::vector<Rect>& areas, const PageTransform& page) {
    // A call outside the design areas paints no device pixel of theirs (its edges round the
    // same way), so the device areas need no margin.
    const ViewSize size{cairo_image_surface_get_width(target),
                        cairo_image_surface_get_height(target)};
    std::vector<Rect> device;
    for (const Rect& area : areas) {
        Rect d = toDevice(area, page);
        d.left = area.left <= 0 ? 0 : std::max(d.left, 0);
        d.top = area.top <= 0 ? 0 : std::max(d.top, 0);
        d.right = area.right >= layout::kWidth ? size.width : std::min(d.right, size.width);
        d.bottom = area.bottom >= layout::kHeight ? size.height : std::min(d.bottom, size.height);
        device.push_back(d);
    }
    paintInto(
        target,
        [&](DrawingSurface& surface) {
            paintMargins(surface, size, page);
            ScaledSurface scaled(surface, page);
            replay(calls, scaled, &areas);
        },
        &device);
    return device;
}

CairoPicture paintPicture(const EditorModel& model, std::uint32_t& bankPage,
                          const EditorNotice* notice, ViewSize size) {
    CairoPicture picture(cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.width, size.height));
    if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_t* cr = cairo_create(picture.get());
    {
        CairoSurface device(cr);
        const PageTransform page = pageTransform(size);
        paintMargins(device, size, page);
        ScaledSurface surface(device, page);
        paintEditor(model, bankPage, surface);
        if (notice != nullptr) {
            paintNotice(*notice, surface);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(picture.get());
    return picture;
}

} // namespace quillwave::plugins
