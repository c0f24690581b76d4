// Preparing destinations: refusals, exclusive creation, and the files an armed take leaves.

#include "platform/path_status.h"
#include "recorder/disk_recorder.h"
#include "recorder/recorder_status.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace quillwave::plugins {
namespace {

using test::TempFolder;

// Runs prepare and returns the message it threw, or "" when it succeeded.
std::string prepareMessage(DiskRecorder& r, const std::u16string& path, std::uint32_t channels = 2,
                           std::uint32_t rate = 48000) {
    try {
        r.prepare(path, channels, rate);
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(Destination, ArmedThenFinishedTakeIsAnEmptyWav) {
    TempFolder dir;
    const auto path = dir.file("empty.wav");
    DiskRecorder r;
    ASSERT_EQ(prepareMessage(r, path, 3, 48000), "");
    EXPECT_TRUE(r.ready());
    EXPECT_TRUE(r.fileCreated());
    EXPECT_TRUE(readRecorderStatus(r, 48000).armed);
    // Armed: the provisional header is already on disk.
    auto w = test::readWav(path);
    EXPECT_EQ(w.fileBytes, 44u);
    EXPECT_EQ(w.riffSize, 36u);

    r.finish();
    r.joinWriter();
    w = test::readWav(path);
    EXPECT_EQ(w.fileBytes, 44u);
    EXPECT_EQ(w.riffSize, 36u);
    EXPECT_EQ(w.dataSize, 0u);
    EXPECT_EQ(w.channels, 3);
    const auto s = readRecorderStatus(r, 48000);
    EXPECT_TRUE(s.finalized);
    EXPECT_FALSE(s.armed);
    EXPECT_EQ(recorderDisplayState(s, true), RecorderDisplayState::Finalized);
    EXPECT_EQ(recorderDisplayState(s, false), RecorderDisplayState::NoDestination);
}

TEST(Destination, NextPrepareClosesTheArmedFile) {
    TempFolder dir;
    DiskRecorder r;
    ASSERT_EQ(prepareMessage(r, dir.file("a.wav")), "");
    ASSERT_EQ(prepareMessage(r, dir.file("b.wav"), 4, 96000), "");
    EXPECT_EQ(test::readWav(dir.file("a.wav")).fileBytes, 44u);
    EXPECT_EQ(r.fileChannels(), 4u);
    EXPECT_EQ(r.fileSampleRate(), 96000u);
    EXPECT_TRUE(r.ready());
}

TEST(Destination, ExistingNamesAreRefusedAndLeftAlone) {
    TempFolder dir;
    const auto existing = dir.file("take.wav");
    test::writeBytes(existing, "precious");
    DiskRecorder r;
    EXPECT_EQ(prepareMessage(r, existing), "Destination exists; choose a new file");
    EXPECT_EQ(prepareMessage(r, dir.path().u16string()), "Destination exists; choose a new file");
    const auto bytes = test::readBytes(existing);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "precious");
    EXPECT_FALSE(r.ready());
    EXPECT_FALSE(r.fileCreated());
}

#if !defined(_WIN32)
TEST(Destination, DanglingLinkOccupiesTheName) {
    TempFolder dir;
    const auto link = dir.file("link.wav");
    std::filesystem::create_symlink(dir.path() / "nowhere.wav", std::filesystem::path(link));
    DiskRecorder r;
    EXPECT_EQ(prepareMessage(r, link), "Destination exists; choose a new file");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "nowhere.wav"));
}

TEST(Destination, FailedExistenceQueryNamesTheOperation) {
    TempFolder dir;
    const auto tooLong = dir.file(std::string(300, 'x') + ".wav");
    DiskRecorder r;
    try {
        r.prepare(tooLong, 2, 48000);
        FAIL() << "prepare accepted an unusable name";
    } catch (const std::filesystem::filesystem_error& e) {
        EXPECT_NE(std::string(e.what()).find("exists"), std::string::npos) << e.what();
    }
}
#endif

TEST(Destination, FileThatAppearsAfterTheCheckIsNeverTouched) {
    TempFolder dir;
    const auto path = dir.file("race.wav");
    RecorderFileAccess access;
    // Someone else creates the file between the existence check and the creation.
    access.open = [](const std::u16string& p) {
        test::writeBytes(p, "theirs");
        return openNewRecordingFile(p);
    };
    DiskRecorder r(access);
    EXPECT_EQ(prepareMessage(r, path), "Cannot create recording file");
    const auto bytes = test::readBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "theirs");
    EXPECT_TRUE(r.diskError());
    EXPECT_TRUE(r.writerFinished());
    EXPECT_FALSE(r.ready());
    EXPECT_EQ(recorderDisplayState(readRecorderStatus(r, 48000), true),
              RecorderDisplayState::DiskError);
}

TEST(Destination, MissingFolderCannotBeCreated) {
    TempFolder dir;
    DiskRecorder r;
    EXPECT_EQ(prepareMessage(r, (dir.path() / "missing" / "take.wav").u16string()),
              "Cannot create recording file");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
    // A path whose folder part is a file.
    test::writeBytes(dir.file("plain"), "");
    EXPECT_EQ(prepareMessage(r, (dir.path() / "plain" / "take.wav").u16string()),
              "Cannot create recording file");
    // A name with an embedded NUL would otherwise create "cut".
    EXPECT_EQ(prepareMessage(r, dir.file("cut") + u'\0' + u"x.wav"),
              "Cannot create recording file");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "cut"));
}

