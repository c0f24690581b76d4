// Through the module: a run is recorded from its first frame while its file is still being made,
// takes follow each other without a gap, the newest destination wins, and no host call waits
// for a stalled disk.

#include "editor/plugin_editor_model.h"
#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "recorder/recorder_test_support.h"
#include "platform/module_threads.h"
#include "support/test_host.h"
#include "support/wav_file.h"
#include "tests/host/pipeline_rig.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace quillwave;
using namespace quillwave::test;
using namespace quillwave::test::pipeline;
namespace fs = std::filesystem;

namespace {

constexpr auto kStall = std::chrono::milliseconds(1500);
// Far above any host call's own work, far below the stall: a call that waits for the disk fails.
constexpr auto kPrompt = std::chrono::milliseconds(400);

template <typename Call> std::chrono::steady_clock::duration timed(Call&& call) {
    const auto begin = std::chrono::steady_clock::now();
    call();
    return std::chrono::steady_clock::now() - begin;
}

enum class Known { Load, Preset, Activation };

std::string triggerName(Known known) {
    return known == Known::Load ? "Load" : known == Known::Preset ? "Preset" : "Activation";
}

class RunRightAfterTheDestinationIsKnown : public ::testing::TestWithParam<Known> {};

TEST_P(RunRightAfterTheDestinationIsKnown, IsRecordedWholeWhileItsFileIsStillBeingMade) {
    Rig rig;
    rig.faults->stallCreation = true; // no file can exist when the run starts
    const fs::path destination = rig.folder / "next.wav";
    if (GetParam() == Known::Activation) {
        ASSERT_EQ(rig.load(destination), kResultOk);
        rig.activate();
    } else {
        rig.activate();
        ASSERT_EQ(rig.load(destination, GetParam() == Known::Preset), kResultOk);
    }
    EXPECT_TRUE(rig.plugin().readMeterSnapshot().recorder.armed);
    const std::uint64_t start = rig.position;
    for (int b = 0; b < 40; ++b) {
        ASSERT_EQ(rig.block(true), kResultOk);
    }
    EXPECT_FALSE(fs::exists(destination));
    rig.faults->stallCreation = false;
    rig.stop();
    expectTake(destination, start, 40 * kFrames);
    EXPECT_EQ(rig.plugin().recorder().droppedFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Triggers, RunRightAfterTheDestinationIsKnown,
                         ::testing::Values(Known::Load, Known::Preset, Known::Activation),
                         [](const auto& info) { return triggerName(info.param); });

TEST(CreationFailure, ARunIntoAFileThatCannotBeMadeIsCountedAsDroppedAndShown) {
    Rig rig;
    rig.faults->stallCreation = true;
    ASSERT_EQ(rig.load(rig.folder / "missing" / "take.wav"), kResultOk);
    rig.activate();
    for (int b = 0; b < 10; ++b) {
        ASSERT_EQ(rig.block(true), kResultOk);
    }
    rig.faults->stallCreation = false;
    ASSERT_TRUE(waitUntil([&] { return rig.plugin().recorder().diskError(); }));
    ASSERT_EQ(rig.block(true), kResultOk); // the take ends at this block
    rig.stop();
    const plugins::RecorderStatus status = rig.plugin().readMeterSnapshot().recorder;
    EXPECT_EQ(status.capturedFrames, 10u * kFrames);
    EXPECT_EQ(status.droppedFrames, 10u * kFrames);
    EXPECT_EQ(plugins::moduleStatusLine(rig.plugin()), "Cannot create recording file");
    EXPECT_FALSE(status.armed);
}

TEST(NewTakeEveryRunWithoutAGap, BackToBackTakesAreTheContinuousInput) {
    Rig rig;
    rig.host.controller->setParamNormalized(401, 0.0); // a tail of 480 frames
    rig.host.controller->setParamNormalized(402, 1.0);
    rig.faults->stallCreation = true; // every take is captured before its file exists
    ASSERT_EQ(rig.load(rig.folder / "run.wav"), kResultOk);
    rig.activate();
    ASSERT_EQ(rig.block(false), kResultOk);
    const std::uint64_t start = rig.position;
    // Run 1 and its whole tail; run 2 in the very next block after the tail ended; run 3 starts
    // inside run 2's tail and cuts it there: takes 2 and 3 are the input without a gap.
    for (int b = 0; b < 5; ++b) {
        ASSERT_EQ(rig.block(true), kResultOk);
    }
    for (int b = 0; rig.plugin().recorder().recording(); ++b) {
        const auto& r = rig.plugin().recorder();
        ASSERT_LT(b, 1000) << "start " << r.startPosition() << " stop " << r.stopPosition()
                           << " captured " << r.capturedFrames() << " maxTail "
                           << r.maxTailFrames() << " silence " << r.silenceFrames()
                           << " rate " << r.fileSampleRate() << " position " << rig.position;
        ASSERT_EQ(rig.block(false), kResultOk);
    }
    const std::uint64_t second = rig.position;
    for (int b = 0; b < 5; ++b) {
        ASSERT_EQ(rig.block(true), kResultOk);
    }
    ASSERT_EQ(rig.block(false), kResultOk); // a tail of 64 frames so far
    const std::uint64_t third = rig.position;
    for (int b = 0; b < 5; ++b) {
        ASSERT_EQ(rig.block(true), kResultOk);
    }
    const std::uint64_t end = rig.position;
    rig.faults->stallCreation = false;
    rig.stop();
    expectTake(rig.folder / "run.wav", start, 5 * kFrames + 480);
    expectTake(rig.folder / "run-take1.wav", second, third - second);
    expectTake(rig.folder / "run-take2.wav", third, end - third);
}

TEST(NewestDestination, ALoadDuringAStalledArmingWinsAndIsWhatTheStateSaves) {
    Rig rig;
    rig.faults->stallCreation = true;
    ASSERT_EQ(rig.load(rig.folder / "a.wav"), kResultOk);
    rig.activate(); // arms a.wav; its creation stalls
    ASSERT_TRUE(waitUntil([&] { return rig.faults->creations.load() == 1; }));
    ASSERT_EQ(rig.load(rig.folder / "b.wav"), kResultOk);
    rig.faults->stallCreation = false;
    ASSERT_TRUE(waitUntil([&] { return fs::exists(rig.folder / "b.wav"); }));
    EXPECT_EQ(fs::path(rig.plugin().filePath()), rig.folder / "b.wav");
    const std::uint64_t start = rig.position;
    for (int b = 0; b < 10; ++b) {
        ASSERT_EQ(rig.block(true), kResultOk);
    }
    rig.stop();
    expectTake(rig.folder / "b.wav", start, 10 * kFrames);
    EXPECT_EQ(readTake(rig.folder / "a.wav").frames(), 0u);
}

// Each host call, made while a file creation or a sample write stalls, returns promptly; the
// take is whole once the disk is back.
class StalledDisk : public ::testing::TestWithParam<bool> {}; // true: the creation stalls

TEST_P(StalledDisk, NoHostCallWaitsAndTheTakeIsWholeAfterwards) {
    Rig rig;
    ASSERT_EQ(rig.load(rig.folder / "take.wav"), kResultOk);
    rig.faults->stallCreation = GetParam();
    rig.faults->stall = !GetParam();
    rig.activate();
    const std::uint64_t start = rig.position;
    for (int b = 0; b < 20; ++b) {
        ASSERT_EQ(rig.block(true), kResultOk);
    }
    std::thread disk([&] {
        std::this_thread::sleep_for(kStall);
        rig.faults->stallCreation = false;
        rig.faults->stall = false;
    });
    TestHost& host = rig.host;
    Vst::SpeakerArrangement stereo = TestHost::arrangement(2);
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, kFrames, 48000.0};
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"setProcessing(false)", [&] { host.processor->setProcessing(false); }},
        {"setActive(false)", [&] { host.component->setActive(false); }},
        {"setBusArrangements", [&] { host.processor->setBusArrangements(&stereo, 1, &stereo, 1); }},
        {"setupProcessing", [&] { host.processor->setupProcessing(setup); }},
        {"setState", [&] { rig.load(rig.folder / "other.wav"); }},
        {"setActive(true)", [&] { host.component->setActive(true); }},
        {"setProcessing(true)", [&] { host.processor->setProcessing(true); }},
        {"setActive(false) again", [&] { host.component->setActive(false); }},
    };
    for (const auto& [name, call] : calls) {
        EXPECT_LT(timed(call), kPrompt) << name << " waited for the disk";
    }
    disk.join();
    ASSERT_TRUE(host.waitForTakes());
    expectTake(rig.folder / "take.wav", start, 20 * kFrames);
}

