#pragma once

// The editor picture painted off-screen by the cairo back end: the window copies it in one go,
// and the documentation's pictures are written from it.

#include "editor/editor_model.h"
#include "editor/posix/editor_notice.h"
#include "editor/recording_surface.h"
#include "editor/view_scale.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace quillwave::plugins {

struct CairoSurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using CairoPicture = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;

// Paints into target, an RGB24 image, through the cairo back end; with areas (device pixels),
// only inside them.
void paintInto(cairo_surface_t* target, const std::function<void(DrawingSurface&)>& paint,
               const std::vector<Rect>* areas = nullptr);

// Paints again the calls of a picture inside areas (design pixels) of target, which holds the
// picture drawn before where page places it; the calls outside them leave their pixels as they
// are. An area at an edge of the page takes the window's margin beyond that edge along. Returns
// the device pixels painted, for copying to the screen.
std::vector<Rect> repaintAreas(cairo_surface_t* target, const std::vector<DrawCall>& calls,
                               const std::vector<Rect>& areas, const PageTransform& page);

// A fresh RGB image of size with the page of model (and notice over it, if any), placed in it as
// pageTransform places it in a window; null when cairo cannot make the image. bankPage as for
// paintEditor.
CairoPicture paintPicture(const EditorModel& model, std::uint32_t& bankPage,
                          const EditorNotice* notice = nullptr, ViewSize size = {});

} // namespace quillwave::plugins
