// Cost of FilePlayer::renderPlayback per channel-sample, at 2 and 64 output channels, against
// zeroing the same buffers (the floor every render pays).
#include "player/file_player.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using quillwave::plugins::AudioClip;
using quillwave::plugins::FilePlayer;

constexpr std::uint32_t kBlock = 512;

struct Scratch {
    explicit Scratch(std::uint32_t channels)
        : storage(static_cast<std::size_t>(channels) * kBlock), table(channels) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            table[c] = storage.data() + static_cast<std::size_t>(c) * kBlock;
        }
    }
    std::vector<float> storage;
    std::vector<float*> table;
};

void renderPlayback(benchmark::State& state) {
    const auto channels = static_cast<std::uint32_t>(state.range(0));
    const double hostRate = static_cast<double>(state.range(1));
    constexpr std::uint32_t kFrames = 48000 * 60;
    FilePlayer player;
    player.installClip(AudioClip(
        channels, 44100,
        quillwave::plugins::SampleVector(static_cast<std::size_t>(kFrames) * channels, 0.25f)));
    Scratch scratch(channels);
    std::uint64_t position = 0;
    for (auto _ : state) {
        if (!player.playing()) {
            player.startPlayback(position, 0);
        }
        player.renderPlayback(scratch.table.data(), channels, kBlock, hostRate, position);
        benchmark::DoNotOptimize(scratch.storage.data());
        benchmark::ClobberMemory();
        position += kBlock;
    }
    state.counters["ns_per_channel_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * channels * kBlock,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// A 44100 Hz clip: rate-converted on a 48000 Hz host, frame for frame on a 44100 Hz one.
BENCHMARK(renderPlayback)
    ->ArgNames({"channels", "host_hz"})
    ->Args({2, 48000})
    ->Args({64, 48000})
    ->Args({2, 44100})
    ->Args({64, 44100});

void zeroBuffersOnly(benchmark::State& state) {
    const auto channels = static_cast<std::uint32_t>(state.range(0));
    Scratch scratch(channels);
    for (auto _ : state) {
        for (float* buffer : scratch.table) {
            std::fill_n(buffer, kBlock, 0.0f);
        }
        benchmark::DoNotOptimize(scratch.storage.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_channel_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * channels * kBlock,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(zeroBuffersOnly)->ArgName("channels")->Arg(2)->Arg(64);

} // namespace

BENCHMARK_MAIN();
