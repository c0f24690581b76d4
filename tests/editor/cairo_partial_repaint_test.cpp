// Repainting only the changed areas of the last picture gives the picture painted whole.

#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "editor/posix/cairo_picture.h"
#include "editor/recording_surface.h"
#include "editor_scenes.h"

#include <cairo.h>

#include <gtest/gtest.h>

#include <cstring>

namespace quillwave::plugins {
namespace {

RecordingSurface record(const EditorModel& model) {
    RecordingSurface calls;
    std::uint32_t bankPage = 0;
    paintEditor(model, bankPage, calls);
    return calls;
}

bool samePixels(cairo_surface_t* a, cairo_surface_t* b) {
    const int stride = cairo_image_surface_get_stride(a);
    for (int y = 0; y < layout::kHeight; ++y) {
        const auto* rowA = cairo_image_surface_get_data(a) + y * stride;
        const auto* rowB = cairo_image_surface_get_data(b) + y * stride;
        if (std::memcmp(rowA, rowB, static_cast<std::size_t>(layout::kWidth) * 4) != 0) {
            return false;
        }
    }
    return true;
}

TEST(CairoPartialRepaint, MeterThatGainsSegmentsRepaintsItsRowOnly) {
    test::FixedEditorModel before = test::recorderRecordingScene();
    test::FixedEditorModel now = test::recorderRecordingScene();
    now.snapshot.peak[0] = 0.9f;                  // more segments lit in the first row
    now.snapshot.recorder.capturedFrames += 1600; // and the counters move
    const RecordingSurface beforeCalls = record(before);
    const RecordingSurface nowCalls = record(now);
    ASSERT_NE(beforeCalls.calls().size(), nowCalls.calls().size());

    const std::vector<Rect> areas =
        changedAreas(nowCalls.calls(), beforeCalls.calls(), layout::kWholeWindow);
    ASSERT_FALSE(areas.empty());
    for (const Rect& area : areas) {
        EXPECT_FALSE(area.top <= 112 && area.bottom >= 155) << "the button row did not change";
    }

    std::uint32_t bankPage = 0;
    CairoPicture shown = paintPicture(before, bankPage);
    CairoPicture whole = paintPicture(now, bankPage);
    ASSERT_TRUE(shown && whole);
    paintInto(
        shown.get(), [&](DrawingSurface& target) { replay(nowCalls.calls(), target, &areas); },
        &areas);
    EXPECT_TRUE(samePixels(shown.get(), whole.get()));
}

} // namespace
} // namespace quillwave::plugins
