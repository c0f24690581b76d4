// Every kind's routing from its input buses to its output buses, and the silence flags.

#include "support/plugin_instance.h"
#include "support/process_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace quillwave;
using namespace quillwave::test;
using plugins::ModuleKind;

namespace {

constexpr int kFrames = 64;

// A plugin with every declared audio bus active and a block shape of the test's choosing.
class Router {
public:
    Router(ModuleKind kind, std::vector<int> inWidths, std::vector<int> outWidths)
        : plugin_(makePlugin(kind)) {
        for (int b = 0; b < plugin_->getBusCount(Vst::kAudio, Vst::kInput); ++b) {
            plugin_->activateBus(Vst::kAudio, Vst::kInput, b, true);
        }
        for (int b = 0; b < plugin_->getBusCount(Vst::kAudio, Vst::kOutput); ++b) {
            plugin_->activateBus(Vst::kAudio, Vst::kOutput, b, true);
        }
        Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, kFrames, 48000};
        plugin_->setupProcessing(setup);
        plugin_->setProcessing(true);
        for (int w : inWidths) {
            ins_.push_back(std::make_unique<BusBuffers>(w, kFrames));
        }
        for (int w : outWidths) {
            outs_.push_back(std::make_unique<BusBuffers>(w, kFrames));
        }
    }

    plugins::UtilityPlugin& plugin() { return *plugin_; }
    BusBuffers& in(int bus) { return *ins_[static_cast<std::size_t>(bus)]; }
    float out(int bus, int channel, int frame) const {
        return outs_[static_cast<std::size_t>(bus)]
            ->data32[static_cast<std::size_t>(channel)][static_cast<std::size_t>(frame)];
    }
    void fill(int bus, int channel, float value) {
        auto& c = in(bus).data32[static_cast<std::size_t>(channel)];
        std::fill(c.begin(), c.end(), value);
    }

    tresult run(ParameterChanges* changes = nullptr) {
        std::vector<Vst::AudioBusBuffers> inViews, outViews;
        for (auto& b : ins_) {
            inViews.push_back(b->view(false));
        }
        for (auto& b : outs_) {
            outViews.push_back(b->view(false));
        }
        Vst::ProcessData d{};
        d.symbolicSampleSize = Vst::kSample32;
        d.numSamples = kFrames;
        d.numInputs = static_cast<int32>(inViews.size());
        d.numOutputs = static_cast<int32>(outViews.size());
        d.inputs = inViews.empty() ? nullptr : inViews.data();
        d.outputs = outViews.empty() ? nullptr : outViews.data();
        d.inputParameterChanges = changes;
        const tresult r = plugin_->process(d);
        silence_.clear();
        for (auto& v : outViews) {
            silence_.push_back(v.silenceFlags);
        }
        return r;
    }
    std::uint64_t silence(int bus) const { return silence_[static_cast<std::size_t>(bus)]; }

private:
    IPtr<plugins::UtilityPlugin> plugin_;
    std::vector<std::unique_ptr<BusBuffers>> ins_, outs_;
    std::vector<std::uint64_t> silence_;
};

double activeValue(int strips) {
    return (strips - 1) / 63.0;
}

TEST(Routing, PassThroughKindsMapChannelToChannel) {
    for (ModuleKind kind : {ModuleKind::Input, ModuleKind::Output, ModuleKind::Recorder}) {
        Router r(kind, {1}, {2});
        r.fill(0, 0, 0.25f);
        ASSERT_EQ(r.run(), kResultOk);
        EXPECT_NEAR(r.out(0, 0, 5), 0.25, 1e-6);
        EXPECT_EQ(r.out(0, 1, 5), 0.0f);
        EXPECT_EQ(r.silence(0), 0b10u);
    }
}

TEST(Routing, MasterGainAppliesAtTheParameterValue) {
    Router r(ModuleKind::Output, {1}, {1});
    r.plugin().setParamNormalized(1, 1.0); // +12 dB
    r.fill(0, 0, 0.1f);
    ASSERT_EQ(r.run(), kResultOk);
    EXPECT_NEAR(r.out(0, 0, 0), 0.1 * std::pow(10.0, 12.0 / 20.0), 1e-6);
}

