// process: argument checks, the running position, and parameter points and sync messages applied
// at their exact sample offsets.

#include "dsp/sync_message.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

using namespace quillwave;
using namespace quillwave::test;

namespace {

constexpr std::array<std::uint8_t, 7> kStart = plugins::kSyncStartMessage;
constexpr std::array<std::uint8_t, 7> kStop = plugins::kSyncStopMessage;

TestHost::Config inputKind(int block = 64) {
    TestHost::Config c;
    c.kind = plugins::ModuleKind::Input;
    c.inputChannels = 1;
    c.outputChannels = 1;
    c.maxBlock = block;
    return c;
}

// A recorder armed on a new file in folder, processing on.
struct ArmedRecorder {
    TempFolder folder;
    TestHost host;
    explicit ArmedRecorder(int block = 64) : host(config(block)) {
        std::string error;
        EXPECT_TRUE(host.plugin().chooseFile(u16path(folder / "take.wav"), error)) << error;
        EXPECT_EQ(host.component->setActive(true), kResultOk);
        EXPECT_EQ(host.processor->setProcessing(true), kResultOk);
    }
    static TestHost::Config config(int block) {
        TestHost::Config c;
        c.kind = plugins::ModuleKind::Recorder;
        c.maxBlock = block;
        return c;
    }
};

TEST(BlockWalk, AGainPointCutsTheBlockAtItsOffset) {
    TestHost host(inputKind());
    host.fillInput(64, [](int, int) { return 0.5; });
    ASSERT_EQ(host.run(64), kResultOk); // gains settle at their targets
    const double steady = host.outputAt(0, 63);
    EXPECT_NEAR(steady, 0.5, 1e-6);

    host.changes.queue(1).add(10, 0.0);
    ASSERT_EQ(host.run(64), kResultOk);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(host.outputAt(0, i), steady) << i;
    }
    // The glide starts on the point's own frame: one smoothing step already.
    EXPECT_LT(host.outputAt(0, 10), steady);
    EXPECT_LT(host.outputAt(0, 63), host.outputAt(0, 10));
    EXPECT_EQ(host.controller->getParamNormalized(1), 0.0);
}

TEST(BlockWalk, PointsAtTheEndOfABlockAndInEmptyBlocks) {
    TestHost host(inputKind());
    host.changes.queue(1).add(64, 0.3); // offset N of an N-frame block: never applied
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(1), 15.0 / 17.0);

    host.changes.queue(1).add(0, 0.3); // a 0-frame block still applies its points at 0
    ASSERT_EQ(host.run(0), kResultOk);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(1), 0.3);

    auto& queue = host.changes.queue(1);
    queue.add(5, 1.5);
    queue.add(6, std::numeric_limits<double>::quiet_NaN());
    queue.add(-1, 0.1);
    host.changes.queue(700).add(10, 0.5);
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(1), 1.0);
}

TEST(BlockWalk, PointsOfOneOffsetApplyInTheHostsOrder) {
    TestHost host(inputKind());
    auto& late = host.changes.queue(1);
    late.add(40, 0.9);
    auto& early = host.changes.queue(1);
    early.add(20, 0.1);
    early.add(40, 0.2); // same offset as the first queue's point, collected after it
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(1), 0.2);
}

TEST(BlockWalk, CollectionLimits) {
    TestHost host(inputKind(8192));
    auto& queue = host.changes.queue(1);
    for (int i = 0; i < 5000; ++i) {
        queue.add(0, i / 5000.0);
    }
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(1), 4095 / 5000.0);

    for (int q = 0; q < 512; ++q) {
        host.changes.queue(10).add(0, 0.5);
    }
    host.changes.queue(11).add(0, 0.5); // queue 513: ignored
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(10), 0.5);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(11), 0.0);
}