TEST(Destination, FailedFirstHeaderCountsAsCreationFailure) {
    TempFolder dir;
    auto faults = std::make_shared<test::StreamFaults>();
    faults->failFirstHeader = true;
    DiskRecorder r(test::faultyAccess(faults));
    EXPECT_EQ(prepareMessage(r, dir.file("h.wav")), "Cannot create recording file");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "h.wav")); // what was created stays
    EXPECT_FALSE(r.fileCreated());
    // A later good preparation clears the error.
    faults->failFirstHeader = false;
    ASSERT_EQ(prepareMessage(r, dir.file("ok.wav")), "");
    EXPECT_FALSE(r.diskError());
}

TEST(Destination, RingIsSizedPerFormatReusedAndItsLackRefused) {
    TempFolder dir;
    auto allocations = std::make_shared<int>(0);
    auto memoryGone = std::make_shared<bool>(false);
    RecorderFileAccess access;
    access.allocateRing = [=](std::uint64_t samples) -> std::unique_ptr<CaptureRing> {
        ++*allocations;
        return *memoryGone ? nullptr : CaptureRing::allocate(samples);
    };
    DiskRecorder r(access);
    EXPECT_EQ(r.ringSamples(), 0u); // nothing held before the first take
    struct Step {
        std::uint32_t channels, rate;
        bool memoryGone;
        std::uint64_t ringSamples;
        int allocations;
    };
    const Step steps[] = {
        {2, 48000, false, 1u << 21, 1},  // 15 s rounded up: 21.8 s
        {2, 44100, false, 1u << 21, 1},  // same size: reused
        {16, 96000, true, 0, 2},         // 128 MiB not available: refused, nothing held or armed
        {16, 96000, false, 1u << 25, 3}, // 21.8 s
        {64, 384000, false, 1u << 26, 4} // capped at 256 MiB: 2.73 s
    };
    int n = 0;
    for (const Step& step : steps) {
        *memoryGone = step.memoryGone;
        const auto path = dir.file("ring" + std::to_string(n++) + ".wav");
        EXPECT_EQ(prepareMessage(r, path, step.channels, step.rate),
                  step.memoryGone ? "Not enough memory to record this format" : "");
        EXPECT_EQ(r.ready(), !step.memoryGone);
        EXPECT_EQ(std::filesystem::exists(std::filesystem::path(path)), !step.memoryGone);
        EXPECT_EQ(r.ringSamples(), step.ringSamples);
        EXPECT_EQ(*allocations, step.allocations);
    }
}

TEST(Destination, InvalidFormatsAreRefusedBeforeAnythingIsCreated) {
    TempFolder dir;
    const auto path = dir.file("f.wav");
    DiskRecorder r;
    for (auto [channels, rate] :
         {std::pair{0u, 48000u}, {65u, 48000u}, {2u, 7999u}, {2u, 384001u}}) {
        EXPECT_EQ(prepareMessage(r, path, channels, rate), "Invalid recording format");
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path)));
    EXPECT_EQ(prepareMessage(r, path, 64, 384000), "");
    EXPECT_EQ(prepareMessage(r, dir.file("g.wav"), 1, 8000), "");
}

TEST(Destination, RefusedWhileRecording) {
    TempFolder dir;
    DiskRecorder r;
    ASSERT_EQ(prepareMessage(r, dir.file("a.wav")), "");
    r.start(0);
    ASSERT_TRUE(r.recording());
    EXPECT_EQ(prepareMessage(r, dir.file("b.wav")), "Stop recording before choosing destination");
    EXPECT_TRUE(r.recording());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "b.wav"));
}

TEST(Destination, TakeInterruptedMidwayDeclaresAnEmptyDataChunk) {
    // What a crash leaves behind: the header on disk is the provisional one until finalization.
    TempFolder dir;
    const auto path = dir.file("crash.wav");
    DiskRecorder r;
    ASSERT_EQ(prepareMessage(r, path, 2, 48000), "");
    r.start(0);
    test::captureSignal(r, 2, 0, 48000);
    ASSERT_TRUE(test::waitUntil([&] { return r.writtenFrames() == 48000; }));
    ASSERT_TRUE(test::waitUntil([&] { return test::readBytes(path).size() > 44; }));
    const auto midway = test::readWav(path);
    EXPECT_EQ(midway.riffSize, 36u);
    EXPECT_EQ(midway.dataSize, 0u);
    r.finish();
    r.joinWriter();
    test::expectSignalFile(path, 2, 0, 48000);
}

TEST(PathStatus, ReportsWhatOccupiesAName) {
    TempFolder dir;
    EXPECT_EQ(platform::queryPathStatus(dir.file("none.wav")), platform::PathStatus::NotFound);
    EXPECT_EQ(platform::queryPathStatus((dir.path() / "no" / "x.wav").u16string()),
              platform::PathStatus::NotFound);
    EXPECT_EQ(platform::queryPathStatus(dir.path().u16string()), platform::PathStatus::Exists);
    test::writeBytes(dir.file("f"), "");
    EXPECT_EQ(platform::queryPathStatus(dir.file("f")), platform::PathStatus::Exists);
    // An unpaired surrogate cannot name any file.
    EXPECT_EQ(platform::queryPathStatus(dir.file("a") + u'\xD800'), platform::PathStatus::NotFound);
}

} // namespace
} // namespace quillwave::plugins
