// The Windows bundle's folder icon: Windows loads PlugIn.ico in each size Explorer asks for, and
// each shows the recorder page's recording lamp on its state panel. Windows only (runs under wine).

#include "dib_canvas.h"
#include "editor/palette.h"
#include "tools/module_library.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using namespace quillwave;

TEST(BundleIconTest, EverySizeLoadsAndShowsTheRecordingLamp) {
    const std::wstring path = tools::systemPath(QUILLWAVE_BUNDLE_DIR "/PlugIn.ico");
    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        auto icon = static_cast<HICON>(
            LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
        ASSERT_NE(icon, nullptr);
        test::DibCanvas canvas(size, size);
        ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
        DestroyIcon(icon);
        EXPECT_EQ(canvas.pixel(size / 2, size / 2), plugins::palette::kStateRecording);
        EXPECT_EQ(canvas.pixel(1, 1), plugins::palette::kRecorderStatePanel);
        EXPECT_EQ(canvas.pixel(size - 2, size - 2), plugins::palette::kRecorderStatePanel);
    }
}

} // namespace
