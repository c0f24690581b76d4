// The audio thread, the writer and the editor at once, as in a host. Also run under
// ThreadSanitizer (label "concurrency").

#include "dsp/input_meters.h"
#include "dsp/meter_snapshot.h"
#include "recorder/disk_recorder.h"
#include "recorder/recorder_status.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace quillwave::plugins {
namespace {

using test::TempFolder;

TEST(Concurrency, CaptureWriterSnapshotsAndFinishAtARandomMoment) {
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 4; ++round) {
        TempFolder dir;
        const auto path = dir.file("race.wav");
        constexpr std::uint32_t kChannels = 6;
        constexpr std::uint32_t kFrames = 256;
        DiskRecorder recorder;
        InputMeters meters;
        recorder.prepare(path, kChannels, 48000);
        recorder.start(0);

        std::atomic<bool> audioDone{false};
        std::atomic<std::uint64_t> blocks{0};
        std::thread audio([&] {
            test::Block block(kChannels, kFrames);
            std::vector<float> constant(kFrames);
            const float* const planes[kChannels] = {constant.data(), constant.data(),
                                                    constant.data(), constant.data(),
                                                    constant.data(), constant.data()};
            std::uint64_t position = 0;
            for (std::uint64_t b = 0; recorder.recording() || b < 50; ++b) {
                // Paced like a real-time source: never outruns the writer, so nothing is dropped.
                while (recorder.writeIndex() - recorder.readIndex() > recorder.ringSamples() / 2) {
                    std::this_thread::yield();
                }
                block.fillSignal(position);
                recorder.capture(block.pointers(), kChannels, kFrames, position);
                // Meter values that name the block on every channel: a torn copy would mix two.
                std::fill(constant.begin(), constant.end(), static_cast<float>(b + 1));
                updateInputMeters<float>(meters, planes, kChannels, 0, true, kFrames, 48000.0);
                position += kFrames;
                blocks = b + 1;
            }
            audioDone = true;
        });
        std::atomic<std::uint64_t> consistentReads{0};
        std::thread editor([&] {
            while (!audioDone) {
                const MeterSnapshot s = readMeterSnapshot(meters, recorder, 48000.0);
                if (s.meteredChannels == 0) {
                    continue; // nothing stable yet, or four failed attempts
                }
                ASSERT_EQ(s.meteredChannels, kChannels);
                for (std::uint32_t c = 0; c < kChannels; ++c) {
                    ASSERT_EQ(s.peak[c], s.peak[0]) << "mixed blocks in one snapshot";
                    ASSERT_EQ(s.rms[c], s.peak[0]) << "mixed blocks in one snapshot";
                    ASSERT_EQ(s.clip[c], 1);
                }
                ASSERT_EQ(s.peak[kChannels], 0.0f);
                ++consistentReads;
            }
        });

        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 200));
        recorder.finish();
        recorder.joinWriter();
        audio.join();
        editor.join();

        EXPECT_GT(consistentReads.load(), 0u);
        EXPECT_EQ(recorder.droppedFrames(), 0u);
        EXPECT_FALSE(recorder.diskError());
        const std::uint64_t frames = recorder.capturedFrames();
        EXPECT_EQ(recorder.writtenFrames(), frames);
        EXPECT_GT(frames, 0u);
        test::expectSignalFile(path, kChannels, 0, frames);
        EXPECT_EQ(test::readWav(path).dataSize, 4 * recorder.writtenFrames() * kChannels);
    }
}

TEST(Concurrency, StartRacingFinishNeverLeavesTheTakeRecording) {
    // A host thread's finish lands inside start, between its test of the flags and its store.
    TempFolder dir;
    DiskRecorder* recorder = nullptr;
    RecorderRaceHooks hooks;
    hooks.startTested = [&] { std::thread([&] { recorder->finish(); }).join(); };
    DiskRecorder racing(RecorderFileAccess{}, hooks);
    recorder = &racing;
    racing.prepare(dir.file("start.wav"), 1, 48000);
    racing.start(0);
    EXPECT_TRUE(racing.captureComplete());
    EXPECT_FALSE(racing.recording());
    racing.joinWriter();
}

TEST(Concurrency, StartInsideItsTestWhileANewDestinationIsArmedRecordsIntoTheNewOne) {
    // A host thread arms another destination while start is held between finding a take armed
    // and claiming it: the newest destination wins, and the run records into it whole.
    TempFolder dir;
    DiskRecorder* recorder = nullptr;
    bool once = true;
    RecorderRaceHooks hooks;
    hooks.startTested = [&] {
        if (std::exchange(once, false)) {
            std::thread([&] { recorder->prepare(dir.file("b.wav"), 1, 48000); }).join();
        }
    };
    DiskRecorder racing(RecorderFileAccess{}, hooks);
    recorder = &racing;
    racing.prepare(dir.file("a.wav"), 1, 48000);
    racing.start(0);
    EXPECT_TRUE(racing.recording());
    test::captureSignal(racing, 1, 0, 300);
    racing.joinWriter();
    test::expectSignalFile(dir.file("b.wav"), 1, 0, 300);
    EXPECT_EQ(test::readWav(dir.file("a.wav")).fileBytes, 44u); // closed as an empty take
}

