// Take life: sample-exact start and stop, the effect tail, and which starts are refused.

#include "recorder/disk_recorder.h"
#include "recorder/recorder_status.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace quillwave::plugins {
namespace {

using test::Block;
using test::TempFolder;

constexpr double kThresholdDb = -80.0;

// Feeds blocks of blockFrames from position on; frames at or after silentFrom are silent.
std::uint64_t feed(DiskRecorder& r, std::uint32_t channels, std::uint64_t position,
                   std::uint64_t frames, std::uint64_t silentFrom,
                   std::uint32_t blockFrames = 480) {
    Block b(channels, blockFrames);
    const std::uint64_t end = position + frames;
    while (position < end) {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(blockFrames, end - position));
        b.fillSignal(position);
        for (std::uint32_t i = 0; i < n; ++i) {
            if (position + i >= silentFrom) {
                for (std::uint32_t c = 0; c < channels; ++c) {
                    b.at(c, i) = 0.0f;
                }
            }
        }
        r.capture(b.pointers(), channels, n, position);
        position += n;
    }
    return position;
}

// The file must hold frames [start, stop) of the signal, then silentFrames silent frames.
void expectTakeFile(const std::u16string& path, std::uint32_t channels, std::uint64_t start,
                    std::uint64_t stop, std::uint64_t silentFrames) {
    const auto w = test::readWav(path);
    const std::uint64_t frames = stop - start + silentFrames;
    ASSERT_EQ(w.samples.size(), frames * channels);
    EXPECT_EQ(w.dataSize, frames * channels * 4);
    for (std::uint64_t i = 0; i < frames; ++i) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            const float expected = start + i < stop ? test::signal(start + i, c) : 0.0f;
            ASSERT_EQ(w.samples[i * channels + c], expected) << "file frame " << i;
        }
    }
}

class Take : public ::testing::Test {
protected:
    void arm(std::uint32_t channels, std::uint32_t rate = 48000) {
        path = dir.file("take.wav");
        r.prepare(path, channels, rate);
    }
    void finalize() {
        r.joinWriter();
        EXPECT_FALSE(r.diskError());
    }
    TempFolder dir;
    std::u16string path;
    DiskRecorder r;
};

TEST_F(Take, SyncStartThenStopWithSilentTailAtDefaults) {
    // Start at 0, stop 48,000 frames later at 48 kHz, silence from the stop on: 48,000 + 23,999.
    arm(2);
    r.start(0);
    r.beginTail(48000, 0.5, 30.0, kThresholdDb);
    EXPECT_EQ(r.silenceFrames(), 24000u);
    EXPECT_EQ(r.maxTailFrames(), 1440000u);
    EXPECT_EQ(r.silenceThreshold(), 1.0e-4f);
    feed(r, 2, 0, 100000, 48000, 512);
    EXPECT_FALSE(r.recording());
    EXPECT_TRUE(r.captureComplete());
    finalize();
    expectTakeFile(path, 2, 0, 48000, 23999);
}

TEST_F(Take, StartAndTailInsideBlocksAreSampleExact) {
    arm(3);
    const std::uint64_t S = 1237, T = 9871;
    r.start(S);
    std::uint64_t position = feed(r, 3, 1000, 5000, ~0ull, 333);
    // The run signal turns off: the tail begins at T, from where the input is silent.
    r.beginTail(T, 0.01, 30.0, kThresholdDb); // 480 frames of silence end the take
    EXPECT_TRUE(readRecorderStatus(r, 48000).capturingTail);
    position = feed(r, 3, position, 20000, T, 333);
    finalize();
    expectTakeFile(path, 3, S, T, 479);
    EXPECT_EQ(r.writtenFrames(), T - S + 479);
}

TEST_F(Take, MaximumTailStoresExactlyThatMany) {
    // A sustained tone through the tail, maximum 1 s at 48 kHz.
    arm(1);
    r.start(500);
    r.beginTail(10000, 10.0, 1.0, kThresholdDb);
    feed(r, 1, 0, 100000, ~0ull, 512);
    finalize();
    const auto w = test::readWav(path);
    EXPECT_EQ(w.samples.size(), 10000u - 500u + 48000u);
    expectTakeFile(path, 1, 500, 10000 + 48000, 0);
}

TEST_F(Take, OneLoudChannelRestartsTheSilentRun) {
    arm(2);
    r.start(0);
    r.beginTail(1000, 0.01, 30.0, kThresholdDb); // 480 silent frames end it
    feed(r, 2, 0, 1000, 1000);
    feed(r, 2, 1000, 400, 1000); // 400 silent frames
    // One frame with only channel 1 above -80 dBFS.
    Block loud(2, 1);
    loud.at(0, 0) = 0.0f;
    loud.at(1, 0) = 2.0e-4f;
    r.capture(loud.pointers(), 2, 1, 1400);
    // Exactly at the threshold still counts as silence.
    Block atThreshold(2, 1);
    atThreshold.fill(1.0e-4f);
    r.capture(atThreshold.pointers(), 2, 1, 1401);
    feed(r, 2, 1402, 1000, 0);
    finalize();
    // 1000 + 400 + loud + 479 silent (the threshold frame is one of them).
    EXPECT_EQ(r.writtenFrames(), 1000u + 400u + 1u + 479u);
}

