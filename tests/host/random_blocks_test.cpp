// Arbitrary blocks from a seeded generator: any bus and channel counts, null pointers, silence
// flags, parameter points at any offset, events of any kind. process never crashes, never writes
// outside the host's buffers, and refuses exactly the malformed ones.

#include "dsp/sync_message.h"
#include "support/plugin_instance.h"
#include "support/process_fixtures.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace quillwave;
using namespace quillwave::test;

namespace {

constexpr int kMaxBlock = 96;
constexpr int kGuard = 8;
constexpr float kGuardValue = 12345.0f;

// One channel with guard samples on both sides.
struct GuardedChannel {
    std::vector<float> f32 = std::vector<float>(kMaxBlock + 2 * kGuard, kGuardValue);
    std::vector<double> f64 = std::vector<double>(kMaxBlock + 2 * kGuard, kGuardValue);
    float* p32() { return f32.data() + kGuard; }
    double* p64() { return f64.data() + kGuard; }
    bool guardsIntact() const {
        for (int i = 0; i < kGuard; ++i) {
            if (f32[static_cast<std::size_t>(i)] != kGuardValue ||
                f32[f32.size() - 1 - static_cast<std::size_t>(i)] != kGuardValue ||
                f64[static_cast<std::size_t>(i)] != kGuardValue ||
                f64[f64.size() - 1 - static_cast<std::size_t>(i)] != kGuardValue) {
                return false;
            }
        }
        return true;
    }
};

struct RandomBlock {
    std::vector<std::vector<GuardedChannel>> inChannels, outChannels;
    std::vector<std::vector<float*>> in32, out32;
    std::vector<std::vector<double*>> in64, out64;
    std::vector<Vst::AudioBusBuffers> inputs, outputs;
    ParameterChanges changes;
    EventList events, outEvents;
    Vst::ProcessContext context{};
    Vst::ProcessData data{};
    bool malformed = false;
};

void build(RandomBlock& b, std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const bool wide = pick(0, 1) == 1;
    const int frames = pick(0, 5) == 0 ? pick(-2, kMaxBlock + 2) : pick(0, kMaxBlock);
    const int ins = pick(0, 8) == 0 ? pick(-1, 66) : pick(0, 3);
    const int outs = pick(0, 8) == 0 ? pick(-1, 66) : pick(0, 3);
    b.malformed = frames < 0 || frames > kMaxBlock || ins < 0 || ins > 64 || outs < 0 || outs > 64;
    auto makeBuses = [&](int count, auto& channels, auto& p32, auto& p64, auto& views) {
        const int n = std::max(count, 0);
        channels.resize(static_cast<std::size_t>(std::min(n, 66)));
        p32.resize(channels.size());
        p64.resize(channels.size());
        views.resize(channels.size());
        for (std::size_t k = 0; k < channels.size(); ++k) {
            const int width = pick(0, 10) == 0 ? pick(-1, 65) : pick(0, 4);
            if (width < 0 || width > 64) {
                b.malformed = true;
            }
            const int real = std::clamp(width, 0, 64);
            channels[k].resize(static_cast<std::size_t>(real));
            for (int c = 0; c < real; ++c) {
                auto& ch = channels[k][static_cast<std::size_t>(c)];
                const bool missing = pick(0, 6) == 0;
                p32[k].push_back(missing ? nullptr : ch.p32());
                p64[k].push_back(missing ? nullptr : ch.p64());
                for (int i = 0; i < kMaxBlock; ++i) {
                    const double v = pick(0, 50) == 0 ? std::numeric_limits<double>::quiet_NaN()
                                                      : pick(-1000, 1000) / 500.0;
                    ch.p32()[i] = static_cast<float>(v);
                    ch.p64()[i] = v;
                }
            }
            Vst::AudioBusBuffers& view = views[k];
            view.numChannels = width;
            view.silenceFlags = pick(0, 3) == 0 ? rng() : 0;
            const bool nullArray = pick(0, 8) == 0;
            view.channelBuffers32 = nullArray ? nullptr : p32[k].data();
            if (wide) {
                view.channelBuffers64 = nullArray ? nullptr : p64[k].data();
            }
        }
    };
    makeBuses(ins, b.inChannels, b.in32, b.in64, b.inputs);
    makeBuses(outs, b.outChannels, b.out32, b.out64, b.outputs);

    for (int q = pick(0, 4); q > 0; --q) {
        auto& queue = b.changes.queue(
            static_cast<Vst::ParamID>(pick(0, 5) == 0 ? pick(0, 1000) : pick(0, 3)));
        for (int p = pick(0, 6); p > 0; --p) {
            queue.add(pick(-5, kMaxBlock + 5), pick(-10, 30) / 20.0);
        }
    }
    static const std::array<std::uint8_t, 7> start = plugins::kSyncStartMessage;
    static const std::array<std::uint8_t, 7> stop = plugins::kSyncStopMessage;
    for (int e = pick(0, 4); e > 0; --e) {
        Vst::Event ev = sysExEvent(pick(-3, kMaxBlock + 3), pick(0, 1) ? start.data() : stop.data(),
                                   static_cast<uint32>(pick(5, 8)));
        ev.type = static_cast<uint16>(pick(0, 4) == 0 ? pick(0, 12) : Vst::Event::kDataEvent);
        b.events.addEvent(ev);
    }
    b.context.state = static_cast<uint32>(rng());
    b.context.continousTimeSamples = pick(-100, 100000);

    Vst::ProcessData& d = b.data;
    // The buffer pointers are a union: only an invalid size may differ from the buffers' type.
    d.symbolicSampleSize = wide ? 1 : 0;
    if (pick(0, 20) == 0) {
        d.symbolicSampleSize = pick(0, 1) ? -1 : pick(2, 3);
        b.malformed = true;
    }
    d.numSamples = frames;
    d.numInputs = ins;
    d.numOutputs = outs;
    d.inputs = b.inputs.empty() || pick(0, 15) == 0 ? nullptr : b.inputs.data();
    d.outputs = b.outputs.empty() || pick(0, 15) == 0 ? nullptr : b.outputs.data();
    if ((ins > 0 && !d.inputs) || (outs > 0 && !d.outputs)) {
        b.malformed = true;
    }
    if ((ins > 66 && d.inputs) || (outs > 66 && d.outputs)) {
        b.malformed = true; // counts beyond the arrays we hold are never handed over well-formed
    }
    d.inputParameterChanges = pick(0, 5) == 0 ? nullptr : &b.changes;
    d.inputEvents = pick(0, 5) == 0 ? nullptr : &b.events;
    d.outputEvents = pick(0, 3) == 0 ? nullptr : &b.outEvents;
    d.processContext = pick(0, 4) == 0 ? nullptr : &b.context;
}

TEST(RandomBlocks, NeverCrashNeverWriteOutsideTheBuffers) {
    std::mt19937 rng(20261208);
    for (plugins::ModuleKind kind : kAllKinds) {
        auto plugin = makePlugin(kind);
        for (int b = 0; b < 64; ++b) {
            plugin->activateBus(Vst::kAudio, Vst::kInput, b, rng() % 2);
            plugin->activateBus(Vst::kAudio, Vst::kOutput, b, rng() % 2);
        }
        Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample64, kMaxBlock, 44100};
        ASSERT_EQ(plugin->setupProcessing(setup), kResultOk);
        plugin->setProcessing(true);
        for (int round = 0; round < 1500; ++round) {
            RandomBlock block;
            build(block, rng);
            if (block.data.numInputs > static_cast<int32>(block.inputs.size()) &&
                block.data.inputs) {
                continue; // would hand the module a shorter array than promised: a host bug
            }
            if (block.data.numOutputs > static_cast<int32>(block.outputs.size()) &&
                block.data.outputs) {
                continue;
            }
            const tresult r = plugin->process(block.data);
            if (block.malformed) {
                EXPECT_EQ(r, kInvalidArgument) << "round " << round;
            } else {
                EXPECT_EQ(r, kResultOk) << "round " << round;
            }
            for (auto& bus : block.outChannels) {
                for (auto& ch : bus) {
                    ASSERT_TRUE(ch.guardsIntact()) << "round " << round;
                }
            }
        }
        plugin->setProcessing(false);
    }
}

} // namespace
