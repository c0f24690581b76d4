// A recorder driven through its VST 3 interfaces records sample-exact takes into new files.

#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace quillwave;
using namespace quillwave::test;

namespace {

// A signal that tells every frame and channel apart and never falls below the tail threshold.
double signal(std::uint64_t position, int channel) {
    return 0.25 + 0.5 * std::fmod(static_cast<double>(position) * 0.001 + channel * 0.37, 1.0);
}

class RecorderTake : public ::testing::TestWithParam<bool> {
protected:
    TempFolder folder;

    TestHost::Config config() const {
        TestHost::Config c;
        c.kind = plugins::ModuleKind::Recorder;
        c.inputChannels = 2;
        c.outputChannels = 2;
        c.maxBlock = 256;
        c.sampleRate = 48000;
        c.wide = GetParam();
        return c;
    }

    // Runs one block whose input carries signal() until silentFrom (running position), silence
    // after it.
    static tresult block(TestHost& host, std::uint64_t start, int frames, bool playing,
                         std::uint64_t silentFrom) {
        host.fillInput(frames, [&](int i, int c) {
            const std::uint64_t p = start + static_cast<std::uint64_t>(i);
            return p < silentFrom ? signal(p, c) : 0.0;
        });
        return host.run(frames, playing);
    }

    static void waitForFinalized(TestHost& host) {
        // setActive(false) returns at once; the writer finalizes.
        ASSERT_EQ(host.processor->setProcessing(false), kResultOk);
        ASSERT_EQ(host.component->setActive(false), kResultOk);
        ASSERT_TRUE(host.waitForTakes());
    }
};

TEST_P(RecorderTake, TransportStartAndStopGiveExactFramesThenTheTail) {
    TestHost host(config());
    ASSERT_TRUE(host.arranged && host.setUp);
    host.controller->setParamNormalized(400, 0.01); // 0.1 s of silence ends the tail
    std::string error;
    const auto destination = folder / "take.wav";
    ASSERT_TRUE(host.plugin().chooseFile(u16path(destination), error)) << error;
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);

    const int frames = 256;
    const std::uint64_t startBlock = 3;
    const std::uint64_t stopBlock = 9;
    const std::uint64_t stop = stopBlock * frames;
    std::uint64_t position = 0;
    for (std::uint64_t b = 0; b < 40; ++b, position += frames) {
        const bool playing = b >= startBlock && b < stopBlock;
        ASSERT_EQ(block(host, position, frames, playing, stop), kResultOk);
    }
    waitForFinalized(host);

    const WavTake take = readTake(destination);
    ASSERT_TRUE(take.valid);
    const std::uint64_t start = startBlock * frames;
    const std::uint64_t silence = 4800; // 0.1 s at 48 kHz
    ASSERT_EQ(take.frames(), stop - start + silence - 1);
    EXPECT_EQ(take.dataSize, take.frames() * 2 * 4);
    EXPECT_EQ(take.riffSize, take.dataSize + 36);
    for (std::uint64_t f = 0; f < take.frames(); ++f) {
        for (int c = 0; c < 2; ++c) {
            const std::uint64_t p = start + f;
            const float expected = p < stop ? static_cast<float>(signal(p, c)) : 0.0f;
            ASSERT_EQ(take.at(f, static_cast<std::uint32_t>(c)), expected) << "frame " << f;
        }
    }
}

TEST_P(RecorderTake, ManualSwitchStartsAndStopsInsideBlocks) {
    TestHost host(config());
    host.controller->setParamNormalized(2, 0.0);   // follow the "Play / Record" switch
    host.controller->setParamNormalized(400, 0.0); // minimum silence: 0.01 s
    std::string error;
    const auto destination = folder / "manual.wav";
    ASSERT_TRUE(host.plugin().chooseFile(u16path(destination), error)) << error;
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);

    const int frames = 200;
    const std::uint64_t start = 2 * frames + 37;
    const std::uint64_t stop = 7 * frames + 150;
    std::uint64_t position = 0;
    for (int b = 0; b < 20; ++b, position += frames) {
        if (b == 2) {
            host.changes.queue(3).add(37, 1.0);
        }
        if (b == 7) {
            host.changes.queue(3).add(150, 0.0);
        }
        ASSERT_EQ(block(host, position, frames, false, stop), kResultOk);
    }
    waitForFinalized(host);

    const WavTake take = readTake(destination);
    ASSERT_TRUE(take.valid);
    ASSERT_EQ(take.frames(), stop - start + 480 - 1);
    EXPECT_EQ(take.at(0, 0), static_cast<float>(signal(start, 0)));
    EXPECT_EQ(take.at(stop - start - 1, 1), static_cast<float>(signal(stop - 1, 1)));
    EXPECT_EQ(take.at(stop - start, 0), 0.0f);
}

// A time-stamped take started inside a block carries the host's project time of its own first
// frame: neither the block's nor that of the continuous clock, which runs apart from it.
TEST_P(RecorderTake, TimeStampedTakeCarriesTheProjectTimeOfItsFirstFrame) {
    // With pre-record the first frame is the first kept one: here all 437 frames before the run.
    for (const std::uint64_t kept : {0u, 437u}) {
        SCOPED_TRACE(kept);
        TestHost host(config());
        host.controller->setParamNormalized(2, 0.0);   // follow the "Play / Record" switch
        host.controller->setParamNormalized(400, 0.0); // minimum silence: 0.01 s
        host.controller->setParamNormalized(403, kept == 0 ? 0.0 : 0.1);
        ASSERT_EQ(host.controller->setParamNormalized(404, 1.0), kResultOk);
        std::string error;
        const auto destination = folder / ("stamped" + std::to_string(kept) + ".wav");
        ASSERT_TRUE(host.plugin().chooseFile(u16path(destination), error)) << error;
        EXPECT_EQ(readBytes(destination).size(), 656u); // armed with the final layout already
        ASSERT_EQ(host.component->setActive(true), kResultOk);
        ASSERT_EQ(host.processor->setProcessing(true), kResultOk);

        const int frames = 200;
        const std::uint64_t start = 2 * frames + 37;
        std::uint64_t position = 0;
        for (int b = 0; b < 20; ++b, position += frames) {
            host.context.projectTimeSamples = 480000 - static_cast<std::int64_t>(start - position);
            if (b == 2) {
                host.changes.queue(3).add(37, 1.0);
            }
            if (b == 4) {
                host.changes.queue(3).add(0, 0.0);
            }
            host.context.continousTimeSamples = static_cast<std::int64_t>(position) + 3000;
            ASSERT_EQ(block(host, position, frames, false, 4 * frames), kResultOk);
        }
        waitForFinalized(host);

        const std::vector<unsigned char> b = readBytes(destination);
        ASSERT_EQ(b.size(), 656 + (kept + 4 * frames - start + 480 - 1) * 8);
        EXPECT_EQ(le32(&b[20 + 338]), 480000u - kept); // TimeReference, low 32 bits
        EXPECT_EQ(le32(&b[20 + 342]), 0u);
        float first = 0.0f;
        std::memcpy(&first, &b[656], 4);
        EXPECT_EQ(first, static_cast<float>(signal(start - kept, 0)));
    }
}

INSTANTIATE_TEST_SUITE_P(SampleSizes, RecorderTake, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Float64" : "Float32"; });

} // namespace
