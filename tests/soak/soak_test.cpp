// Hundreds of takes in one process, as a long session would make them: activate, record a short
// take started and stopped by sync messages with automation on the way, deactivate. Every take is
// a valid file with exactly the expected frames, and nothing is left behind: no thread, no open
// file, no heap block.

#include "dsp/sync_message.h"
#include "support/heap_probe.h"
#include "support/process_resources.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillwave;
using namespace quillwave::test;

namespace {

constexpr int kCycles = 500;
constexpr int kBlock = 256;

double tone(std::uint64_t p, int c) {
    return 0.3 + 0.2 * static_cast<double>((p * 7 + c) % 11) / 11.0;
}

TEST(Soak, FiveHundredTakesLeaveNothingBehind) {
    TempFolder folder;
    const std::array<std::uint8_t, 7> start = plugins::kSyncStartMessage;
    const std::array<std::uint8_t, 7> stop = plugins::kSyncStopMessage;
    // Threads are counted before the module exists: it keeps threads of its own while it lives.
    const std::size_t threadsBefore = countProcessResources().threads;
    ProcessResources before{};
    long blocksBefore = 0;
    {
        TestHost::Config config;
        config.maxBlock = kBlock;
        TestHost host(config);
        std::string error;
        ASSERT_TRUE(host.plugin().chooseFile(u16path(folder / "soak.wav"), error)) << error;
        ASSERT_EQ(host.component->setActive(false), kResultOk);
        ASSERT_TRUE(host.waitForTakes());

        for (int cycle = 0; cycle < kCycles; ++cycle) {
            if (cycle == 1) {
                // One-time allocations (stdio, locale, the test framework) are behind us now.
                before = countProcessResources();
                blocksBefore = liveHeapBlocks();
            }
            ASSERT_EQ(host.component->setActive(true), kResultOk) << cycle;
            // The writer finds the take's name while the module may already record.
            ASSERT_TRUE(waitUntil([&] { return !host.plugin().recorder().armedFile().empty(); }));
            const std::u16string takePath = host.plugin().filePath();
            ASSERT_EQ(host.processor->setProcessing(true), kResultOk);
            host.context.continousTimeSamples = 0;
            const int startOffset = 1 + cycle % 200;
            const int stopBlock = 2 + cycle % 3;
            const int stopOffset = (cycle * 37) % kBlock;
            const std::uint64_t startAt = kBlock + static_cast<std::uint64_t>(startOffset);
            const std::uint64_t stopAt =
                static_cast<std::uint64_t>(stopBlock) * kBlock + stopOffset;
            for (int b = 0; b < 14; ++b) {
                const std::uint64_t first = static_cast<std::uint64_t>(b) * kBlock;
                host.fillInput(kBlock, [&](int i, int c) {
                    return first + i < stopAt ? tone(first + i, c) : 0.0;
                });
                if (b == 1) {
                    Vst::Event e = sysExEvent(startOffset, start.data(), 7);
                    host.inEvents.addEvent(e);
                    host.changes.queue(400).add(5, 0.002 + 0.001 * (cycle % 3)); // 20 .. 40 ms
                }
                if (b == stopBlock) {
                    Vst::Event e = sysExEvent(stopOffset, stop.data(), 7);
                    host.inEvents.addEvent(e);
                }
                ASSERT_EQ(host.run(kBlock), kResultOk);
            }
            ASSERT_FALSE(host.plugin().recorder().recording()) << "tail still running in " << cycle;
            const std::uint64_t silence = host.plugin().recorder().silenceFrames();
            ASSERT_EQ(host.processor->setProcessing(false), kResultOk);
            ASSERT_EQ(host.component->setActive(false), kResultOk);
            ASSERT_TRUE(host.waitForTakes());

            const WavTake take = readTake(std::filesystem::path(takePath));
            ASSERT_TRUE(take.valid) << cycle;
            ASSERT_EQ(take.frames(), stopAt - startAt + silence - 1) << cycle;
            ASSERT_EQ(take.riffSize, take.dataSize + 36);
            ASSERT_EQ(take.at(0, 1), static_cast<float>(tone(startAt, 1))) << cycle;
            ASSERT_EQ(take.at(stopAt - startAt - 1, 0), static_cast<float>(tone(stopAt - 1, 0)));
            std::filesystem::remove(std::filesystem::path(takePath)); // keep the folder small
        }
        EXPECT_EQ(host.plugin().recorder().droppedFrames(), 0u);
    }
    // The module is gone; what it made along the way must be gone too.
    const ProcessResources after = countProcessResources();
    EXPECT_EQ(after.threads, threadsBefore);
    // At most as many: on Windows the module's own threads held handles while it lived.
    EXPECT_LE(after.handles, before.handles);
    EXPECT_LE(liveHeapBlocks(), blocksBefore);
    RecordProperty("cycles", kCycles);
    RecordProperty("threads_after", static_cast<int>(after.threads));
    RecordProperty("handles_after", static_cast<int>(after.handles));
}

} // namespace