TEST(BlockWalk, SyncStartAndStopAtTheirOffsets) {
    ArmedRecorder armed;
    TestHost& host = armed.host;
    host.context.continousTimeSamples = 1000;
    Vst::Event start = sysExEvent(32, kStart.data(), 7);
    host.inEvents.addEvent(start);
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_EQ(host.controller->getParamNormalized(2), 0.0);
    EXPECT_EQ(host.controller->getParamNormalized(3), 1.0);
    EXPECT_TRUE(host.plugin().recorder().recording());
    EXPECT_EQ(host.plugin().recorder().startPosition(), 1032u);

    host.controller->setParamNormalized(400, 0.0);
    host.controller->setParamNormalized(401, 0.0);
    Vst::Event stop = sysExEvent(10, kStop.data(), 7);
    host.inEvents.addEvent(stop);
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_EQ(host.plugin().recorder().stopPosition(), 1074u);
    EXPECT_EQ(host.controller->getParamNormalized(3), 0.0);
    // Both settings at 0 still pass the minimum of 0.01 s.
    EXPECT_EQ(host.plugin().recorder().silenceFrames(), 480u);
    EXPECT_EQ(host.plugin().recorder().maxTailFrames(), 480u);
}

TEST(BlockWalk, HostPointsWithTheSyncIdsChangeNothing) {
    ArmedRecorder armed;
    TestHost input(inputKind());
    TestHost::Config c = inputKind();
    c.kind = plugins::ModuleKind::Player;
    TestHost player(c);
    for (TestHost* host : {&armed.host, &input, &player}) {
        const auto kind = static_cast<int>(host->plugin().kind());
        host->changes.queue(plugins::kSyncStart).add(10, 0.0);
        host->changes.queue(plugins::kSyncStop).add(20, 1.0);
        host->changes.queue(plugins::kSyncStart).add(30, 1.0);
        ASSERT_EQ(host->run(64), kResultOk);
        EXPECT_EQ(host->controller->getParamNormalized(2), 1.0) << kind;
        EXPECT_EQ(host->controller->getParamNormalized(3), 0.0) << kind;
        EXPECT_FALSE(host->plugin().recorder().recording()) << kind;
    }
}

TEST(BlockWalk, APointAndASyncMessageAtOneOffsetBothApplyBeforeThatFrame) {
    ArmedRecorder armed;
    TestHost& host = armed.host;
    host.context.continousTimeSamples = 0;
    Vst::Event start = sysExEvent(32, kStart.data(), 7);
    host.inEvents.addEvent(start);
    host.changes.queue(401).add(32, 0.0);
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_EQ(host.plugin().recorder().startPosition(), 32u);
    EXPECT_EQ(host.controller->getParamNormalized(401), 0.0);

    // The tail of a stop takes the maximum set by a point at the stop's own frame.
    Vst::Event stop = sysExEvent(16, kStop.data(), 7);
    host.inEvents.addEvent(stop);
    host.changes.queue(401).add(16, 1.0 / 3600.0);
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_EQ(host.plugin().recorder().stopPosition(), 80u);
    EXPECT_EQ(host.plugin().recorder().maxTailFrames(), 48000u);
}

TEST(BlockWalk, MessagesThatAreNotSyncAreIgnored) {
    ArmedRecorder armed;
    TestHost& host = armed.host;
    std::array<std::uint8_t, 8> wrong{0xF0, 0x7D, 0x51, 0x57, 0x4B, 3, 0xF7, 0xF7};
    std::array<std::uint8_t, 8> longer{0xF0, 0x7D, 0x51, 0x57, 0x4B, 1, 0xF7, 0xF7};
    Vst::Event badCode = sysExEvent(0, wrong.data(), 7);
    Vst::Event shortMessage = sysExEvent(0, kStart.data(), 6);
    Vst::Event longMessage = sysExEvent(0, longer.data(), 8);
    Vst::Event atEnd = sysExEvent(64, kStart.data(), 7);
    Vst::Event nullBytes = sysExEvent(5, nullptr, 7);
    Vst::Event note{};
    note.type = Vst::Event::kNoteOnEvent;
    for (Vst::Event* e : {&badCode, &shortMessage, &longMessage, &atEnd, &nullBytes, &note}) {
        host.inEvents.addEvent(*e);
    }
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_FALSE(host.plugin().recorder().recording());
    EXPECT_EQ(host.controller->getParamNormalized(2), 1.0);

    // Only the recorder listens.
    TestHost input(inputKind());
    Vst::Event start = sysExEvent(0, kStart.data(), 7);
    input.inEvents.addEvent(start);
    ASSERT_EQ(input.run(64), kResultOk);
    EXPECT_EQ(input.controller->getParamNormalized(3), 0.0);
}

