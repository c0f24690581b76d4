// Time-stamped takes are Broadcast WAV files: a bext chunk before "fmt " whose TimeReference is the
// host's project time of each file's first frame; the audio after it is the take, bit for bit.

#include "player/wav_reader.h"
#include "recorder/disk_recorder.h"
#include "recorder/take_files.h"
#include "recorder/take_name.h"
#include "recorder/take_repair.h"

#include "recorder_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>

#ifdef QUILLWAVE_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace quillwave::plugins {
namespace {

using test::TempFolder;
using test::u32At;

constexpr std::size_t kBext = 20;  // the bext payload, after RIFF, WAVE and the chunk header
constexpr std::size_t kFmt = 624;  // "fmt " after the bext chunk
constexpr std::size_t kData = 656; // the samples

std::string textAt(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t width) {
    std::string text(b.begin() + at, b.begin() + at + width);
    return text.substr(0, text.find('\0'));
}

std::uint64_t timeReferenceOf(const std::vector<std::uint8_t>& b) {
    return u32At(b, kBext + 338) | std::uint64_t{u32At(b, kBext + 342)} << 32;
}

// The local "yyyy-mm-dd hh-mm-ss" of every second from `from` to `to`.
std::vector<std::string> localSeconds(std::time_t from, std::time_t to) {
    std::vector<std::string> texts;
    for (std::time_t t = from; t <= to; ++t) {
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H-%M-%S", std::localtime(&t));
        texts.emplace_back(text);
    }
    return texts;
}

// Checks the chunk layout, the sizes and the bext fields of a finished file of `frames` stereo
// frames of the test signal from `firstFrame` on.
void expectBroadcastTake(const std::u16string& path, std::uint64_t frames, std::uint64_t firstFrame,
                         std::uint64_t timeReference) {
    const auto b = test::readBytes(path);
    ASSERT_EQ(b.size(), kData + frames * 8);
    EXPECT_EQ(textAt(b, 0, 4), "RIFF");
    EXPECT_EQ(u32At(b, 4), b.size() - 8);
    EXPECT_EQ(textAt(b, 8, 8), "WAVEbext");
    EXPECT_EQ(u32At(b, 16), 604u);
    EXPECT_EQ(textAt(b, kBext + 256, 32), "Quillwave Recorder");
    EXPECT_EQ(timeReferenceOf(b), timeReference);
    EXPECT_EQ(test::u16At(b, kBext + 346), 1); // version
    for (std::size_t i = kBext + 348; i < kFmt; ++i) {
        ASSERT_EQ(b[i], 0) << "UMID, loudness, reserved and coding history are empty: " << i;
    }
    EXPECT_EQ(textAt(b, kFmt, 4), "fmt ");
    EXPECT_EQ(u32At(b, kFmt + 4), 16u);
    EXPECT_EQ(test::u16At(b, kFmt + 8), 3);
    EXPECT_EQ(test::u16At(b, kFmt + 10), 2);
    EXPECT_EQ(textAt(b, kFmt + 24, 4), "data");
    EXPECT_EQ(u32At(b, kFmt + 28), frames * 8);
    for (std::uint64_t f = 0; f < frames; ++f) {
        for (std::uint32_t c = 0; c < 2; ++c) {
            float x = 0;
            std::memcpy(&x, &b[kData + (f * 2 + c) * 4], 4);
            ASSERT_EQ(x, test::signal(firstFrame + f, c)) << f;
        }
    }
    EXPECT_EQ(repairTake(test::fs::path(path)).outcome, TakeRepair::Outcome::Intact);
}

#ifdef QUILLWAVE_HAVE_SNDFILE
void expectSndfileReads(const std::u16string& path, std::uint64_t frames,
                        std::uint64_t timeReference) {
    SF_INFO info{};
    SNDFILE* file = sf_open(test::fs::path(path).string().c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.frames, static_cast<sf_count_t>(frames));
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    SF_BROADCAST_INFO bext{};
    EXPECT_EQ(sf_command(file, SFC_GET_BROADCAST_INFO, &bext, sizeof bext), SF_TRUE);
    EXPECT_EQ(bext.time_reference_low | std::uint64_t{bext.time_reference_high} << 32,
              timeReference);
    sf_close(file);
}
#endif

// Arms a stereo time-stamped take at path and starts it at position, at projectTime.
void startStampedTake(DiskRecorder& r, const std::u16string& path, std::uint64_t position,
                      std::int64_t projectTime) {
    r.setTimeStampedTakes(true);
    r.prepare(path, 2, 48000);
    r.start(position, {projectTime, true});
}

struct StampCase {
    const char* name;
    bool createdTimeStamped; // else the file is created plain and stamped when the take starts
    std::int64_t projectTime;
    const char* description;
};

void PrintTo(const StampCase& c, std::ostream* os) {
    *os << c.name;
}

class TimeStampedTake : public ::testing::TestWithParam<StampCase> {};

TEST_P(TimeStampedTake, BextFieldsAtTheirOffsetsAndTheAudioBitExact) {
    const StampCase& p = GetParam();
    TempFolder dir;
    const auto path = dir.file("take.wav");
    DiskRecorder r;
    r.setTimeStampedTakes(p.createdTimeStamped);
    const std::time_t before = std::time(nullptr);
    r.prepare(path, 2, 48000);
    r.start(1000, {p.projectTime, true});
    test::captureSignal(r, 2, 0, 1000 + 30000);
    r.finish();
    r.joinWriter();
    const std::time_t after = std::time(nullptr);

    const std::uint64_t reference = p.projectTime < 0 ? 0 : p.projectTime;
    expectBroadcastTake(path, 30000, 1000, reference);
    const auto b = test::readBytes(path);
    EXPECT_EQ(textAt(b, kBext, 256), p.description);
    const std::string origination = textAt(b, kBext + 320, 10) + " " + textAt(b, kBext + 330, 8);
    EXPECT_THAT(localSeconds(before - 1, after), ::testing::Contains(origination));

    // The module's own reader (and so the player) reads the file past its bext chunk.
    const AudioClip clip = decodeWavFile(path, kPreloadLimitBytes);
    ASSERT_EQ(clip.samples.size(), 60000u);
    EXPECT_EQ(clip.samples[0], test::signal(1000, 0));
    EXPECT_EQ(clip.samples[59999], test::signal(1000 + 29999, 1));
#ifdef QUILLWAVE_HAVE_SNDFILE
    expectSndfileReads(path, 30000, reference);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Starts, TimeStampedTake,
    ::testing::Values(StampCase{"AtProjectTime480000", true, 480000,
                                "A take recorded by Quillwave Recorder. TimeReference is the "
                                "host's project time of its first frame."},
                      StampCase{"WithoutProjectTimeInAFileCreatedPlain", false,
                                TakeStart::kNoProjectTime,
                                "A take recorded by Quillwave Recorder. The host gave no project "
                                "time, so TimeReference 0 is not its position."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeStampedTakeStart, ALaterStartMovesTheStampOnlyWhileNoFrameWasCaptured) {
    TempFolder dir;
    const auto path = dir.file("moved.wav");
    DiskRecorder r;
    startStampedTake(r, path, 0, 1000);
    r.start(100, {1100, true}); // nothing captured yet: the take begins here
    test::captureSignal(r, 2, 0, 600);
    r.start(600, {5000, true}); // during the take: it goes on from its first frame
    test::captureSignal(r, 2, 600, 400);
    r.finish();
    r.joinWriter();
    expectBroadcastTake(path, 900, 100, 1100);
}

TEST(TimeStampedTakeParts, EachPartCarriesTheProjectTimeOfItsOwnFirstFrame) {
    TempFolder dir;
    const auto first = dir.file("long.wav");
    RecorderFileAccess access;
    access.dataByteLimit = 8192 * 8; // 8192 stereo frames a file
    DiskRecorder r(access);
    startStampedTake(r, first, 0, 480000);
    test::captureSignal(r, 2, 0, 2 * 8192 + 500);
    r.finish();
    r.joinWriter();

    expectBroadcastTake(first, 8192, 0, 480000);
    expectBroadcastTake(partName(first, 2), 8192, 8192, 480000 + 8192);
    expectBroadcastTake(partName(first, 3), 500, 2 * 8192, 480000 + 2 * 8192);
    const auto third = test::readBytes(partName(first, 3));
    EXPECT_EQ(textAt(third, kBext, 256).substr(0, 17), "Part 3 of a take ");
}

TEST(TimeStampedTakeRepair, ATakeCutOffMidWayIsStampedAndRepairsToItsFrames) {
    TempFolder dir;
    const auto path = dir.file("cut.wav");
    DiskRecorder r;
    startStampedTake(r, path, 0, 480000);
    test::captureSignal(r, 2, 0, 20000);
    ASSERT_TRUE(test::waitForDrain(r));
    // What a crash would leave now: the stamped provisional header and the audio on disk so far.
    const auto cut = dir.path() / "copy.wav";
    const auto onDisk = test::readBytes(path); // read as another program may, while it is written
    test::writeBytes(cut.u16string(), std::string(onDisk.begin(), onDisk.end()));
    r.finish();
    r.joinWriter();

    auto b = test::readBytes(cut.u16string());
    ASSERT_GE(b.size(), kData);
    EXPECT_EQ(timeReferenceOf(b), 480000u);
    EXPECT_EQ(u32At(b, 4), kData - 8);
    EXPECT_EQ(u32At(b, kFmt + 28), 0u);
    const TakeRepair repaired = repairTake(cut);
    ASSERT_EQ(repaired.outcome, TakeRepair::Outcome::Repaired) << repaired.message;
    const std::uint64_t frames = (b.size() - kData) / 8;
    EXPECT_EQ(repaired.dataBytes, frames * 8);
    const auto after = test::readBytes(cut.u16string());
    ASSERT_EQ(after.size(), b.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i < 4 || (i >= 8 && i < kFmt + 28) || i >= kFmt + 32) {
            ASSERT_EQ(after[i], b[i]) << "only the two sizes change: " << i;
        }
    }
    EXPECT_EQ(u32At(after, 4), kData - 8 + frames * 8);
    EXPECT_EQ(decodeWavFile(cut.u16string(), kPreloadLimitBytes).samples.size(), frames * 2);
}

TEST(TimeStampedTakeLimit, TheFourGibibyteLimitCountsTheLargerHeader) {
    TempFolder dir;
    // The largest data chunk whose RIFF size, which counts the bext chunk, still fits 32 bits.
    const std::uint64_t stampedLimit = sampleLimit(2, 0xFFFFFFFFull - (656 - 8));
    ASSERT_LT(stampedLimit, sampleLimit(2));
    TakeFiles stamped(openNewRecordingFile, dir.file("a.wav"), 2, 48000, sampleLimit(2),
                      TakeFileOptions{.timeStamped = true});
    EXPECT_EQ(stamped.room(), stampedLimit);
    // A file created plain that becomes time-stamped as its take starts loses the same room.
    TakeFiles plain(openNewRecordingFile, dir.file("b.wav"), 2, 48000, sampleLimit(2));
    ASSERT_EQ(plain.createFirst(), TakeFiles::Creation::Created);
    EXPECT_EQ(plain.room(), sampleLimit(2));
    plain.stampTake({}, true);
    EXPECT_EQ(plain.room(), stampedLimit);
    ASSERT_TRUE(plain.finalize());
}

} // namespace
} // namespace quillwave::plugins