TEST(Routing, SummingAddsTheActiveBusesAndSpreadsMono) {
    Router r(ModuleKind::Summing, {1, 2, 2, 2}, {2});
    r.plugin().setParamNormalized(0, activeValue(3));
    r.fill(0, 0, 0.1f);
    r.fill(1, 0, 0.2f);
    r.fill(1, 1, 0.02f);
    r.fill(2, 0, 0.3f);
    r.fill(3, 0, 100.0f); // beyond the active count
    ASSERT_EQ(r.run(), kResultOk);
    EXPECT_NEAR(r.out(0, 0, 7), 0.6, 1e-6);
    EXPECT_NEAR(r.out(0, 1, 7), 0.1 + 0.02, 1e-6); // mono bus 0 feeds channel 1; bus 2 ch 1 is 0
}

TEST(Routing, BreakoutSendsChannelKToBusK) {
    std::vector<int> outs(64, 1);
    Router r(ModuleKind::Breakout, {6}, outs);
    r.plugin().setParamNormalized(0, activeValue(4));
    for (int c = 0; c < 6; ++c) {
        r.fill(0, c, 0.1f * static_cast<float>(c + 1));
    }
    ASSERT_EQ(r.run(), kResultOk);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(r.out(k, 0, 3), 0.1 * (k + 1), 1e-6);
    }
    for (int k = 4; k < 64; ++k) {
        EXPECT_EQ(r.out(k, 0, 3), 0.0f);
        EXPECT_EQ(r.silence(k), 1u);
    }
}

TEST(Routing, DistributorCopiesTheInputToTheActiveBranches) {
    std::vector<int> outs(64, 2);
    Router r(ModuleKind::Distributor, {1}, outs);
    r.plugin().setParamNormalized(0, activeValue(2));
    r.fill(0, 0, 0.5f);
    ASSERT_EQ(r.run(), kResultOk);
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(r.out(k, 0, 1), 0.5, 1e-6);
        EXPECT_NEAR(r.out(k, 1, 1), 0.5, 1e-6);
    }
    EXPECT_EQ(r.out(2, 0, 1), 0.0f);
}

TEST(Routing, FaderBankStripsFadeOutBeyondTheCountAndWhenMuted) {
    std::vector<int> widths(64, 2);
    Router r(ModuleKind::FaderBank, widths, widths);
    r.plugin().setParamNormalized(1, 0.0); // the master gain has no effect here
    for (int b = 0; b < 64; ++b) {
        r.fill(b, 0, 0.5f);
        r.fill(b, 1, 0.5f);
    }
    ASSERT_EQ(r.run(), kResultOk);
    EXPECT_NEAR(r.out(7, 1, 0), 0.5, 1e-6);
    EXPECT_EQ(r.out(8, 0, 0), 0.0f); // the first block starts at the targets
    EXPECT_EQ(r.silence(8), 0b11u);

    ParameterChanges changes;
    changes.queue(plugins::stripMuteId(2)).add(0, 1.0);
    ASSERT_EQ(r.run(&changes), kResultOk);
    const double a = std::exp(-1.0 / (0.003 * 48000));
    EXPECT_NEAR(r.out(2, 0, 0), 0.5 * a, 1e-6);
    EXPECT_NEAR(r.out(2, 0, 9), 0.5 * std::pow(a, 10), 1e-6);
    EXPECT_NEAR(r.out(3, 0, 9), 0.5, 1e-6);
}

TEST(Routing, NonFiniteInputBecomesSilenceAtThatFrame) {
    Router r(ModuleKind::Input, {1}, {1});
    r.fill(0, 0, 0.5f);
    r.in(0).data32[0][3] = std::numeric_limits<float>::quiet_NaN();
    r.in(0).data32[0][4] = std::numeric_limits<float>::infinity();
    ASSERT_EQ(r.run(), kResultOk);
    EXPECT_EQ(r.out(0, 0, 3), 0.0f);
    EXPECT_EQ(r.out(0, 0, 4), 0.0f);
    EXPECT_NEAR(r.out(0, 0, 5), 0.5, 1e-6);
}

TEST(Routing, SilenceFlagsCoverTheWholeSplitBlock) {
    Router r(ModuleKind::Input, {1}, {2});
    r.fill(0, 0, 0.0f);
    for (int i = 0; i < 10; ++i) {
        r.in(0).data32[0][static_cast<std::size_t>(i)] = 0.5f;
    }
    ParameterChanges changes;
    changes.queue(700).add(20, 0.0); // cuts the block; frames 20.. are silent
    ASSERT_EQ(r.run(&changes), kResultOk);
    EXPECT_EQ(r.silence(0), 0b10u);
    r.fill(0, 0, 0.0f);
    ASSERT_EQ(r.run(), kResultOk);
    EXPECT_EQ(r.silence(0), 0b11u);
}

