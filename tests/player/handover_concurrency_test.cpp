// The clip hand-over while an audio thread renders: the editor thread installs and collects clips
// as fast as it can, the audio thread plays whatever it gets.
#include "player/file_player.h"
#include "support/heap_probe.h"
#include "tests/player/render_target.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace quillwave::plugins {
namespace {

constexpr std::uint32_t kFrames = 997; // mono: a storage size nothing else allocates
constexpr std::size_t kClipBytes = kFrames * sizeof(float);

// Every sample of clip k is k, so the output names the clip it came from.
AudioClip numberedClip(int k) {
    return AudioClip(1, 48000, SampleVector(kFrames, static_cast<float>(k)));
}

struct AudioThreadReport {
    std::atomic<bool> badSample{false};
    std::atomic<bool> wentBack{false};
    std::atomic<bool> allocated{false};
    std::atomic<long> blocks{0};
};

void runAudioThread(FilePlayer& player, const std::atomic<bool>& stop, AudioThreadReport& report,
                    std::uint32_t blockLength, int clipCount) {
    test::RenderTarget out(2, blockLength);
    std::uint64_t position = 0;
    float newest = 0.0f;
    test::ThreadHeapScope heap;
    while (!stop.load(std::memory_order_acquire)) {
        if (!player.playing()) {
            player.startPlayback(position, 0);
        }
        player.renderPlayback(out.table(), 2, blockLength, 48000.0, position);
        for (std::uint32_t i = 0; i < blockLength; ++i) {
            const float left = out.at(0, i);
            if (left == 0.0f) {
                continue;
            }
            if (left != out.at(1, i) || left != static_cast<float>(static_cast<int>(left)) ||
                left < 1.0f || left > static_cast<float>(clipCount)) {
                report.badSample = true;
            }
            // A newer clip never gives way to an older one.
            if (left < newest) {
                report.wentBack = true;
            }
            newest = left;
        }
        position += blockLength;
        report.blocks.fetch_add(1, std::memory_order_relaxed);
    }
    if (heap.events() != 0) {
        report.allocated = true;
    }
}

class HandoverConcurrency : public ::testing::TestWithParam<std::uint32_t> {
protected:
    HandoverConcurrency() { test::trackBlockSize(kClipBytes); }
    ~HandoverConcurrency() override { test::trackBlockSize(0); }
};

TEST_P(HandoverConcurrency, InstallsWhileRenderingStayBoundedAndLeakNothing) {
    const std::uint32_t blockLength = GetParam();
    constexpr int kClips = 1500;
    {
        FilePlayer player;
        std::atomic<bool> stop{false};
        AudioThreadReport report;
        std::thread audio(runAudioThread, std::ref(player), std::cref(stop), std::ref(report),
                          blockLength, kClips);

        long worstAfterInstall = 0;
        long worstWithDecoded = 0;
        bool latestReadable = true;
        for (int k = 1; k <= kClips; ++k) {
            AudioClip decoded = numberedClip(k); // what a decode would hand over
            worstWithDecoded = std::max(worstWithDecoded, test::trackedBlocksLive());
            player.installClip(std::move(decoded));
            worstAfterInstall = std::max(worstAfterInstall, test::trackedBlocksLive());
            // The editor may read the latest clip until its next install.
            const AudioClip& latest = player.latestClip();
            float sum = 0.0f;
            for (float s : latest.samples) {
                sum += s;
            }
            latestReadable = latestReadable && sum == static_cast<float>(k) * kFrames;
            if (k % 3 == 0) {
                player.collectRetired();
            }
            // Every other clip waits for a block, so that both a taken and an untaken pending
            // clip meet the next install.
            if (k % 2 == 0) {
                const long seen = report.blocks.load();
                while (report.blocks.load() == seen) {
                    std::this_thread::yield();
                }
            }
        }
        // Let the audio thread take the last clip before stopping it.
        while (report.blocks.load() < 4) {
            std::this_thread::yield();
        }
        stop = true;
        audio.join();

        EXPECT_LE(worstWithDecoded, 4) << "three clips plus the one being decoded";
        EXPECT_LE(worstAfterInstall, 3);
        EXPECT_LE(test::trackedBlocksPeak(), 4);
        EXPECT_TRUE(latestReadable);
        EXPECT_FALSE(report.badSample);
        EXPECT_FALSE(report.wentBack);
        EXPECT_FALSE(report.allocated) << "the audio thread touched the heap";
    }
    EXPECT_EQ(test::trackedBlocksLive(), 0) << "a clip outlived its player";
}

INSTANTIATE_TEST_SUITE_P(BlockLengths, HandoverConcurrency, ::testing::Values(1u, 32u, 512u));

TEST(HandoverConcurrency, AnInstallNeverWaitsForAReaderNorFreesTheClipItReads) {
    // A host thread loads a state (possibly on its audio thread) while the editor draws the latest
    // clip, which was never taken by the audio thread: the install replaces it at once, and the
    // clip being read stays alive until the read is over.
    FilePlayer player;
    player.installClip(numberedClip(1));
    std::thread host;
    std::atomic<bool> installed{false};
    player.readLatestClip([&](const AudioClip& clip) {
        host = std::thread([&] {
            player.installClip(numberedClip(2));
            installed = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!installed && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(installed) << "the install waited for the reader";
        float sum = 0.0f;
        for (float s : clip.samples) {
            sum += s;
        }
        EXPECT_EQ(sum, static_cast<float>(kFrames));
    });
    host.join();
    player.readLatestClip([](const AudioClip& clip) { EXPECT_EQ(clip.samples[0], 2.0f); });
    player.collectRetired(); // frees the clip the install left
}

TEST(HandoverStop, StopFromAnotherThreadWhileRendering) {
    FilePlayer player;
    player.installClip(AudioClip(1, 48000, SampleVector(48000 * 10, 0.5f)));
    std::atomic<bool> stop{false};
    std::atomic<bool> restart{false};
    std::atomic<long> rendered{0};  // blocks finished; block n is the n-th to finish
    std::atomic<long> lastSound{0}; // the last block with a sample that is not 0
    std::atomic<bool> badSample{false};
    std::thread audio([&] {
        test::RenderTarget out(1, 64);
        std::uint64_t position = 0;
        while (!stop.load()) {
            if (restart.exchange(false)) {
                player.startPlayback(position, 0);
            }
            player.renderPlayback(out.table(), 1, 64, 48000.0, position);
            position += 64;
            const long block = rendered.load() + 1;
            for (float v : out.channel(0)) {
                badSample = badSample || (v != 0.0f && v != 0.5f);
                if (v != 0.0f) {
                    lastSound = block;
                }
            }
            rendered = block;
        }
    });
    const auto waitFor = [&](auto done) {
        while (!done()) {
            std::this_thread::yield();
        }
    };
    for (int round = 0; round < 300; ++round) {
        const long before = rendered.load();
        restart = true;
        waitFor([&] { return lastSound.load() > before; });
        player.stopPlayback(); // what setProcessing(false) does from the host's thread
        // The block under way may still sound; every block that begins after the stop is silent.
        const long underWay = rendered.load() + 1;
        waitFor([&] { return rendered.load() > underWay + 2; });
        EXPECT_LE(lastSound.load(), underWay) << round;
        EXPECT_FALSE(player.playing()) << round;
    }
    stop = true;
    audio.join();
    EXPECT_FALSE(badSample.load());
}

} // namespace
} // namespace quillwave::plugins
