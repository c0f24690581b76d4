// Repairing a take whose header was never finalized: only the two size fields change, only
// recorder takes are touched, and a take from a process killed mid-way opens again with every
// whole frame that reached the disk.

#include "recorder/disk_recorder.h"
#include "recorder/take_name.h"
#include "recorder/take_repair.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillwave::plugins {
namespace {

using test::readBytes;
using test::readTake;
using test::TempFolder;
namespace fs = std::filesystem;

float sampleAt(std::uint64_t frame, std::uint32_t channel) {
    return static_cast<float>((frame * 3 + channel) % 1000) / 1000.0f - 0.5f;
}

// A take in the recorder's layout whose header declares declaredFrames, holding presentFrames
// and extraBytes of a partial frame.
void writeTake(const fs::path& path, std::uint32_t channels, std::uint64_t declaredFrames,
               std::uint64_t presentFrames, int extraBytes) {
    std::vector<float> samples;
    for (std::uint64_t f = 0; f < presentFrames; ++f) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            samples.push_back(sampleAt(f, c));
        }
    }
    test::writeFloatWav(path, static_cast<std::uint16_t>(channels), 48000, samples);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const auto data = static_cast<std::uint32_t>(declaredFrames * 4 * channels);
    const std::uint32_t riff = data + 36;
    file.seekp(4);
    file.write(reinterpret_cast<const char*>(&riff), 4);
    file.seekp(40);
    file.write(reinterpret_cast<const char*>(&data), 4);
    file.seekp(0, std::ios::end);
    for (int i = 0; i < extraBytes; ++i) {
        file.put('\x7f');
    }
}

