// Cost of one editor paint through the GDI back end into a 960 x 580 DIB section, against a
// baseline of one full-window fill in the same run. Prints milliseconds per paint and the ratios.
// Windows only (runs under wine).

#include "editor/dib_canvas.h"
#include "editor/editor_scenes.h"
#include "editor/paint_editor.h"
#include "editor/win32/gdi_surface.h"

#include <windows.h>

#include <cstdio>
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
    std::printf("recorder page with / without clip: %.2f\n", recorderWithClip / recorderEmpty);
    std::printf("player page 10 min / 1 s clip:     %.2f\n", playerLong / playerShort);
    std::printf("recorder page / 33 ms repaint budget: %.1f %%\n", recorderEmpty / 0.033 * 100);
    return 0;
}
