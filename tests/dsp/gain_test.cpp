#include "dsp/gain_law.h"
#include "dsp/gain_state.h"
#include "plugin/parameter_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillwave::plugins {
namespace {

TEST(GainLaw, EndsAndUnity) {
    EXPECT_EQ(linearGain(15.0 / 17.0), 1.0); // exactly 0 dB at the default
    EXPECT_NEAR(linearGain(1.0), 3.98107, 1e-5);
    EXPECT_NEAR(linearGain(0.0), 3.16228e-5, 1e-9); // -90 dB, not silence
}

TEST(GainLaw, ActiveCountRoundsHalvesAwayFromZero) {
    EXPECT_EQ(activeCount(0.0), 1);
    EXPECT_EQ(activeCount(1.0 / 9.0), 8);
    EXPECT_EQ(activeCount(1.0), 64);
    EXPECT_EQ(activeCount(0.5 / 63.0), 2);
    EXPECT_EQ(activeCount(0.49 / 63.0), 1);
    EXPECT_EQ(activeCount(62.5 / 63.0), 64);
    EXPECT_EQ(activeCount(std::nan("")), 1);
    EXPECT_EQ(activeCount(-3.0), 1);
    EXPECT_EQ(activeCount(7.0), 64);
}

TEST(GainTargets, InactiveAndMutedStripsAimAtSilence) {
    ParameterTable table;
    table.set(ParamId::ActiveStrips, 3.0 / 63.0); // 4 strips
    table.set(stripMuteId(1), 0.5);
    table.set(stripGainId(2), 1.0);
    table.set(ParamId::Gain, 0.0);
    const GainTargets t = computeGainTargets(table);
    EXPECT_EQ(t.activeCount, 4);
    EXPECT_EQ(t.strip[0], 1.0);
    EXPECT_EQ(t.strip[1], 0.0);
    EXPECT_NEAR(t.strip[2], 3.98107, 1e-5);
    EXPECT_EQ(t.strip[3], 1.0);
    EXPECT_EQ(t.strip[4], 0.0);
    EXPECT_EQ(t.strip[63], 0.0);
    EXPECT_NEAR(t.master, 3.16228e-5, 1e-9);
}

TEST(GainSmoothing, FirstCallSnapsThenGlides) {
    ParameterTable table;
    GainState state;
    EXPECT_EQ(state.masterGainCurrent, 1.0);
    EXPECT_EQ(state.stripGainCurrent[0], 0.0);
    GainTargets t = computeGainTargets(table);
    GainCall call = advanceGainState(state, t, 48000.0, 512);
    EXPECT_EQ(call.stripStart[0], 1.0); // no glide from 0 on the first call
    EXPECT_NEAR(call.k, 0.0069204, 1e-7);
    EXPECT_NEAR(1.0 - call.k, 0.99308, 1e-5);

    // Mute strip 0: its gain falls by the factor a per frame and reaches 1/e after 3 ms.
    table.set(stripMuteId(0), 1.0);
    t = computeGainTargets(table);
    call = advanceGainState(state, t, 48000.0, 144);
    double g = call.stripStart[0];
    for (int i = 0; i < 144; ++i) {
        g = smoothGain(g, t.strip[0], call.k);
    }
    EXPECT_NEAR(g, std::exp(-1.0), 1e-12);
    EXPECT_NEAR(state.stripGainCurrent[0], g, 1e-12); // closed form equals the per-frame curve
    EXPECT_EQ(state.stripGainCurrent[1], 1.0);

    // After setProcessing(false) the next call starts at the targets again.
    invalidateGainState(state);
    call = advanceGainState(state, t, 48000.0, 1);
    EXPECT_EQ(call.stripStart[0], 0.0);
}

TEST(GainSmoothing, UnusableRateSnapsInsteadOfPoisoning) {
    GainState state;
    GainTargets t;
    t.master = 2.0;
    advanceGainState(state, t, 48000.0, 1);
    t.master = 0.5;
    for (double rate : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        const GainCall call = advanceGainState(state, t, rate, 16);
        EXPECT_TRUE(std::isfinite(call.k));
        EXPECT_EQ(state.masterGainCurrent, 0.5);
    }
}

} // namespace
} // namespace quillwave::plugins
