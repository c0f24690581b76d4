// A take that outgrows one file goes on in continuation parts next to it: the parts played back
// to back are the take, each part is a valid WAV file of its own, and no existing file is touched.

#include "recorder/disk_recorder.h"
#include "recorder/recorder_status.h"
#include "recorder/take_files.h"
#include "recorder/take_name.h"
#include "recorder/take_repair.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillwave::plugins {
namespace {

using test::TempFolder;

constexpr std::uint64_t kMiB = 1u << 20;

// The folder's file names, sorted.
std::vector<std::string> filesIn(const TempFolder& dir) {
    std::vector<std::string> names;
    for (const auto& entry : test::fs::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Each file declares exactly the bytes it holds, and the files back to back hold frames
// [0, frames) of the test signal.
void expectPartsAreTheTake(const std::vector<std::u16string>& parts, std::uint32_t channels,
                           std::uint64_t frames) {
    std::uint64_t at = 0;
    for (const auto& part : parts) {
        const test::WavContents w = test::readWav(part);
        ASSERT_EQ(w.fileBytes, 44 + std::uint64_t{w.dataSize}) << test::fs::path(part);
        EXPECT_EQ(w.riffSize, w.dataSize + 36);
        EXPECT_EQ(w.channels, channels);
        EXPECT_EQ(repairTake(test::fs::path(part)).outcome, TakeRepair::Outcome::Intact);
        const std::uint64_t partFrames = w.samples.size() / channels;
        ASSERT_EQ(partFrames * channels, w.samples.size());
        test::expectSignalFile(part, channels, at, at + partFrames);
        at += partFrames;
    }
    EXPECT_EQ(at, frames);
}

TEST(TakeParts, SixtyFourChannelsGoOnInPartsThatAreTheTakeBitForBit) {
    TempFolder dir;
    const auto first = dir.file("mix.wav");
    // Someone else's file under the name of the first part: skipped, never touched.
    const std::string foreign = "not ours";
    test::writeBytes(partName(first, 2), foreign);

    auto faults = std::make_shared<test::StreamFaults>();
    DiskRecorder r(test::faultyAccess(faults, kMiB));
    r.prepare(first, 64, 48000);
    r.start(0);
    const std::uint64_t perPart = kMiB / (4 * 64); // 4096 frames
    test::captureSignal(r, 64, 0, 2 * perPart + 100);
    ASSERT_TRUE(test::waitForDrain(r));
    EXPECT_EQ(r.partPath(), partName(first, 4)); // the part being written
    test::captureSignal(r, 64, 2 * perPart + 100, perPart + 200);
    r.finish();
    r.joinWriter();

    const std::uint64_t frames = 3 * perPart + 300;
    EXPECT_FALSE(r.diskError());
    EXPECT_EQ(r.droppedFrames(), 0u);
    EXPECT_EQ(r.writtenFrames(), frames);
    EXPECT_EQ(r.capturedFrames(), frames);
    EXPECT_EQ(r.partPath(), u"");
    expectPartsAreTheTake({first, partName(first, 3), partName(first, 4), partName(first, 5)}, 64,
                          frames);
    EXPECT_EQ(test::readWav(first).samples.size(), perPart * 64); // filled to the limit
    const auto bytes = test::readBytes(partName(first, 2));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), foreign);
    // The part created ahead for what came next was never needed: it is gone.
    EXPECT_EQ(filesIn(dir),
              (std::vector<std::string>{"mix-part2.wav", "mix-part3.wav", "mix-part4.wav",
                                        "mix-part5.wav", "mix.wav"}));
}

TEST(TakeParts, ARefusedNextPartEndsTheTakeAsADiskErrorWithTheFullFileKept) {
    TempFolder dir;
    const auto first = dir.file("mix.wav");
    RecorderFileAccess access;
    access.open = [](const std::u16string& path) -> std::unique_ptr<RecordingStream> {
        if (path.find(u"-part") != std::u16string::npos) {
            return nullptr; // a folder that takes no more files
        }
        return openNewRecordingFile(path);
    };
    access.dataByteLimit = kMiB;
    DiskRecorder r(access);
    r.prepare(first, 64, 48000);
    r.start(0);
    const std::uint64_t perPart = kMiB / (4 * 64);
    test::captureSignal(r, 64, 0, 2 * perPart);
    ASSERT_TRUE(test::waitUntil([&] { return r.writerFinished(); }));
    EXPECT_TRUE(r.diskError());
    EXPECT_FALSE(r.recording());
    EXPECT_EQ(recorderDisplayState(readRecorderStatus(r, 48000), true),
              RecorderDisplayState::DiskError);
    r.joinWriter();
    EXPECT_EQ(r.writtenFrames(), perPart);
    test::expectSignalFile(first, 64, 0, perPart);
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"mix.wav"});
}

TEST(TakeParts, AFullDiskAtASwitchLeavesNoPartAndCountsWhatWasLostAsDropped) {
    TempFolder dir;
    const auto first = dir.file("mix.wav");
    auto partCreations = std::make_shared<std::atomic<int>>(0);
    auto full = std::make_shared<test::StreamFaults>();
    full->failFirstHeader = true; // a part is created, and then nothing fits
    RecorderFileAccess access;
    access.open = [=](const std::u16string& path) -> std::unique_ptr<RecordingStream> {
        auto inner = openNewRecordingFile(path);
        if (!inner || path.find(u"-part") == std::u16string::npos) {
            return inner;
        }
        ++*partCreations;
        return std::make_unique<test::FaultyStream>(std::move(inner), full);
    };
    access.dataByteLimit = kMiB;
    DiskRecorder r(access);
    r.prepare(first, 64, 48000);
    r.start(0);
    const std::uint64_t perPart = kMiB / (4 * 64);
    test::captureSignal(r, 64, 0, 3 * perPart);
    ASSERT_TRUE(test::waitUntil([&] { return r.writerFinished(); }));
    EXPECT_TRUE(r.diskError());
    EXPECT_FALSE(r.creationFailed());
    EXPECT_LE(partCreations->load(), 2 * TakeFiles::kPartAttempts);
    EXPECT_EQ(r.writtenFrames(), perPart);
    EXPECT_EQ(r.droppedFrames(), r.capturedFrames() - perPart);
    EXPECT_EQ(r.capturedFrames(), 3 * perPart);
    test::expectSignalFile(first, 64, 0, perPart);
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"mix.wav"});
}

} // namespace
} // namespace quillwave::plugins
