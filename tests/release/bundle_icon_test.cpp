// The Windows bundle's folder icon: desktop.ini names PlugIn.ico, and Windows loads the icon in
// each size Explorer asks for, showing the recorder page's recording lamp on its state panel.
// Windows only (runs under wine).

#include "dib_canvas.h"
#include "editor/palette.h"
#include "tools/module_library.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace quillwave;

std::string bundleDir() {
    const char* given = std::getenv("QUILLWAVE_TEST_BUNDLE");
    return given && *given ? given : QUILLWAVE_BUNDLE_DIR;
}

TEST(BundleIconTest, DesktopIniNamesTheIcon) {
    std::ifstream in(std::filesystem::path(tools::systemPath(bundleDir() + "/desktop.ini")),
                     std::ios::binary);
    ASSERT_TRUE(in);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "[.ShellClassInfo]\r\nIconResource=PlugIn.ico,0\r\n");
}

TEST(BundleIconTest, EverySizeLoadsAndShowsTheRecordingLamp) {
    const std::wstring path = tools::systemPath(bundleDir() + "/PlugIn.ico");
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
