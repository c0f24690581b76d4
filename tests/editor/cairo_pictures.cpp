// Paints representative editor pages through the cairo back end and writes each as a PNG file
// into the folder given as the only argument, named editor-<scene>-cairo.png, and some of them
// scaled, as editor-<scene>-<scale>x-cairo.png.

#include "editor/posix/cairo_picture.h"
#include "editor_scenes.h"

#include <cstdio>
#include <string>

namespace {

using namespace quillwave;

bool render(const std::string& folder, const std::string& name, const plugins::EditorModel& model,
            double scale = 1.0) {
    std::uint32_t bankPage = 0;
    const plugins::CairoPicture picture =
        plugins::paintPicture(model, bankPage, nullptr, plugins::scaledViewSize(scale));
    const std::string path = folder + "/editor-" + name + "-cairo.png";
    if (picture == nullptr ||
        cairo_surface_write_to_png(picture.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cairo_pictures <output folder>\n");
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
    return ok ? 0 : 1;
}
