// Cost of one editor paint on the recording surface. The gain page, the simplest picture, is the
// baseline; the recorder page must not depend on the length of a loaded clip, and the player page
// must not depend on the length of its clip.

#include "editor/editor_scenes.h"
#include "editor/paint_editor.h"
#include "editor/recording_surface.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quillwave;

plugins::AudioClip monoClip(std::uint64_t seconds) {
    plugins::SampleVector samples(seconds * 48000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(i % 1000) / 1000.0f - 0.5f;
    }
    return plugins::AudioClip(1, 48000, std::move(samples));
}

void paintLoop(benchmark::State& state, const plugins::EditorModel& model) {
    plugins::RecordingSurface surface;
    std::uint32_t bankPage = 0;
    for (auto _ : state) {
        surface.clear();
        plugins::paintEditor(model, bankPage, surface);
        benchmark::DoNotOptimize(surface.calls().data());
    }
    state.counters["calls"] = static_cast<double>(surface.calls().size());
}

void BM_GainPageBaseline(benchmark::State& state) {
    paintLoop(state, test::summingScene());
}
BENCHMARK(BM_GainPageBaseline);

void BM_FaderBankPage(benchmark::State& state) {
    paintLoop(state, test::faderBankScene());
}
BENCHMARK(BM_FaderBankPage);

// Argument: seconds of a clip the model also holds (the recorder page must ignore it).
void BM_RecorderPage(benchmark::State& state) {
    test::FixedEditorModel model = test::recorderRecordingScene();
    model.clip = monoClip(static_cast<std::uint64_t>(state.range(0)));
    paintLoop(state, model);
}
BENCHMARK(BM_RecorderPage)->Arg(0)->Arg(600);

// Argument: seconds of the player's clip.
void BM_PlayerPage(benchmark::State& state) {
    test::FixedEditorModel model = test::playerScene(0);
    model.clip = monoClip(static_cast<std::uint64_t>(state.range(0)));
    paintLoop(state, model);
}
BENCHMARK(BM_PlayerPage)->Arg(1)->Arg(60)->Arg(600);

} // namespace

BENCHMARK_MAIN();
