// Disk failures during a take: the take ends, and the file stays a valid WAV of what reached it.

#include "recorder/disk_recorder.h"
#include "recorder/recorder_status.h"
#include "recorder/take_name.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

#include <new>

namespace quillwave::plugins {
namespace {

using test::TempFolder;

// The take's state after a failure: error shown, capture stopped, file finalized, start refused.
void expectFailedTake(DiskRecorder& r) {
    ASSERT_TRUE(test::waitUntil([&] { return r.writerFinished(); }));
    EXPECT_TRUE(r.diskError());
    EXPECT_FALSE(r.recording());
    EXPECT_TRUE(r.captureComplete());
    EXPECT_FALSE(r.ready());
    r.start(123456);
    EXPECT_FALSE(r.recording());
    EXPECT_EQ(recorderDisplayState(readRecorderStatus(r, 48000), true),
              RecorderDisplayState::DiskError);
}

TEST(WriterFailure, FullDiskMidFrameKeepsWholeFrames) {
    TempFolder dir;
    const auto path = dir.file("full.wav");
    auto faults = std::make_shared<test::StreamFaults>();
    faults->stall = true;
    // Room for 1000 stereo frames and one more sample: the disk fills in the middle of a frame.
    faults->dataBudget = 1000 * 8 + 4;
    DiskRecorder r(test::faultyAccess(faults));
    r.prepare(path, 2, 48000);
    r.start(0);
    test::captureSignal(r, 2, 0, 4000);
    faults->stall = false;
    expectFailedTake(r);
    r.joinWriter();

    EXPECT_EQ(r.writtenFrames(), 1000u);
    const auto w = test::readWav(path);
    // The header declares whole frames only; the odd sample that reached the disk lies beyond
    // the data chunk.
    EXPECT_EQ(w.dataSize, 4 * r.writtenFrames() * 2);
    EXPECT_EQ(w.riffSize, w.dataSize + 36);
    ASSERT_GE(w.samples.size(), 2000u);
    for (std::uint64_t i = 0; i < 2000; ++i) {
        ASSERT_EQ(w.samples[i], test::signal(i / 2, i % 2));
    }
    // Capture after the failure stores nothing.
    const auto captured = r.capturedFrames();
    test::Block b(2, 64);
    r.capture(b.fillSignal(4000).pointers(), 2, 64, 4000);
    EXPECT_EQ(r.capturedFrames(), captured);
}

TEST(WriterFailure, WriteErrorEndsTheTake) {
    TempFolder dir;
    const auto path = dir.file("eio.wav");
    auto faults = std::make_shared<test::StreamFaults>();
    DiskRecorder r(test::faultyAccess(faults));
    r.prepare(path, 1, 44100);
    r.start(0);
    test::captureSignal(r, 1, 0, 44100);
    ASSERT_TRUE(test::waitForDrain(r));
    faults->errorAfterWrite = true; // the next write goes through, then the stream reports an error
    test::captureSignal(r, 1, 44100, 512);
    expectFailedTake(r);
    r.joinWriter();
    test::expectSignalFile(path, 1, 0, 44100 + 512);
    EXPECT_EQ(r.writtenFrames(), 44100u + 512u);
}

TEST(WriterFailure, AnOpenerThatThrowsEndsTheTakeAsADiskErrorNotTheProcess) {
    TempFolder dir;
    RecorderFileAccess access;
    access.open = [](const std::u16string&) -> std::unique_ptr<RecordingStream> {
        throw std::bad_alloc();
    };
    DiskRecorder r(access);
    r.arm(dir.file("oom.wav"), DestinationMode::Exact, 2, 48000);
    ASSERT_TRUE(test::waitUntil([&] { return r.diskError(); }));
    EXPECT_FALSE(r.ready());
    r.joinWriter();
}

TEST(WriterFailure, SizeLimitIsFilledExactlyThenTheTakeGoesOn) {
    TempFolder dir;
    const auto path = dir.file("limit.wav");
    auto faults = std::make_shared<test::StreamFaults>();
    faults->stall = true;
    // A small limit in place of the 4 GiB one: 10,000 stereo frames and a few bytes more.
    DiskRecorder r(test::faultyAccess(faults, 10000 * 8 + 7));
    r.prepare(path, 2, 48000);
    r.start(0);
    test::captureSignal(r, 2, 0, 25000, 3000); // one run passes the limit twice
    faults->stall = false;
    ASSERT_TRUE(test::waitForDrain(r));
    r.joinWriter();
    EXPECT_FALSE(r.diskError());
    EXPECT_EQ(r.writtenFrames(), 25000u);
    test::expectSignalFile(path, 2, 0, 10000);
    test::expectSignalFile(partName(path, 2), 2, 10000, 20000);
    test::expectSignalFile(partName(path, 3), 2, 20000, 25000);
}

TEST(WriterFailure, ATakeEndingExactlyAtTheLimitLeavesNoEmptyPart) {
    TempFolder dir;
    const auto path = dir.file("exact.wav");
    auto faults = std::make_shared<test::StreamFaults>();
    DiskRecorder r(test::faultyAccess(faults, 1000 * 4));
    r.prepare(path, 1, 48000);
    r.start(0);
    test::captureSignal(r, 1, 0, 1000);
    ASSERT_TRUE(test::waitForDrain(r));
    EXPECT_FALSE(r.diskError());
    EXPECT_TRUE(r.recording());
    r.finish();
    r.joinWriter();
    EXPECT_FALSE(r.diskError());
    test::expectSignalFile(path, 1, 0, 1000);
    // The next part, created ahead in case the take went on, is deleted again.
    EXPECT_FALSE(test::fs::exists(test::fs::path(partName(path, 2))));
}

TEST(WriterFailure, FlushFailureAtFinalizeIsADiskError) {
    TempFolder dir;
    const auto path = dir.file("flush.wav");
    auto faults = std::make_shared<test::StreamFaults>();
    DiskRecorder r(test::faultyAccess(faults));
    r.prepare(path, 2, 48000);
    r.start(0);
    test::captureSignal(r, 2, 0, 3000);
    faults->failFlush = true;
    r.finish();
    r.joinWriter();
    EXPECT_TRUE(r.diskError());
    EXPECT_TRUE(r.writerFinished());
    test::expectSignalFile(path, 2, 0, 3000); // closed and kept all the same
    EXPECT_EQ(recorderDisplayState(readRecorderStatus(r, 48000), true),
              RecorderDisplayState::DiskError);
}

TEST(WriterFailure, CloseFailureIsADiskError) {
    TempFolder dir;
    auto faults = std::make_shared<test::StreamFaults>();
    faults->failClose = true;
    DiskRecorder r(test::faultyAccess(faults));
    r.prepare(dir.file("close.wav"), 2, 48000);
    r.finish();
    r.joinWriter();
    EXPECT_TRUE(r.diskError());
}

// A stream that stores nothing and claims every write: the product's own 4 GiB limit, without
// writing 4 GiB. Keeps the last header written to each stream opened, in order.
class BottomlessStream final : public RecordingStream {
public:
    explicit BottomlessStream(std::vector<std::uint8_t>& header) : header_(header) {}
    std::size_t write(const void* data, std::size_t itemSize, std::size_t itemCount) override {
        if (itemSize == 1) {
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            header_.assign(bytes, bytes + itemCount);
        }
        return itemCount;
    }
    void seekToStart() override {}
    bool flush() override { return true; }
    bool failed() const override { return false; }
    bool close() override { return true; }

private:
    std::vector<std::uint8_t>& header_;
};

TEST(WriterFailure, ProductLimitIsJustBelowFourGiB) {
    TempFolder dir;
    auto headers = std::make_shared<std::vector<std::vector<std::uint8_t>>>();
    headers->reserve(8);
    RecorderFileAccess access;
    access.open = [headers](const std::u16string&) {
        return std::make_unique<BottomlessStream>(headers->emplace_back());
    };
    DiskRecorder r(access);
    r.prepare(dir.file("bottomless-never-created.wav"), 1, 384000);
    r.start(0);
    // Mono: 1,073,741,814 samples fit. Capture them and ten blocks more, in large blocks of
    // silence: the rest goes to a second part.
    const std::uint64_t limit = sampleLimit(1);
    constexpr std::uint32_t kBlock = 1u << 16;
    std::vector<float> silence(kBlock, 0.0f);
    const float* channel = silence.data();
    std::uint64_t position = 0;
    while (r.recording() && position < limit + 10 * kBlock) {
        while (r.writeIndex() - r.readIndex() + kBlock > r.ringSamples()) {
            std::this_thread::yield();
        }
        r.capture(&channel, 1, kBlock, position);
        position += kBlock;
    }
    r.joinWriter();
    EXPECT_FALSE(r.diskError());
    EXPECT_EQ(r.writtenFrames(), position);
    // The first file and the second part; a third is created only within the last seconds of
    // the second.
    ASSERT_EQ(headers->size(), 2u);
    for (const auto& header : *headers) {
        ASSERT_EQ(header.size(), 44u);
    }
    EXPECT_EQ(test::u32At((*headers)[0], 40), 4 * limit);
    EXPECT_EQ(test::u32At((*headers)[0], 4), 0xFFFFFFFFu - 3); // 4,294,967,256 + 36
    EXPECT_EQ(test::u32At((*headers)[1], 40), 4 * (position - limit));
}

} // namespace
} // namespace quillwave::plugins