TEST(BlockWalk, PositionFollowsTheHostsContinuousTimeWhenValid) {
    ArmedRecorder armed;
    TestHost& host = armed.host;
    host.timeValid = false;
    host.context.continousTimeSamples = 5000;
    ASSERT_EQ(host.run(64), kResultOk); // not valid: position carries on from 0
    host.timeValid = true;
    host.context.continousTimeSamples = -3;
    ASSERT_EQ(host.run(64), kResultOk); // negative: carries on from 64
    Vst::Event start = sysExEvent(0, kStart.data(), 7);
    host.inEvents.addEvent(start);
    host.timeValid = false;
    ASSERT_EQ(host.run(64), kResultOk);
    EXPECT_EQ(host.plugin().recorder().startPosition(), 128u);
}

TEST(BlockWalk, MalformedBlocksAreRefusedAndChangeNothing) {
    ArmedRecorder armed(64);
    TestHost& host = armed.host;
    BusBuffers in(2, 64), out(2, 64);
    std::vector<Vst::AudioBusBuffers> inBuses(65, in.view(false)), outBuses(65, out.view(false));
    for (auto& c : out.data32) {
        std::fill(c.begin(), c.end(), 7.0f);
    }
    Vst::ProcessContext context{};
    context.state = Vst::ProcessContext::kPlaying | Vst::ProcessContext::kContTimeValid;
    context.continousTimeSamples = 4444;
    auto good = [&] {
        Vst::ProcessData d{};
        d.symbolicSampleSize = Vst::kSample32;
        d.numSamples = 64;
        d.numInputs = 1;
        d.numOutputs = 1;
        d.inputs = inBuses.data();
        d.outputs = outBuses.data();
        d.processContext = &context;
        d.inputParameterChanges = &host.changes;
        return d;
    };
    host.changes.queue(401).add(0, 0.9);
    std::vector<Vst::ProcessData> bad;
    auto d = good();
    d.numSamples = 65;
    bad.push_back(d);
    d = good();
    d.numSamples = -1;
    bad.push_back(d);
    d = good();
    d.numInputs = 65;
    bad.push_back(d);
    d = good();
    d.numOutputs = -1;
    bad.push_back(d);
    d = good();
    d.inputs = nullptr;
    bad.push_back(d);
    d = good();
    d.outputs = nullptr;
    bad.push_back(d);
    d = good();
    d.symbolicSampleSize = 2;
    bad.push_back(d);
    for (auto& p : bad) {
        EXPECT_EQ(host.processor->process(p), kInvalidArgument);
    }
    inBuses[0].numChannels = 65;
    d = good();
    EXPECT_EQ(host.processor->process(d), kInvalidArgument);
    inBuses[0].numChannels = -2;
    EXPECT_EQ(host.processor->process(d), kInvalidArgument);
    inBuses[0].numChannels = 2;
    outBuses[0].numChannels = 65;
    EXPECT_EQ(host.processor->process(d), kInvalidArgument);
    outBuses[0].numChannels = 2;

    EXPECT_EQ(out.data32[0][0], 7.0f);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(401), 1.0 / 120.0);
    EXPECT_FALSE(host.plugin().recorder().recording());

    // The largest block is accepted and starts the take where the host's time says.
    d = good();
    EXPECT_EQ(host.processor->process(d), kResultOk);
    EXPECT_EQ(host.plugin().recorder().startPosition(), 4444u);
    EXPECT_NE(out.data32[0][0], 7.0f);
}

TEST(BlockWalk, FlushCallsWithoutBuffers) {
    ArmedRecorder armed;
    TestHost& host = armed.host;
    Vst::ProcessData d{};
    d.symbolicSampleSize = Vst::kSample64;
    d.inputParameterChanges = &host.changes;
    host.changes.queue(400).add(0, 0.2);
    EXPECT_EQ(host.processor->process(d), kResultOk);
    EXPECT_DOUBLE_EQ(host.controller->getParamNormalized(400), 0.2);
    d.numSamples = 64; // frames but no buses at all: nothing to read or write
    EXPECT_EQ(host.processor->process(d), kResultOk);
}

} // namespace
