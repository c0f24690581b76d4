// Through the module: pre-record begins each take with the input kept while it was armed, and the
// run follows it without a gap, sample-exact.

#include "tests/host/pipeline_rig.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

using namespace quillwave;
using namespace quillwave::test;
using namespace quillwave::test::pipeline;

namespace {

constexpr std::uint64_t kRate = 48000;
constexpr std::uint64_t kTail = 480; // the maximum tail at its least, 0.01 s

struct Case {
    const char* name;
    double preRecordSeconds;
    double armedSeconds; // stopped before the run
    std::uint64_t keptFrames;
    double afterBreakSeconds = 0.0; // stopped after processing stopped and started again
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class PreRecord : public ::testing::TestWithParam<Case> {};

// Runs blocks for seconds (whole blocks) with the transport as playing says.
void runFor(Rig& rig, double seconds, bool playing) {
    const auto blocks = static_cast<std::uint64_t>(seconds * kRate) / kFrames;
    for (std::uint64_t b = 0; b < blocks; ++b) {
        ASSERT_EQ(rig.block(playing), kResultOk);
    }
}

void runUntilTheTailEnds(Rig& rig) {
    for (int b = 0; rig.plugin().recorder().recording(); ++b) {
        ASSERT_LT(b, 100) << "the tail did not end";
        ASSERT_EQ(rig.block(false), kResultOk);
    }
}

TEST_P(PreRecord, TheTakeBeginsWithTheKeptInputAndTheRunFollowsWithoutAGap) {
    const Case c = GetParam();
    Rig rig;
    rig.host.controller->setParamNormalized(401, 0.0);
    rig.host.controller->setParamNormalized(403, c.preRecordSeconds / 10.0);
    // A processing break ends an armed take, unless New take every run keeps it armed.
    rig.host.controller->setParamNormalized(402, c.afterBreakSeconds > 0.0 ? 1.0 : 0.0);
    ASSERT_EQ(rig.load(rig.folder / "live.wav"), kResultOk);
    rig.activate();
    runFor(rig, c.armedSeconds, false);
    if (c.afterBreakSeconds > 0.0) {
        ASSERT_EQ(rig.host.processor->setProcessing(false), kResultOk);
        ASSERT_EQ(rig.host.processor->setProcessing(true), kResultOk);
        runFor(rig, c.afterBreakSeconds, false);
    }
    const std::uint64_t run = rig.position;
    runFor(rig, 1.0, true);
    const std::uint64_t runEnd = rig.position;
    runUntilTheTailEnds(rig);
    EXPECT_EQ(rig.plugin().recorder().keptFrames(), c.keptFrames);
    rig.stop();
    expectTake(rig.folder / "live.wav", run - c.keptFrames, c.keptFrames + runEnd - run + kTail);
    EXPECT_EQ(rig.plugin().recorder().droppedFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Settings, PreRecord,
                         ::testing::Values(Case{"TwoSecondsOfThreeArmed", 2.0, 3.0, 2 * kRate},
                                           Case{"ArmedForHalfASecond", 2.0, 0.5, kRate / 2},
                                           // Longer than the ring: what was not kept is free.
                                           Case{"ArmedLongerThanTheRing", 2.0, 25.0, 2 * kRate},
                                           // The input before a break does not go on.
                                           Case{"SinceAProcessingBreak", 2.0, 3.0, kRate / 2, 0.5},
                                           Case{"Off", 0.0, 3.0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
