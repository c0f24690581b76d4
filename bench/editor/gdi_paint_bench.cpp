// Cost of one editor paint through the GDI back end into a 960 x 580 DIB section, against a
// baseline of one full-window fill in the same run, and of the whole paint cycle (off-screen
// image, picture, copy) with the image kept from frame to frame against one made and freed for
// every frame. Prints milliseconds per paint and the ratios. Windows only (runs under wine).

#include "editor/dib_canvas.h"
#include "editor/editor_scenes.h"
#include "editor/paint_editor.h"
#include "editor/win32/gdi_surface.h"
#include "editor/win32/offscreen_buffer.h"
#include "editor/win32/paint_cycle.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using namespace quillwave;

double secondsPerRun(int runs, const std::function<void()>& body) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    body(); // warm up caches and the font mapper
    QueryPerformanceCounter(&start);
    for (int i = 0; i < runs; ++i) {
        body();
    }
    GdiFlush();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart / runs;
}

plugins::AudioClip monoClip(std::uint64_t seconds) {
    plugins::SampleVector samples(seconds * 48000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(i % 1000) / 1000.0f - 0.5f;
    }
    return plugins::AudioClip(1, 48000, std::move(samples));
}

} // namespace

int main() {
    test::DibCanvas canvas(960, 580);
    plugins::GdiSurface surface(canvas.dc());
    const auto paint = [&](const plugins::EditorModel& model) {
        return [&] {
            std::uint32_t bankPage = 0;
            plugins::paintEditor(model, bankPage, surface);
        };
    };

    constexpr int kRuns = 200;
    const double fill = secondsPerRun(kRuns, [&] {
        surface.fillBox({0, 0, 960, 580}, {18, 30, 36});
    });

    test::FixedEditorModel recorder = test::recorderRecordingScene();
    const double recorderEmpty = secondsPerRun(kRuns, paint(recorder));
    recorder.clip = monoClip(600);
    const double recorderWithClip = secondsPerRun(kRuns, paint(recorder));

    test::FixedEditorModel player = test::playerScene(0);
    player.clip = monoClip(1);
    const double playerShort = secondsPerRun(kRuns, paint(player));
    player.clip = monoClip(600);
    const double playerLong = secondsPerRun(kRuns, paint(player));

    const double gain = secondsPerRun(kRuns, paint(test::summingScene()));
    const double faders = secondsPerRun(kRuns, paint(test::faderBankScene()));

    const auto row = [&](const char* name, double seconds) {
        std::printf("%-34s %8.3f ms  %7.1f x fill\n", name, seconds * 1e3, seconds / fill);
    };
    row("full-window fill (baseline)", fill);
    row("recorder page", recorderEmpty);
    row("recorder page, 10 min clip held", recorderWithClip);
    row("player page, 1 s clip", playerShort);
    row("player page, 10 min clip", playerLong);
    row("gain page", gain);
    row("fader bank page", faders);

    // The cycle as the window runs it, into a target of the window's size.
    const auto cycle = [&](plugins::ViewSize size, bool keepImage) {
        const test::DibCanvas window(size.width, size.height);
        const test::FixedEditorModel model = test::recorderRecordingScene();
        plugins::OffscreenBuffer kept;
        return secondsPerRun(kRuns, [&] {
            plugins::OffscreenBuffer fresh;
            plugins::OffscreenBuffer& buffer = keepImage ? kept : fresh;
            const HDC image = buffer.prepare(window.dc(), size);
            if (image == nullptr) {
                std::fprintf(stderr, "no off-screen image\n");
                std::exit(1);
            }
            std::uint32_t bankPage = 0;
            plugins::paintScaled(image, model, bankPage, size);
            BitBlt(window.dc(), 0, 0, size.width, size.height, image, 0, 0, SRCCOPY);
        });
    };
    const plugins::ViewSize single = plugins::scaledViewSize(1.0);
    const plugins::ViewSize doubled = plugins::scaledViewSize(2.0);
    const double keptSingle = cycle(single, true);
    const double freshSingle = cycle(single, false);
    const double keptDoubled = cycle(doubled, true);
    const double freshDoubled = cycle(doubled, false);
    row("recorder cycle 1x, image kept", keptSingle);
    row("recorder cycle 1x, image per frame", freshSingle);
    row("recorder cycle 2x, image kept", keptDoubled);
    row("recorder cycle 2x, image per frame", freshDoubled);

    std::printf("recorder page with / without clip: %.2f\n", recorderWithClip / recorderEmpty);
    std::printf("player page 10 min / 1 s clip:     %.2f\n", playerLong / playerShort);
    std::printf("recorder page / 33 ms repaint budget: %.1f %%\n", recorderEmpty / 0.033 * 100);
    std::printf("cycle 1x, image per frame / kept:  %.2f\n", freshSingle / keptSingle);
    std::printf("cycle 2x, image per frame / kept:  %.2f\n", freshDoubled / keptDoubled);
    return 0;
}
