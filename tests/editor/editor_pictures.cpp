// Paints representative editor pages through the GDI back end and writes each as a 32-bit BMP
// file into the folder given as the only argument (some of them also scaled, as
// <scene>-<scale>x.bmp), with the bundle's folder icon in four sizes (icon-<size>.bmp). Windows
// only (runs under wine).

#include "cropped_surface.h"
#include "dib_canvas.h"
#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "editor/scaled_surface.h"
#include "editor/view_scale.h"
#include "editor/win32/gdi_surface.h"
#include "editor_scenes.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using namespace quillwave;

template <typename T> void put(std::ofstream& out, T value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value); // little-endian target
}

bool writeBmp(const std::string& path, const test::DibCanvas& canvas) {
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(canvas.width()) *
                                     static_cast<std::uint32_t>(canvas.height()) * 4;
    std::ofstream out(path, std::ios::binary);
    out.write("BM", 2);
    put<std::uint32_t>(out, 14 + 40 + pixelBytes);
    put<std::uint32_t>(out, 0);
    put<std::uint32_t>(out, 14 + 40);
    put<std::uint32_t>(out, 40);
    put<std::int32_t>(out, canvas.width());
    put<std::int32_t>(out, -canvas.height()); // top-down rows, as in memory
    put<std::uint16_t>(out, 1);
    put<std::uint16_t>(out, 32);
    put<std::uint32_t>(out, 0); // BI_RGB
    put<std::uint32_t>(out, pixelBytes);
    put<std::int32_t>(out, 3780); // 96 dpi
    put<std::int32_t>(out, 3780);
    put<std::uint32_t>(out, 0);
    put<std::uint32_t>(out, 0);
    out.write(reinterpret_cast<const char*>(canvas.bits()), pixelBytes);
    return static_cast<bool>(out);
}

bool render(const std::string& folder, const std::string& name, const plugins::EditorModel& model,
            double scale = 1.0) {
    const plugins::ViewSize size = plugins::scaledViewSize(scale);
    test::DibCanvas canvas(size.width, size.height);
    plugins::GdiSurface device(canvas.dc());
    plugins::ScaledSurface surface(device, scale);
    std::uint32_t bankPage = 0;
    plugins::paintEditor(model, bankPage, surface);
    const std::string path = folder + "\\" + name + ".bmp";
    if (!writeBmp(path, canvas)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// The recording lamp of the recorder page, in a square centred on it and twice its width.
bool renderIcon(const std::string& folder, int size) {
    constexpr plugins::Rect lamp = plugins::layout::kStateCircle;
    constexpr int half = lamp.right - lamp.left;
    constexpr int x = (lamp.left + lamp.right) / 2;
    constexpr int y = (lamp.top + lamp.bottom) / 2;
    test::DibCanvas canvas(size, size);
    plugins::GdiSurface gdi(canvas.dc());
    test::CroppedSurface surface(gdi, {x - half, y - half, x + half, y + half}, size);
    std::uint32_t bankPage = 0;
    plugins::paintEditor(test::recorderRecordingScene(), bankPage, surface);
    const std::string path = folder + "\\icon-" + std::to_string(size) + ".bmp";
    if (!writeBmp(path, canvas)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: editor_pictures <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (const test::PictureScene& scene : test::kPictureScenes) {
        ok = render(folder, scene.name, scene.make()) && ok;
    }
    for (const test::PictureScene& scene : test::kScaledPictureScenes) {
        for (const test::PictureScale& scale : test::kPictureScales) {
            ok =
                render(folder, scene.name + std::string(scale.suffix), scene.make(), scale.scale) &&
                ok;
        }
    }
    for (int size : {16, 32, 48, 256}) {
        ok = renderIcon(folder, size) && ok;
    }
    return ok ? 0 : 1;
}