INSTANTIATE_TEST_SUITE_P(Stalls, StalledDisk, ::testing::Values(true, false),
                         [](const auto& info) {
                             return std::string(info.param ? "Creation" : "Write");
                         });

TEST(StalledDisk, ReleaseAndTerminateReturnAtOnceAndTheModuleExitWaitsForTheWriter) {
    TempFolder folder;
    auto faults = std::make_shared<plugins::test::StreamFaults>();
    std::uint64_t frames = 0;
    {
        TestHost::Config c;
        c.maxBlock = kFrames;
        c.recorderAccess = plugins::test::faultyAccess(faults);
        auto host = std::make_unique<TestHost>(c);
        std::string error;
        ASSERT_TRUE(host->plugin().chooseFile(u16path(folder / "kept.wav"), error)) << error;
        ASSERT_EQ(host->component->setActive(true), kResultOk);
        ASSERT_EQ(host->processor->setProcessing(true), kResultOk);
        faults->stall = true;
        host->fillInput(kFrames, [](int i, int c) { return positionSignal(i, c); });
        for (; frames < 200 * kFrames; frames += kFrames) {
            ASSERT_EQ(host->run(kFrames, true), kResultOk);
        }
        std::thread disk([&] {
            std::this_thread::sleep_for(kStall);
            faults->stall = false;
        });
        EXPECT_LT(timed([&] { host->component->terminate(); }), kPrompt);
        EXPECT_LT(timed([&] { host.reset(); }), kPrompt) << "the release waited for the disk";
        disk.join();
    }
    platform::joinModuleThreads(); // what the module's exit function does
    const WavTake take = readTake(folder / "kept.wav");
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.frames(), frames);
}

