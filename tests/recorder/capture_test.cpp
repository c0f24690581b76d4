// Capture into the ring and the writer's drain: what reaches the file, frame by frame.

#include "recorder/disk_recorder.h"
#include "recorder/recorder_status.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillwave::plugins {
namespace {

using test::Block;
using test::TempFolder;

TEST(Capture, FramesReachTheFileInOrder) {
    TempFolder dir;
    const auto path = dir.file("take.wav");
    DiskRecorder r;
    r.prepare(path, 2, 48000);
    r.start(1000);
    // Blocks of odd sizes around the start position: frames before it are neither stored nor
    // counted.
    std::uint64_t position = 900;
    for (std::uint32_t frames : {64u, 100u, 1u, 511u, 2048u, 7u}) {
        Block b(2, frames);
        r.capture(b.fillSignal(position).pointers(), 2, frames, position);
        position += frames;
    }
    EXPECT_EQ(r.capturedFrames(), position - 1000);
    r.finish();
    r.joinWriter();
    test::expectSignalFile(path, 2, 1000, position);
    EXPECT_EQ(r.writtenFrames(), position - 1000);
    EXPECT_EQ(r.droppedFrames(), 0u);
    EXPECT_FALSE(r.diskError());
}

TEST(Capture, NonFiniteAndMissingChannelsAreStoredAsZero) {
    TempFolder dir;
    const auto path = dir.file("zeros.wav");
    DiskRecorder r;
    r.prepare(path, 4, 48000);
    r.start(0);
    constexpr float kInf = std::numeric_limits<float>::infinity();
    Block b(4, 8);
    b.fillSignal(0);
    b.at(0, 1) = std::numeric_limits<float>::quiet_NaN();
    b.at(1, 2) = kInf;
    b.at(2, 3) = -kInf;
    b.at(3, 4) = -std::numeric_limits<float>::signaling_NaN();
    r.capture(b.pointers(), 4, 8, 0);
    // Only two buffers for four channels: channels 2 and 3 record silence.
    Block two(2, 8);
    r.capture(two.fillSignal(8).pointers(), 2, 8, 8);
    // A null entry records silence.
    Block nulled(4, 8);
    nulled.fillSignal(16).setNull(1);
    r.capture(nulled.pointers(), 4, 8, 16);
    // Six buffers for four channels: the extra two are ignored.
    Block six(6, 8);
    r.capture(six.fillSignal(24).pointers(), 6, 8, 24);
    // No buffers at all.
    r.capture(nullptr, 0, 8, 32);
    r.finish();
    r.joinWriter();

    const auto w = test::readWav(path);
    ASSERT_EQ(w.samples.size(), 40u * 4);
    auto at = [&](std::uint64_t p, std::uint32_t c) { return w.samples[p * 4 + c]; };
    for (std::uint64_t p = 0; p < 40; ++p) {
        for (std::uint32_t c = 0; c < 4; ++c) {
            float expected = test::signal(p, c);
            const bool nonFinite = (p == 1 && c == 0) || (p == 2 && c == 1) || (p == 3 && c == 2) ||
                                   (p == 4 && c == 3);
            const bool missing =
                (p >= 8 && p < 16 && c >= 2) || (p >= 16 && p < 24 && c == 1) || p >= 32;
            if (nonFinite || missing) {
                expected = 0.0f;
            }
            EXPECT_EQ(at(p, c), expected) << "frame " << p << " channel " << c;
            EXPECT_FALSE(std::signbit(at(p, c)) && expected == 0.0f);
        }
    }
}

TEST(Capture, NonFiniteSamplesBecomeZeroOnEveryCopyPath) {
    // Mono, stereo, four-channel groups with leftovers, leftover frames, and tail frames.
    for (std::uint32_t channels : {1u, 2u, 3u, 5u}) {
        TempFolder dir;
        const auto path = dir.file("paths.wav");
        DiskRecorder r;
        r.prepare(path, channels, 48000);
        r.start(0);
        r.beginTail(7, 10.0, 10.0, -80.0); // frames 7.. go through the tail test
        Block b(channels, 11);
        b.fillSignal(0);
        for (std::uint32_t c = 0; c < channels; ++c) {
            b.at(c, (c * 3) % 11) = std::numeric_limits<float>::quiet_NaN();
            b.at(c, (c * 3 + 8) % 11) = -std::numeric_limits<float>::infinity();
        }
        r.capture(b.pointers(), channels, 11, 0);
        r.finish();
        r.joinWriter();
        const auto w = test::readWav(path);
        ASSERT_EQ(w.samples.size(), 11u * channels);
        for (std::uint32_t i = 0; i < 11; ++i) {
            for (std::uint32_t c = 0; c < channels; ++c) {
                const bool bad = i == (c * 3) % 11 || i == (c * 3 + 8) % 11;
                EXPECT_EQ(w.samples[i * channels + c], bad ? 0.0f : test::signal(i, c))
                    << channels << " channels, frame " << i << ", channel " << c;
            }
        }
    }
}

TEST(Capture, ThreeChannelFrameStraddlingTheRingEnd) {
    // The ring's power of two is not a multiple of 3: one frame wraps around the ring's end and is placed, and
    // written, one sample at a time; the file stays frame-aligned.
    TempFolder dir;
    const auto path = dir.file("three.wav");
    DiskRecorder r;
    r.prepare(path, 3, 48000);
    r.start(0);
    const std::uint64_t frames = r.ringSamples() / 3 * 2 + 1000;
    test::captureSignal(r, 3, 0, frames, 500);
    r.finish();
    r.joinWriter();
    EXPECT_EQ(r.droppedFrames(), 0u);
    EXPECT_EQ(r.writtenFrames(), frames);
    test::expectSignalFile(path, 3, 0, frames);
}

TEST(Capture, StalledWriterDropsFramesOneByOne) {
    TempFolder dir;
    const auto path = dir.file("stall.wav");
    auto faults = std::make_shared<test::StreamFaults>();
    faults->stall = true;
    DiskRecorder r(test::faultyAccess(faults));
    r.prepare(path, 2, 48000);
    r.start(0);
    // The ring takes half its samples in stereo frames while the writer cannot take anything out.
    const std::uint64_t capacity = r.ringSamples() / 2;
    const std::uint64_t lost = 3000;
    std::uint64_t position = 0;
    Block b(2, 1000);
    while (position < capacity + lost) {
        r.capture(b.fillSignal(position).pointers(), 2, 1000, position);
        position += 1000;
        EXPECT_EQ(r.droppedFrames(), position > capacity ? position - capacity : 0);
    }
    EXPECT_EQ(r.capturedFrames(), capacity);
    EXPECT_TRUE(r.recording()); // a full ring loses frames but goes on recording

    faults->stall = false;
    ASSERT_TRUE(test::waitForDrain(r));
    const std::uint64_t resumeAt = position;
    position = test::captureSignal(r, 2, resumeAt, 5000);
    r.finish();
    r.joinWriter();
    EXPECT_EQ(r.droppedFrames(), position - 5000 - capacity);

    // Frames before the loss, then those after it, in order, nothing else.
    const auto w = test::readWav(path);
    ASSERT_EQ(w.samples.size(), (capacity + 5000) * 2);
    EXPECT_EQ(w.dataSize, (capacity + 5000) * 8);
    for (std::uint64_t i = 0; i < capacity + 5000; ++i) {
        const std::uint64_t p = i < capacity ? i : resumeAt + (i - capacity);
        ASSERT_EQ(w.samples[2 * i], test::signal(p, 0)) << "file frame " << i;
        ASSERT_EQ(w.samples[2 * i + 1], test::signal(p, 1)) << "file frame " << i;
    }
}

TEST(Capture, SixtyFourChannelsRideOutAStallShorterThanTheRing) {
    // 64 channels at 8 kHz: the ring holds 2^23 samples, 16.4 s. A 5 s stall loses nothing; one
    // of the ring's length plus 3000 frames loses exactly those 3000, and the file holds every
    // other frame in order.
    constexpr std::uint32_t kChannels = 64;
    constexpr std::uint64_t kCapacity = (1u << 23) / kChannels;
    for (const std::uint64_t stalled : {std::uint64_t{5 * 8000}, kCapacity + 3000}) {
        TempFolder dir;
        const auto path = dir.file("stall64.wav");
        auto faults = std::make_shared<test::StreamFaults>();
        faults->stall = true;
        DiskRecorder r(test::faultyAccess(faults));
        r.prepare(path, kChannels, 8000);
        r.start(0);
        Block b(kChannels, 500);
        for (std::uint64_t position = 0; position < stalled; position += 500) {
            const auto n =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(500, stalled - position));
            r.capture(b.fillSignal(position).pointers(), kChannels, n, position);
        }
        const std::uint64_t kept = std::min(stalled, kCapacity);
        EXPECT_EQ(r.droppedFrames(), stalled - kept);
        faults->stall = false;
        test::captureSignal(r, kChannels, stalled, 1000);
        r.finish();
        r.joinWriter();
        EXPECT_EQ(r.droppedFrames(), stalled - kept);
        EXPECT_EQ(r.writtenFrames(), kept + 1000);

        const auto w = test::readWav(path);
        ASSERT_EQ(w.samples.size(), (kept + 1000) * kChannels);
        for (std::uint64_t i = 0; i < kept + 1000; ++i) {
            const std::uint64_t p = i < kept ? i : stalled + (i - kept);
            for (std::uint32_t c = 0; c < kChannels; ++c) {
                ASSERT_EQ(w.samples[i * kChannels + c], test::signal(p, c))
                    << "file frame " << i << " channel " << c << ", stall of " << stalled;
            }
        }
    }
}

TEST(Capture, FinishWritesEverythingAlreadyCaptured) {
    TempFolder dir;
    const auto path = dir.file("drain.wav");
    auto faults = std::make_shared<test::StreamFaults>();
    faults->stall = true;
    DiskRecorder r(test::faultyAccess(faults));
    r.prepare(path, 2, 48000);
    r.start(0);
    test::captureSignal(r, 2, 0, 100000);
    r.finish();
    // Finalizing while the writer is still busy with the ring.
    const auto s = readRecorderStatus(r, 48000);
    EXPECT_TRUE(s.finalizing);
    EXPECT_EQ(recorderDisplayState(s, true), RecorderDisplayState::Finalizing);
    EXPECT_EQ(s.capturedFrames, 100000u);
    EXPECT_DOUBLE_EQ(s.capturedSeconds, 100000.0 / 48000.0);
    faults->stall = false;
    r.joinWriter();
    test::expectSignalFile(path, 2, 0, 100000);
    EXPECT_EQ(r.writtenFrames(), 100000u);
    EXPECT_TRUE(readRecorderStatus(r, 48000).finalized);
}

} // namespace
} // namespace quillwave::plugins
