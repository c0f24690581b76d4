#include "editor/posix/cairo_picture.h"

#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "editor/posix/cairo_surface.h"

namespace quillwave::plugins {

CairoPicture paintPicture(const EditorModel& model, std::uint32_t& bankPage,
                          const EditorNotice* notice) {
    CairoPicture picture(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout::kWidth, layout::kHeight));
    if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_t* cr = cairo_create(picture.get());
    CairoSurface surface(cr);
    paintEditor(model, bankPage, surface);
    if (notice != nullptr) {
        paintNotice(*notice, surface);
    }
    cairo_destroy(cr);
    cairo_surface_flush(picture.get());
    return picture;
}

} // namespace quillwave::plugins