TEST(TakeRepair, RewritesOnlyTheSizeFieldsFromTheWholeFramesPresent) {
    TempFolder folder;
    const auto path = folder / "cut.wav";
    writeTake(path, 3, 0, 1000, 7);
    const std::vector<unsigned char> before = readBytes(path);

    const TakeRepair result = repairTake(path);
    EXPECT_EQ(result.outcome, TakeRepair::Outcome::Repaired) << result.message;
    EXPECT_EQ(result.dataBytes, 1000u * 12);
    const std::vector<unsigned char> after = readBytes(path);
    ASSERT_EQ(after.size(), before.size()); // never grown or cut
    for (std::size_t i = 0; i < after.size(); ++i) {
        if ((i < 4 || i >= 8) && (i < 40 || i >= 44)) {
            ASSERT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
    const test::WavTake take = readTake(path);
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.frames(), 1000u);
    EXPECT_EQ(take.riffSize, 12000u + 36);
    EXPECT_EQ(take.at(999, 2), sampleAt(999, 2));

    EXPECT_EQ(repairTake(path).outcome, TakeRepair::Outcome::Intact);
    EXPECT_EQ(readBytes(path), after);
}

TEST(TakeRepair, ATruncatedFinalizedTakeShrinksToWhatIsLeft) {
    TempFolder folder;
    const auto path = folder / "short.wav";
    writeTake(path, 2, 5000, 3000, 0);
    EXPECT_EQ(repairTake(path).outcome, TakeRepair::Outcome::Repaired);
    EXPECT_EQ(readTake(path).frames(), 3000u);
}

TEST(TakeRepair, RefusesEverythingThatIsNotARecorderTake) {
    TempFolder folder;
    const auto pcm = folder / "pcm.wav";
    writeTake(pcm, 2, 0, 10, 0);
    {
        std::fstream f(pcm, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(20);
        f.put(1); // PCM, not IEEE float
    }
    const auto tiny = folder / "tiny.wav";
    std::ofstream(tiny) << "RIFF";
    const auto wide = folder / "wide.wav";
    writeTake(wide, 2, 0, 10, 0);
    {
        std::fstream f(wide, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(22);
        f.put(65); // 65 channels
    }
    for (const fs::path& p : {pcm, tiny, wide}) {
        const std::vector<unsigned char> before = readBytes(p);
        EXPECT_EQ(repairTake(p).outcome, TakeRepair::Outcome::NotATake) << p;
        EXPECT_EQ(readBytes(p), before);
    }
    EXPECT_EQ(repairTake(folder / "missing.wav").outcome, TakeRepair::Outcome::Unreadable);
}

#ifndef _WIN32
// Records a stereo take into path from a child process (files of at most dataByteLimit bytes of
// audio) and kills the child once killNow() holds.
void recordUntilKilled(const fs::path& path, std::uint64_t dataByteLimit,
                       const std::function<bool()>& killNow) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The recording process: records until it is killed.
        RecorderFileAccess access;
        access.dataByteLimit = dataByteLimit;
        DiskRecorder recorder(access);
        try {
            recorder.prepare(test::u16path(path), 2, 48000);
        } catch (...) {
            _exit(3);
        }
        recorder.start(0);
        std::vector<float> left(512), right(512);
        for (std::uint64_t block = 0;; ++block) {
            for (std::uint64_t i = 0; i < 512; ++i) {
                left[i] = sampleAt(block * 512 + i, 0);
                right[i] = sampleAt(block * 512 + i, 1);
            }
            const float* channels[] = {left.data(), right.data()};
            recorder.capture(channels, 2, 512, block * 512);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }
    for (int i = 0; i < 4000 && !killNow(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
}

std::uintmax_t sizeOf(const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

TEST(TakeRepair, ATakeFromAKilledProcessOpensAgain) {
    TempFolder folder;
    const auto path = folder / "killed.wav";
    // Kill it once a good part of a take is on disk.
    recordUntilKilled(path, kMaxDataBytes, [&] { return sizeOf(path) > 400000; });

    const test::WavTake cut = readTake(path);
    EXPECT_EQ(cut.riffSize, 36u); // the header never got its final sizes
    EXPECT_EQ(cut.dataSize, 0u);

    const TakeRepair result = repairTake(path);
    ASSERT_EQ(result.outcome, TakeRepair::Outcome::Repaired) << result.message;
    const test::WavTake take = readTake(path);
    ASSERT_TRUE(take.valid);
    EXPECT_GT(take.frames(), 40000u);
    EXPECT_EQ(take.frames(), (fs::file_size(path) - 44) / 8);
    for (std::uint64_t f = 0; f < take.frames(); ++f) {
        ASSERT_EQ(take.at(f, 0), sampleAt(f, 0)) << f;
        ASSERT_EQ(take.at(f, 1), sampleAt(f, 1)) << f;
    }
}

TEST(TakeRepair, EveryPartOfALongTakeFromAKilledProcessOpens) {
    TempFolder folder;
    const auto path = folder / "long.wav";
    const auto part = [&](std::uint32_t n) { return fs::path(partName(test::u16path(path), n)); };
    // 20,000 stereo frames a file; killed while the third file is written.
    recordUntilKilled(path, 20000 * 8, [&] { return sizeOf(part(3)) > 80000; });

    std::uint64_t frame = 0;
    for (std::uint32_t n = 1; n <= 4; ++n) {
        const fs::path file = n == 1 ? path : part(n);
        if (n == 4 && !fs::exists(file)) {
            break; // the part created ahead, if the kill came before it
        }
        const TakeRepair result = repairTake(file);
        // The full files were finalized; the one being written gets its sizes now.
        EXPECT_EQ(result.outcome,
                  n == 3 ? TakeRepair::Outcome::Repaired : TakeRepair::Outcome::Intact)
            << result.message;
        const test::WavTake take = readTake(file);
        ASSERT_TRUE(take.valid);
        EXPECT_EQ(take.frames(), n < 3 ? 20000u : (fs::file_size(file) - 44) / 8);
        for (std::uint64_t f = 0; f < take.frames(); ++f, ++frame) {
            ASSERT_EQ(take.at(f, 0), sampleAt(frame, 0)) << n << ": " << f;
            ASSERT_EQ(take.at(f, 1), sampleAt(frame, 1)) << n << ": " << f;
        }
    }
    EXPECT_GT(frame, 50000u);
}
#endif

} // namespace
} // namespace quillwave::plugins
