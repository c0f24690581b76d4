#pragma once

#include "editor/drawing_surface.h"
#include "editor/editor_model.h"
#include "editor/view_scale.h"

#include <cstdint>

namespace quillwave::plugins {

// Draws the whole 960 x 580 editor picture of `model` into `surface`, every pixel of it: the
// common header, then the page of the module's kind. `bankPage` is the view's page of eight
// fader bank strips; a page past the last strip is clamped back to the last page and stored.
// Reads the model and changes nothing else.
void paintEditor(const EditorModel& model, std::uint32_t& bankPage, DrawingSurface& surface);

// Fills the pixels of a window of size outside the page (device pixels, straight on the back
// end) with the page's background, so the page sits in it as if it were wider or taller.
void paintMargins(DrawingSurface& device, ViewSize size, const PageTransform& page);

} // namespace quillwave::plugins
