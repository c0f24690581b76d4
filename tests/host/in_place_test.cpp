// Every kind gives the same output whether the host hands it separate buffers or shares input
// buffers as output buffers, in both sample sizes.

#include "support/plugin_instance.h"
#include "support/process_fixtures.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quillwave;
using namespace quillwave::test;
using plugins::ModuleKind;

namespace {

constexpr int kFrames = 256;

struct Shape {
    ModuleKind kind;
    std::vector<int> ins;
    std::vector<int> outs;
};

struct Outcome {
    std::vector<std::vector<double>> channels; // every output channel, bus by bus
    std::vector<std::uint64_t> silence;
};

// Two blocks through a fresh module, with a glide starting at frame 10 of the first. With share >=
// 0, output channel j (counting bus by bus) is input channel (j + share) mod the input channel
// count, for every j below that count; with share -1 every buffer is separate.
Outcome run(const Shape& shape, bool wide, int share) {
    auto plugin = makePlugin(shape.kind);
    for (auto dir : {Vst::kInput, Vst::kOutput}) {
        for (int b = 0; b < plugin->getBusCount(Vst::kAudio, dir); ++b) {
            plugin->activateBus(Vst::kAudio, dir, b, true);
        }
    }
    Vst::ProcessSetup setup{Vst::kRealtime, wide ? Vst::kSample64 : Vst::kSample32, kFrames, 48000};
    EXPECT_EQ(plugin->setupProcessing(setup), kResultOk);
    plugin->setProcessing(true);

    std::vector<std::unique_ptr<BusBuffers>> ins, outs;
    std::vector<std::pair<int, int>> inputChannels;
    for (int b = 0; b < static_cast<int>(shape.ins.size()); ++b) {
        ins.push_back(
            std::make_unique<BusBuffers>(shape.ins[static_cast<std::size_t>(b)], kFrames));
        for (int c = 0; c < ins.back()->channels(); ++c) {
            inputChannels.emplace_back(b, c);
        }
    }
    const auto fill = [&] {
        for (const auto& [b, c] : inputChannels) {
            BusBuffers& bus = *ins[static_cast<std::size_t>(b)];
            for (int i = 0; i < kFrames; ++i) {
                const double v = ((b * 7 + c * 13 + i * 31) % 97) / 97.0 - 0.5;
                bus.data64[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = v;
                bus.data32[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    static_cast<float>(v);
            }
        }
    };
    const int shared = static_cast<int>(inputChannels.size());
    int j = 0;
    for (int w : shape.outs) {
        outs.push_back(std::make_unique<BusBuffers>(w, kFrames));
        for (int l = 0; l < w; ++l, ++j) {
            if (share >= 0 && j < shared) {
                const auto [b, c] = inputChannels[static_cast<std::size_t>((j + share) % shared)];
                outs.back()->ptr32[static_cast<std::size_t>(l)] =
                    ins[static_cast<std::size_t>(b)]->ptr32[static_cast<std::size_t>(c)];
                outs.back()->ptr64[static_cast<std::size_t>(l)] =
                    ins[static_cast<std::size_t>(b)]->ptr64[static_cast<std::size_t>(c)];
            }
        }
    }
    std::vector<Vst::AudioBusBuffers> inViews, outViews;
    for (auto& b : ins) {
        inViews.push_back(b->view(wide));
    }
    for (auto& b : outs) {
        outViews.push_back(b->view(wide));
    }
    ParameterChanges changes;
    changes.queue(1).add(10, 0.3);   // master gain
    changes.queue(100).add(10, 0.3); // strip 1 of the fader bank
    Vst::ProcessData d{};
    d.symbolicSampleSize = wide ? Vst::kSample64 : Vst::kSample32;
    d.numSamples = kFrames;
    d.numInputs = static_cast<int32>(inViews.size());
    d.numOutputs = static_cast<int32>(outViews.size());
    d.inputs = inViews.data();
    d.outputs = outViews.data();
    d.inputParameterChanges = &changes;
    // The second block passes the same buffers again.
    for (int block = 0; block < 2; ++block) {
        fill();
        EXPECT_EQ(plugin->process(d), kResultOk);
        changes.clear();
    }

    Outcome outcome;
    for (std::size_t k = 0; k < outs.size(); ++k) {
        outcome.silence.push_back(outViews[k].silenceFlags);
        for (int l = 0; l < outs[k]->channels(); ++l) {
            const auto channel = static_cast<std::size_t>(l);
            std::vector<double>& values = outcome.channels.emplace_back();
            for (int i = 0; i < kFrames; ++i) {
                values.push_back(wide ? outs[k]->ptr64[channel][i] : outs[k]->ptr32[channel][i]);
            }
        }
    }
    return outcome;
}

TEST(InPlace, SharedBuffersGiveTheOutputOfSeparateOnes) {
    const Shape shapes[] = {
        {ModuleKind::Input, {64}, {64}},         {ModuleKind::Output, {2}, {2}},
        {ModuleKind::Summing, {1, 1, 2}, {2}},   {ModuleKind::Breakout, {4}, {1, 1, 1, 1}},
        {ModuleKind::Player, {2}, {2}},          {ModuleKind::Recorder, {2}, {2}},
        {ModuleKind::FaderBank, {2, 1}, {2, 1}}, {ModuleKind::Distributor, {2}, {2, 2}}};
    for (const Shape& shape : shapes) {
        for (bool wide : {false, true}) {
            const Outcome separate = run(shape, wide, -1);
            // Each channel in its own place, then every output one input channel further on.
            for (int share : {0, 1}) {
                const Outcome shared = run(shape, wide, share);
                SCOPED_TRACE(::testing::Message()
                             << "kind " << static_cast<int>(shape.kind) << (wide ? " 64" : " 32")
                             << "-bit, share " << share);
                EXPECT_EQ(shared.silence, separate.silence);
                ASSERT_EQ(shared.channels.size(), separate.channels.size());
                for (std::size_t c = 0; c < shared.channels.size(); ++c) {
                    EXPECT_EQ(shared.channels[c], separate.channels[c]) << "output channel " << c;
                }
            }
        }
    }
}

// With its output bus in its input's buffers, a recorder whose gain is far below 0 dB still
// records its input: the capture reads each stretch before the outputs overwrite it.
class InPlaceRecorder : public ::testing::TestWithParam<bool> {};

TEST_P(InPlaceRecorder, RecordsItsInputNotItsOutput) {
    TempFolder folder;
    TestHost::Config config;
    config.maxBlock = 256;
    config.wide = GetParam();
    TestHost host(config);
    ASSERT_TRUE(host.arranged && host.setUp);
    for (int c = 0; c < 2; ++c) {
        const auto channel = static_cast<std::size_t>(c);
        host.output().ptr32[channel] = host.input().ptr32[channel];
        host.output().ptr64[channel] = host.input().ptr64[channel];
    }
    const auto destination = folder / "in-place.wav";
    std::string error;
    ASSERT_TRUE(host.plugin().chooseFile(u16path(destination), error)) << error;
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);

    const auto value = [](int frame, int channel) { return 0.25 + frame * 0.002 - channel * 0.5; };
    constexpr int kBlocks = 3;
    host.changes.queue(1).add(0, 0.5); // -39 dB
    std::vector<float> expected;
    for (int b = 0; b < kBlocks; ++b) {
        host.fillInput(config.maxBlock, value);
        ASSERT_EQ(host.run(config.maxBlock, true), kResultOk);
        for (int i = 0; i < config.maxBlock; ++i) {
            for (int c = 0; c < 2; ++c) {
                expected.push_back(static_cast<float>(value(i, c)));
            }
        }
        // The output really differs from the input it replaced.
        ASSERT_NE(host.outputAt(1, 0), static_cast<double>(expected[1]));
    }
    ASSERT_EQ(host.processor->setProcessing(false), kResultOk);
    ASSERT_EQ(host.component->setActive(false), kResultOk);
    ASSERT_TRUE(host.waitForTakes());

    const WavTake take = readTake(destination);
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.samples, expected);
}

INSTANTIATE_TEST_SUITE_P(SampleSizes, InPlaceRecorder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Float64" : "Float32"; });

} // namespace
