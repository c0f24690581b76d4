// Cost of process per channel-sample for the recorder while it records, with separate buffers and
// with the host's input buffers handed back as its outputs (in place), while it is armed and keeps
// pre-record (the transport stopped), and for the fader bank,
// next to the bare work a pass-through recorder cannot avoid: copy input to output and input to a
// ring. The recorder writes through a stream that discards, and the loop waits (untimed) whenever
// its ring is half full, so every block takes the full capture path: dropped_frames must be 0.
// Run: build/linux/bench/host/process_bench

#include "support/discarding_stream.h"
#include "support/plugin_instance.h"
#include "support/process_fixtures.h"
#include "support/wav_file.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

using namespace quillwave;
using namespace quillwave::test;

namespace {

constexpr int kBlock = 512;

void fillNoise(BusBuffers& bus) {
    std::uint32_t x = 12345;
    for (auto& c : bus.data32) {
        for (float& s : c) {
            x = x * 1664525u + 1013904223u;
            s = static_cast<float>(x >> 8) / 16777216.0f - 0.5f;
        }
    }
}

// The baseline: per block, every input channel to its output and interleaved into a ring of the
// size the recorder uses for this format.
void BM_BareCopyLoop(benchmark::State& state) {
    const int channels = static_cast<int>(state.range(0));
    BusBuffers in(channels, kBlock), out(channels, kBlock);
    fillNoise(in);
    const std::uint64_t mask =
        plugins::CaptureRing::samplesFor(static_cast<std::uint32_t>(channels), 48000) - 1;
    std::vector<float> ring(mask + 1);
    std::uint64_t w = 0;
    for (auto _ : state) {
        for (int c = 0; c < channels; ++c) {
            std::copy(in.data32[c].begin(), in.data32[c].end(), out.data32[c].begin());
        }
        for (int i = 0; i < kBlock; ++i) {
            for (int c = 0; c < channels; ++c) {
                ring[w++ & mask] = in.data32[c][i];
            }
        }
        benchmark::DoNotOptimize(ring.data());
        benchmark::DoNotOptimize(out.data32[0].data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_channel_sample"] = benchmark::Counter(
        static_cast<double>(channels) * kBlock,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Arguments: channels, 1 when the output bus is the input bus's buffers, and 1 for an armed
// recorder keeping 10 s of pre-record with the transport stopped instead of a recording one.
void BM_RecorderProcess(benchmark::State& state) {
    const int channels = static_cast<int>(state.range(0));
    const bool inPlace = state.range(1) != 0;
    const bool preRecording = state.range(2) != 0;
    TempFolder folder;
    plugins::RecorderFileAccess access;
    access.open = [](const std::u16string&) { return std::make_unique<test::DiscardingStream>(); };
    Steinberg::IPtr<plugins::UtilityPlugin> plugin(
        new plugins::UtilityPlugin(plugins::ModuleKind::Recorder, access), false);
    plugin->initialize(nullptr);
    plugin->activateBus(Vst::kAudio, Vst::kInput, 0, true);
    plugin->activateBus(Vst::kAudio, Vst::kOutput, 0, true);
    Vst::SpeakerArrangement arr = channels >= 64 ? ~0ull : (1ull << channels) - 1;
    plugin->setBusArrangements(&arr, 1, &arr, 1);
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, kBlock, 48000};
    plugin->setupProcessing(setup);
    std::string error;
    if (!plugin->chooseFile(u16path(folder / "bench.wav"), error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    plugin->setParamNormalized(403, preRecording ? 1.0 : 0.0);
    plugin->setActive(true);
    plugin->setProcessing(true);
    BusBuffers in(channels, kBlock), out(channels, kBlock);
    fillNoise(in);
    Vst::AudioBusBuffers inView = in.view(false), outView = (inPlace ? in : out).view(false);
    Vst::ProcessContext context{};
    context.state = preRecording ? 0 : Vst::ProcessContext::kPlaying;
    Vst::ProcessData d{};
    d.symbolicSampleSize = Vst::kSample32;
    d.numSamples = kBlock;
    d.numInputs = 1;
    d.numOutputs = 1;
    d.inputs = &inView;
    d.outputs = &outView;
    d.processContext = &context;
    const plugins::DiskRecorder& recorder = plugin->recorder();
    for (auto _ : state) {
        // Kept input is overwritten, never read: only a recording waits for its writer.
        if (!preRecording &&
            recorder.writeIndex() - recorder.readIndex() > recorder.ringSamples() / 2) {
            state.PauseTiming();
            while (recorder.writeIndex() != recorder.readIndex()) {
                std::this_thread::yield();
            }
            state.ResumeTiming();
        }
        plugin->process(d);
    }
    state.counters["ns_per_channel_sample"] = benchmark::Counter(
        static_cast<double>(channels) * kBlock,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["dropped_frames"] = static_cast<double>(recorder.droppedFrames());
    if (recorder.recording() == preRecording) {
        state.SkipWithError(preRecording ? "a take started: figures invalid"
                                         : "the take ended during the run (size limit): figures "
                                           "invalid");
    }
    plugin->setProcessing(false);
    plugin->setActive(false);
}

void BM_FaderBankProcess(benchmark::State& state) {
    auto plugin = makePlugin(plugins::ModuleKind::FaderBank);
    plugin->setParamNormalized(0, 1.0); // all 64 strips
    for (int b = 0; b < 64; ++b) {
        plugin->activateBus(Vst::kAudio, Vst::kInput, b, true);
        plugin->activateBus(Vst::kAudio, Vst::kOutput, b, true);
    }
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, kBlock, 48000};
    plugin->setupProcessing(setup);
    plugin->setProcessing(true);
    std::vector<std::unique_ptr<BusBuffers>> ins, outs;
    std::vector<Vst::AudioBusBuffers> inViews, outViews;
    for (int b = 0; b < 64; ++b) {
        ins.push_back(std::make_unique<BusBuffers>(2, kBlock));
        outs.push_back(std::make_unique<BusBuffers>(2, kBlock));
        fillNoise(*ins.back());
        inViews.push_back(ins.back()->view(false));
        outViews.push_back(outs.back()->view(false));
    }
    Vst::ProcessData d{};
    d.symbolicSampleSize = Vst::kSample32;
    d.numSamples = kBlock;
    d.numInputs = 64;
    d.numOutputs = 64;
    d.inputs = inViews.data();
    d.outputs = outViews.data();
    for (auto _ : state) {
        plugin->process(d);
    }
    state.counters["ns_per_channel_sample"] =
        benchmark::Counter(128.0 * kBlock, benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_BareCopyLoop)->Arg(64)->Arg(2);
// Iterations kept within one take's 4 GiB size limit, past which capture stops.
BENCHMARK(BM_RecorderProcess)->Args({64, 0, 0})->Args({64, 1, 0})->Iterations(20000);
BENCHMARK(BM_RecorderProcess)->Args({2, 0, 0})->Args({2, 1, 0})->Iterations(400000);
BENCHMARK(BM_RecorderProcess)->Args({64, 0, 1})->Iterations(20000);
BENCHMARK(BM_RecorderProcess)->Args({2, 0, 1})->Iterations(400000);
BENCHMARK(BM_BareCopyLoop)->Name("BM_BareCopyLoop_128ch")->Arg(128);
BENCHMARK(BM_FaderBankProcess);
BENCHMARK_MAIN();