TEST_F(Take, SecondStopMovesTheTailButKeepsTheSilentRun) {
    arm(1);
    r.start(0);
    r.beginTail(1000, 0.01, 30.0, kThresholdDb);
    feed(r, 1, 0, 1300, 1000); // 300 silent tail frames counted
    r.beginTail(1300, 0.01, 30.0, kThresholdDb);
    EXPECT_EQ(r.stopPosition(), 1300u);
    feed(r, 1, 1300, 1000, 0);
    finalize();
    EXPECT_EQ(r.writtenFrames(), 1000u + 479u); // the run went on from 300, not from 0
}

TEST_F(Take, StartDuringTailResumesWithoutGap) {
    arm(2);
    r.start(0);
    r.beginTail(2000, 0.01, 30.0, kThresholdDb);
    feed(r, 2, 0, 2200, 2000);
    r.start(2200); // the run signal turns on again inside the tail
    EXPECT_EQ(r.stopPosition(), DiskRecorder::kNoStop);
    EXPECT_FALSE(readRecorderStatus(r, 48000).capturingTail);
    // Loud again from 3000 on; the silent stretch before was no tail any more.
    Block b(2, 800);
    r.capture(b.fill(0.0f).pointers(), 2, 800, 2200);
    feed(r, 2, 3000, 1000, ~0ull);
    EXPECT_TRUE(r.recording());
    r.finish();
    finalize();
    const auto w = test::readWav(path);
    ASSERT_EQ(w.samples.size(), 4000u * 2);
    EXPECT_EQ(w.samples[2 * 1999], test::signal(1999, 0));
    EXPECT_EQ(w.samples[2 * 2500], 0.0f);
    EXPECT_EQ(w.samples[2 * 3999 + 1], test::signal(3999, 1));
}

TEST_F(Take, StartWhileRecordingMovesTheStartOnly) {
    arm(1);
    r.start(0);
    feed(r, 1, 0, 1000, ~0ull);
    r.start(1000);
    feed(r, 1, 1000, 1000, ~0ull);
    r.finish();
    finalize();
    expectTakeFile(path, 1, 0, 2000, 0);
}

TEST_F(Take, StartIsRefusedUnlessArmed) {
    r.start(0); // never prepared
    EXPECT_FALSE(r.recording());
    arm(2);
    r.start(0);
    r.beginTail(100, 0.01, 0.01, kThresholdDb);
    feed(r, 2, 0, 2000, ~0ull);
    EXPECT_FALSE(r.recording()); // ended by the 480-frame maximum tail
    r.start(5000);               // the take has ended: a new destination is needed
    EXPECT_FALSE(r.recording());
    finalize();
    EXPECT_EQ(r.writtenFrames(), 100u + 480u);
    r.start(6000); // finalized
    EXPECT_FALSE(r.recording());
    EXPECT_TRUE(readRecorderStatus(r, 48000).finalized);
}

TEST_F(Take, BeginTailOutsideRecordingOnlySetsTheStop) {
    arm(1, 44100);
    r.beginTail(777, 0.0, -5.0, 0.0); // clamped: 0.01 s, 0.01 s, -6 dB
    EXPECT_EQ(r.silenceFrames(), 441u);
    EXPECT_EQ(r.maxTailFrames(), 441u);
    EXPECT_FLOAT_EQ(r.silenceThreshold(), 0.50118723f);
    EXPECT_EQ(r.stopPosition(), 777u);
    EXPECT_FALSE(r.recording());
    r.beginTail(1, 1e9, 1e9, -1e9);
    EXPECT_EQ(r.silenceFrames(), 441000u);
    EXPECT_EQ(r.maxTailFrames(), 44100ull * 3600);
    EXPECT_FLOAT_EQ(r.silenceThreshold(), 1.0e-6f);
    r.start(10); // clears the stop again
    EXPECT_EQ(r.stopPosition(), DiskRecorder::kNoStop);
}

TEST_F(Take, StatusFollowsTheTake) {
    auto status = [&] { return readRecorderStatus(r, 48000); };
    EXPECT_EQ(recorderDisplayState(status(), false), RecorderDisplayState::NoDestination);
    arm(2);
    EXPECT_EQ(recorderDisplayState(status(), true), RecorderDisplayState::Armed);
    r.start(0);
    EXPECT_EQ(recorderDisplayState(status(), true), RecorderDisplayState::Recording);
    feed(r, 2, 0, 4800, ~0ull);
    r.beginTail(4800, 0.5, 30.0, kThresholdDb);
    EXPECT_EQ(recorderDisplayState(status(), true), RecorderDisplayState::CapturingTail);
    EXPECT_EQ(status().capturedFrames, 4800u);
    EXPECT_DOUBLE_EQ(status().capturedSeconds, 0.1);
    EXPECT_DOUBLE_EQ(readRecorderStatus(r, 0.0).capturedSeconds, 0.0);
    r.finish();
    r.joinWriter();
    EXPECT_EQ(recorderDisplayState(status(), true), RecorderDisplayState::Finalized);
    EXPECT_EQ(status().writtenFrames, 4800u);
}

} // namespace
} // namespace quillwave::plugins