TEST(Concurrency, PreRecordedTakesBackToBackWhileTheWriterWritesThePreviousOne) {
    // New take every run with pre-record: the audio thread keeps input for the next take in the
    // ring while the writer still writes the one before. Each take keeps all of the input since
    // the previous one ended, so the takes together are the input from its first frame on.
    TempFolder dir;
    DiskRecorder r;
    r.setNewTakeEveryRun(true);
    r.setPreRecordSeconds(0.1); // 4800 frames, more than any gap here
    r.prepare(dir.file("race.wav"), 2, 48000);
    std::uint64_t position = test::captureSignal(r, 2, 0, 1000, 128);
    std::vector<std::uint64_t> ends;
    for (int t = 0; t < 12; ++t) {
        r.start(position);
        position = test::captureSignal(r, 2, position, 3000 + 100 * t, 128);
        r.beginTail(position, 10.0, 0.01, -120.0);
        ends.push_back(position + 480); // the tail's last frame is the 480th
        position = test::captureSignal(r, 2, position, 480 + 1000, 128);
    }
    r.finish();
    r.joinWriter();
    std::uint64_t from = 0;
    for (std::size_t t = 0; t < ends.size(); ++t) {
        const std::string name = t == 0 ? "race.wav" : "race-take" + std::to_string(t) + ".wav";
        SCOPED_TRACE(name);
        test::expectSignalFile(dir.file(name), 2, from, ends[t]);
        from = ends[t];
    }
    EXPECT_EQ(r.droppedFrames(), 0u);
}

// A mono take at 48 kHz whose audio thread is held inside its second capture, with the take's
// ring in hand, when the disk fails: the writer fails the take and waits for the held block,
// whose frames are counted as dropped. Then a host
// thread prepares the next destination while the capture is still held.
class CaptureHeldAtADiskFailure : public ::testing::Test {
protected:
    void SetUp() override {
        recorder.prepare(dir.file("mono.wav"), 1, 48000);
        recorder.start(0);
        faults->stall = true; // the writer waits in its first sample write
        audio = std::thread([&] {
            test::Block block(1, 63);
            recorder.capture(block.fillSignal(0).pointers(), 1, 63, 0);
            recorder.capture(block.fillSignal(63).pointers(), 1, 63, 63);
        });
        ASSERT_TRUE(test::waitUntil([&] { return held.load(); }));
        faults->dataBudget = 0; // disk full
        faults->stall = false;
        ASSERT_TRUE(test::waitUntil([&] { return recorder.diskError(); }));
        faults->dataBudget = -1; // room again for the next file
    }
    // Prepares the next file on a host thread; true when prepare returned while the capture was
    // still held.
    bool prepareWhileHeld(const std::string& name, std::uint32_t channels, std::uint32_t rate) {
        std::atomic<bool> prepared{false};
        std::thread host([&] {
            recorder.prepare(dir.file(name), channels, rate);
            prepared = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const bool early = prepared;
        release = true;
        audio.join();
        host.join();
        return early;
    }
    void TearDown() override {
        release = true;
        if (audio.joinable()) {
            audio.join();
        }
    }

    TempFolder dir;
    std::shared_ptr<test::StreamFaults> faults = std::make_shared<test::StreamFaults>();
    std::atomic<int> captures{0};
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    DiskRecorder recorder{test::faultyAccess(faults), [this] {
                              RecorderRaceHooks hooks;
                              hooks.captureHoldsRing = [this] {
                                  if (++captures == 2) {
                                      held = true;
                                      test::waitUntil([&] { return release.load(); });
                                  }
                              };
                              return hooks;
                          }()};
    std::thread audio;
};

TEST_F(CaptureHeldAtADiskFailure, ARingIsNeverFreedUnderIt) {
    // The next format needs a larger ring: the old one must outlive the capture.
    EXPECT_FALSE(prepareWhileHeld("large.wav", 8, 96000))
        << "the ring was replaced while a capture still held it";
    EXPECT_EQ(recorder.ringSamples(), CaptureRing::samplesFor(8, 96000));
}

TEST_F(CaptureHeldAtADiskFailure, AReusedRingNeverCarriesItIntoTheNewFile) {
    // The next format needs a ring of the same size (stereo at 32 kHz), so the ring is reused:
    // the capture still running with the old channel count must be out before the indices are
    // reset, or its frames and its writeIndex land in the new file.
    prepareWhileHeld("stereo.wav", 2, 32000);
    ASSERT_EQ(recorder.ringSamples(), CaptureRing::samplesFor(1, 48000));
    recorder.start(0);
    test::captureSignal(recorder, 2, 0, 1000);
    recorder.joinWriter();
    test::expectSignalFile(dir.file("stereo.wav"), 2, 0, 1000);
}

TEST(Concurrency, MeterSnapshotsUnderAContinuousWriter) {
    InputMeters meters;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> blocks{0};
    std::thread audio([&] {
        std::vector<double> samples(64);
        const double* planes[64];
        for (auto& p : planes) {
            p = samples.data();
        }
        for (std::uint64_t b = 0; !stop; ++b) {
            std::fill(samples.begin(), samples.end(), static_cast<double>(b % 100000 + 1));
            updateInputMeters<double>(meters, planes, 64, 0, true, 64, 48000.0);
            if (b % 1000 == 999) {
                resetInputMeters(meters);
            }
            blocks = b + 1;
            // Like a block period, short: the reader meets the writer often, but not always.
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(5);
            while (std::chrono::steady_clock::now() < until) {
            }
        }
    });
    int stable = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((stable < 1000 || blocks < 5000) && std::chrono::steady_clock::now() < deadline) {
        const MeterSnapshot s = readMeterSnapshot(meters);
        if (s.meteredChannels == 0) {
            continue;
        }
        ++stable;
        for (int c = 0; c < 64; ++c) {
            ASSERT_EQ(s.rms[c], s.rms[0]);
            ASSERT_EQ(s.peak[c], s.peak[0]);
        }
    }
    stop = true;
    audio.join();
    EXPECT_GE(stable, 1000);
}

} // namespace
} // namespace quillwave::plugins