TEST(Routing, SilentFlaggedInputChannelsAreNeverRead) {
    Router r(ModuleKind::Input, {2}, {2});
    r.fill(0, 0, 0.5f);
    r.fill(0, 1, 0.5f);
    std::vector<Vst::AudioBusBuffers> views;
    Vst::AudioBusBuffers in = r.in(0).view(false);
    in.silenceFlags = 0b10;
    BusBuffers out(2, kFrames);
    Vst::AudioBusBuffers outView = out.view(false);
    Vst::ProcessData d{};
    d.symbolicSampleSize = Vst::kSample32;
    d.numSamples = kFrames;
    d.numInputs = 1;
    d.numOutputs = 1;
    d.inputs = &in;
    d.outputs = &outView;
    ASSERT_EQ(r.plugin().process(d), kResultOk);
    EXPECT_NEAR(out.data32[0][0], 0.5, 1e-6);
    EXPECT_EQ(out.data32[1][0], 0.0f);
}

TEST(Routing, ProcessingBeforeTheFirstSetup) {
    for (ModuleKind kind : kAllKinds) {
        for (bool wide : {false, true}) {
            auto plugin = makePlugin(kind); // no setupProcessing yet
            plugin->activateBus(Vst::kAudio, Vst::kInput, 0, true);
            plugin->activateBus(Vst::kAudio, Vst::kOutput, 0, true);
            BusBuffers in(2, 512), out(2, 512);
            for (int c = 0; c < 2; ++c) {
                std::fill(in.data32[c].begin(), in.data32[c].end(), 0.25f);
                std::fill(in.data64[c].begin(), in.data64[c].end(), 0.25);
                std::fill(out.data32[c].begin(), out.data32[c].end(), 9.0f);
                std::fill(out.data64[c].begin(), out.data64[c].end(), 9.0);
            }
            Vst::AudioBusBuffers inView = in.view(wide), outView = out.view(wide);
            Vst::ProcessData d{};
            d.symbolicSampleSize = wide ? Vst::kSample64 : Vst::kSample32;
            d.numSamples = 512;
            d.numInputs = 1;
            d.numOutputs = 1;
            d.inputs = &inView;
            d.outputs = &outView;
            ASSERT_EQ(plugin->process(d), kResultOk);
            // Bus 0 passes through at the default 0 dB in every kind but the player, which has
            // no file and plays silence.
            const double expected = kind == ModuleKind::Player ? 0.0 : 0.25;
            for (int c = 0; c < 2; ++c) {
                for (int i : {0, 511}) {
                    const double v = wide ? out.data64[c][i] : out.data32[c][i];
                    EXPECT_NEAR(v, expected, 1e-9) << static_cast<int>(kind) << " " << wide;
                }
            }
        }
    }
}

TEST(Routing, SixtyFourBitOutputKeepsDoublePrecision) {
    Router r(ModuleKind::Output, {1}, {1});
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample64, kFrames, 48000};
    ASSERT_EQ(r.plugin().setupProcessing(setup), kResultOk);
    r.plugin().setParamNormalized(1, 1.0); // +12 dB
    BusBuffers in(1, kFrames), out(1, kFrames);
    std::fill(in.data64[0].begin(), in.data64[0].end(), 0.1);
    Vst::AudioBusBuffers inView = in.view(true), outView = out.view(true);
    Vst::ProcessData d{};
    d.symbolicSampleSize = Vst::kSample64;
    d.numSamples = kFrames;
    d.numInputs = 1;
    d.numOutputs = 1;
    d.inputs = &inView;
    d.outputs = &outView;
    ASSERT_EQ(r.plugin().process(d), kResultOk);
    const double gain = std::pow(10.0, 12.0 / 20.0);
    EXPECT_EQ(out.data64[0][0], 0.1 * gain);
    EXPECT_EQ(out.data64[0][kFrames - 1], 0.1 * gain);
    EXPECT_NE(out.data64[0][0], static_cast<double>(static_cast<float>(0.1 * gain)));
}

} // namespace
