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
    const int width = cairo_image_surface_get_width(a);
    for (int y = 0; y < cairo_image_surface_get_height(a); ++y) {
        const auto* rowA = cairo_image_surface_get_data(a) + y * stride;
        const auto* rowB = cairo_image_surface_get_data(b) + y * stride;
        if (std::memcmp(rowA, rowB, static_cast<std::size_t>(width) * 4) != 0) {
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

// One row gains a segment where the other loses one: the calls between the two rows pair up
// again, and the rows are repainted apart.
TEST(CairoPartialRepaint, RowsThatGainAndLoseRepaintApart) {
    test::FixedEditorModel before = test::recorderRecordingScene();
    test::FixedEditorModel now = test::recorderRecordingScene();
    now.snapshot.peak[0] = 0.5f;  // from 0.42: more segments
    now.snapshot.peak[1] = 0.86f; // from 1.0: as many fewer
    const RecordingSurface beforeCalls = record(before);
    const RecordingSurface nowCalls = record(now);
    ASSERT_EQ(beforeCalls.calls().size(), nowCalls.calls().size());
    ASSERT_NE(beforeCalls.calls(), nowCalls.calls());
    for (const Rect& area :
         changedAreas(nowCalls.calls(), beforeCalls.calls(), layout::kWholeWindow)) {
        EXPECT_LT(area.bottom - area.top, 30) << "an area spans both rows";
    }
}

// As the window repaints: at every size, the page centred in it too, the device pixels next to a
// changed area keep what the calls around it painted.
TEST(CairoPartialRepaint, ScaledRepaintMatchesTheWholePicture) {
    test::FixedEditorModel before = test::recorderRecordingScene();
    test::FixedEditorModel now = test::recorderRecordingScene();
    now.snapshot.peak[0] = 0.9f;
    now.snapshot.recorder.capturedFrames += 1600;
    const RecordingSurface nowCalls = record(now);
    const std::vector<Rect> areas =
        changedAreas(nowCalls.calls(), record(before).calls(), layout::kWholeWindow);
    // The design's own sizes, and sizes a host gives off its aspect ratio (the page centred).
    for (const ViewSize size : {scaledViewSize(1.0), scaledViewSize(1.25), scaledViewSize(1.5),
                                scaledViewSize(2.0), ViewSize{1200, 800}, ViewSize{1500, 601}}) {
        std::uint32_t bankPage = 0;
        CairoPicture shown = paintPicture(before, bankPage, nullptr, size);
        CairoPicture whole = paintPicture(now, bankPage, nullptr, size);
        ASSERT_TRUE(shown && whole);
        repaintAreas(shown.get(), nowCalls.calls(), areas, pageTransform(size));
        EXPECT_TRUE(samePixels(shown.get(), whole.get())) << size.width << " x " << size.height;
    }
}

} // namespace
} // namespace quillwave::plugins
