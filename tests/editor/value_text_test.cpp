#include "editor/value_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillwave::plugins {
namespace {

TEST(FaderDecibelText, EndsAndUnityGain) {
    EXPECT_EQ(faderDecibelText(0.0), u"-90.0 dB");
    EXPECT_EQ(faderDecibelText(1.0), u"12.0 dB");
    EXPECT_EQ(faderDecibelText(15.0 / 17.0), u"0.0 dB");
    EXPECT_EQ(faderDecibelText(0.5), u"-39.0 dB");
}

TEST(FormatDbfs, LevelsAroundTheFloorAndFullScale) {
    EXPECT_EQ(formatDbfs(1.0f), u"0.0");
    EXPECT_EQ(formatDbfs(0.5f), u"-6.0");
    EXPECT_EQ(formatDbfs(2.0f), u"6.0");
    // 0.000001 is the floor of what is shown; below it (and nothing at all) is minus infinity.
    EXPECT_EQ(formatDbfs(0.000001f), u"-120.0");
    EXPECT_EQ(formatDbfs(0.0000005f), u"\u2212\u221E");
    EXPECT_EQ(formatDbfs(0.0f), u"\u2212\u221E");
    EXPECT_EQ(formatDbfs(-0.5f), u"\u2212\u221E");
    EXPECT_EQ(formatDbfs(std::numeric_limits<float>::quiet_NaN()), u"\u2212\u221E");
}

TEST(ElapsedTimeText, HoursMinutesSecondsMilliseconds) {
    EXPECT_EQ(elapsedTimeText(0.0), u"00:00:00.000");
    EXPECT_EQ(elapsedTimeText(3723.456), u"01:02:03.456");
    EXPECT_EQ(elapsedTimeText(100.0 * 3600.0), u"100:00:00.000");
    EXPECT_EQ(elapsedTimeText(59.9994), u"00:00:59.999");
    // Exact millisecond counts survive their binary approximation.
    EXPECT_EQ(elapsedTimeText(0.009), u"00:00:00.009");
    EXPECT_EQ(elapsedTimeText(178725888.0 / 48000.0), u"01:02:03.456");
}

TEST(ElapsedTimeText, OutOfRangeTimesAreHarmless) {
    EXPECT_EQ(elapsedTimeText(-5.0), u"00:00:00.000");
    EXPECT_EQ(elapsedTimeText(std::numeric_limits<double>::quiet_NaN()), u"00:00:00.000");
    EXPECT_EQ(elapsedTimeText(std::numeric_limits<double>::infinity()),
              u"5124095576:01:49.551"); // (2^64 - 1) / 1000 ms
    EXPECT_EQ(elapsedTimeText(1e300), elapsedTimeText(std::numeric_limits<double>::infinity()));
}

TEST(DecimalText, FullRange) {
    EXPECT_EQ(decimalText(0), u"0");
    EXPECT_EQ(decimalText(std::numeric_limits<std::uint64_t>::max()), u"18446744073709551615");
}

} // namespace
} // namespace quillwave::plugins