TEST(NewTakeEveryRunIdle, CyclesWithoutARunLeaveAtMostOneEmptyTake) {
    Rig rig;
    rig.host.controller->setParamNormalized(402, 1.0);
    ASSERT_EQ(rig.load(rig.folder / "idle.wav"), kResultOk);
    for (int cycle = 0; cycle < 5; ++cycle) {
        rig.activate();
        ASSERT_EQ(rig.block(false), kResultOk);
        ASSERT_EQ(rig.host.processor->setProcessing(false), kResultOk);
        ASSERT_EQ(rig.host.processor->setProcessing(true), kResultOk);
        ASSERT_EQ(rig.block(false), kResultOk);
        rig.stop();
        EXPECT_TRUE(rig.plugin().readMeterSnapshot().recorder.armed) << cycle;
    }
    EXPECT_LE(rig.files(), 1u);
    EXPECT_EQ(fs::path(rig.plugin().filePath()), rig.folder / "idle.wav");
}

} // namespace

namespace {

// The test program ends as a host unloads the module: once every writer has finalized its takes.
class WritersJoinedAtExit : public ::testing::Environment {
public:
    void TearDown() override { platform::joinModuleThreads(); }
};

const auto* const kWritersJoined = ::testing::AddGlobalTestEnvironment(new WritersJoinedAtExit);

} // namespace
