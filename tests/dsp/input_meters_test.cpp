#include "dsp/input_meters.h"
#include "dsp/meter_snapshot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace quillwave::plugins {
namespace {

// One block of planar input for the meters.
template <typename Sample> struct Input {
    Input(int channels, int frames, Sample value = 0)
        : data(channels, std::vector<Sample>(frames, value)), pointers(channels) {
        for (int c = 0; c < channels; ++c) {
            pointers[c] = data[c].data();
        }
    }
    void meter(InputMeters& m, double rate = 48000.0, std::uint64_t silence = 0,
               bool readable = true) {
        updateInputMeters<Sample>(m, pointers.data(), static_cast<std::int32_t>(data.size()),
                                  silence, readable, static_cast<std::int32_t>(data[0].size()),
                                  rate);
    }
    std::vector<std::vector<Sample>> data;
    std::vector<const Sample*> pointers;
};

TEST(InputMeters, ClipAtExactlyFullScale) {
    InputMeters m;
    Input<float> in(3, 512);
    in.data[0][100] = 1.0f;
    in.data[1][7] = -1.0f;
    in.data[2][0] = 0.99999f;
    in.meter(m);
    const auto s = readMeterSnapshot(m);
    EXPECT_EQ(s.clip[0], 1);
    EXPECT_EQ(s.clip[1], 1);
    EXPECT_EQ(s.clip[2], 0);
    EXPECT_EQ(s.peak[1], 1.0f);
    EXPECT_FLOAT_EQ(s.rms[0], std::sqrt(1.0f / 512));
}

TEST(InputMeters, ClipHoldsForTwoSecondsInWholeBlocks) {
    InputMeters m;
    Input<float> loud(1, 512, 1.5f);
    Input<float> quiet(1, 512, 0.0f);
    loud.meter(m);
    for (int block = 1; block <= 187; ++block) {
        quiet.meter(m);
        ASSERT_EQ(readMeterSnapshot(m).clip[0], 1) << "block " << block;
    }
    EXPECT_EQ(m.clipHold[0], 256u);
    quiet.meter(m); // the 188th
    EXPECT_EQ(readMeterSnapshot(m).clip[0], 0);
}

TEST(InputMeters, PeakDecaysAndNaNIsLeftOut) {
    InputMeters m;
    Input<float> tone(1, 480, 0.5f);
    tone.meter(m);
    Input<float> nan(1, 480, std::numeric_limits<float>::quiet_NaN());
    // 0.35 s of NaN blocks: RMS 0, no clip, peak falls to 1/e.
    for (int i = 0; i < 35; ++i) {
        nan.meter(m);
    }
    const auto s = readMeterSnapshot(m);
    EXPECT_EQ(s.rms[0], 0.0f);
    EXPECT_EQ(s.clip[0], 0);
    EXPECT_NEAR(s.peak[0], 0.5 * std::exp(-1.0), 1e-6);
}

TEST(InputMeters, WidthSilenceFlagsAndUnreadableBus) {
    InputMeters m;
    Input<double> in(4, 64, 0.25);
    in.pointers[3] = nullptr;
    in.meter(m, 48000.0, 0b0010);
    auto s = readMeterSnapshot(m);
    EXPECT_EQ(s.meteredChannels, 4u);
    EXPECT_FLOAT_EQ(s.rms[0], 0.25f);
    EXPECT_EQ(s.rms[1], 0.0f); // flagged silent: not read
    EXPECT_FLOAT_EQ(s.peak[2], 0.25f);
    EXPECT_EQ(s.peak[3], 0.0f); // null buffer
    EXPECT_EQ(s.peak[4], 0.0f); // beyond the width
    in.meter(m, 48000.0, 0, false);
    s = readMeterSnapshot(m);
    EXPECT_EQ(s.rms[0], 0.0f);
    EXPECT_GT(s.peak[0], 0.0f); // still present: decays rather than vanishes
}

TEST(InputMeters, WideValuesAreClampedToTheLargestFloat) {
    InputMeters m;
    Input<double> in(1, 4, 1e300);
    in.meter(m);
    const auto s = readMeterSnapshot(m);
    EXPECT_EQ(s.peak[0], std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isfinite(s.rms[0]));
    EXPECT_EQ(s.clip[0], 1);
}

TEST(InputMeters, EmptyBlockChangesNothingAndResetClears) {
    InputMeters m;
    Input<float> in(2, 16, 0.5f);
    in.meter(m);
    const auto sequence = m.meterSequence.value();
    updateInputMeters<float>(m, in.pointers.data(), 2, 0, true, 0, 48000.0);
    EXPECT_EQ(m.meterSequence.value(), sequence);
    resetInputMeters(m);
    const auto s = readMeterSnapshot(m);
    EXPECT_EQ(s.meteredChannels, 0u);
    EXPECT_EQ(s.peak[0], 0.0f);
    EXPECT_EQ(m.clipHold[0], 0u);
    EXPECT_EQ(m.meterSequence.value() % 2, 0u);
}

TEST(MeterSnapshot, WriterAlwaysInsideGivesEmptyMeters) {
    InputMeters m;
    Input<float> in(2, 16, 0.5f);
    in.meter(m);
    m.meterSequence.beginWrite(); // a writer that never leaves
    const auto s = readMeterSnapshot(m);
    EXPECT_EQ(s.meteredChannels, 0u);
    EXPECT_EQ(s.peak[0], 0.0f);
    EXPECT_EQ(s.rms[0], 0.0f);
    m.meterSequence.endWrite();
    EXPECT_EQ(readMeterSnapshot(m).meteredChannels, 2u);
}

} // namespace
} // namespace quillwave::plugins
