// Installing, starting, stopping and rendering on one thread, with the heap watched.
#include "player/file_player.h"
#include "player/wav_reader.h"
#include "support/heap_probe.h"
#include "tests/player/render_target.h"
#include "tests/player/sample_values.h"
#include "tests/player/temp_folder.h"
#include "tests/player/wav_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>

namespace quillwave::plugins {
namespace {

using test::RenderTarget;

// Frame f, channel c holds (f + 1) + c / 10: never silent, and both indices are readable.
AudioClip rampClip(std::uint32_t channels, std::uint32_t rateHz, std::uint32_t frames) {
    SampleVector samples;
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            samples.push_back(static_cast<float>(f + 1) + static_cast<float>(c) / 10.0f);
        }
    }
    return AudioClip(channels, rateHz, std::move(samples));
}

float ramp(std::uint32_t frame, std::uint32_t channel) {
    return static_cast<float>(frame + 1) + static_cast<float>(channel) / 10.0f;
}

std::string installOutcome(FilePlayer& player, AudioClip&& clip) {
    try {
        player.installClip(std::move(clip));
        return "installed";
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

TEST(FilePlayerState, StartsEmptyAndStopped) {
    FilePlayer player;
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.frameCount(), 0u);
    EXPECT_EQ(player.anchorPosition(), 0u);
    EXPECT_EQ(player.anchorFrame(), 0u);
    EXPECT_EQ(player.endPosition(), FilePlayer::kNoEnd);
    EXPECT_EQ(player.latestClip().channels, 0u);
    EXPECT_TRUE(player.latestClip().samples.empty());
}

TEST(FilePlayerState, InvalidClipsAreRefusedAndChangeNothing) {
    FilePlayer player;
    player.installClip(rampClip(1, 48000, 4));
    const AudioClip* latest = &player.latestClip();

    AudioClip noChannels(0, 48000, {1.0f});
    AudioClip noRate(2, 0, {1.0f, 2.0f});
    AudioClip partialFrame(2, 48000, {1.0f, 2.0f, 3.0f});
    for (AudioClip* clip : {&noChannels, &noRate, &partialFrame}) {
        const std::size_t size = clip->samples.size();
        EXPECT_EQ(installOutcome(player, std::move(*clip)), "Invalid audio data");
        EXPECT_EQ(clip->samples.size(), size) << "the caller keeps a refused clip";
    }
    EXPECT_EQ(&player.latestClip(), latest);
    EXPECT_EQ(player.frameCount(), 4u);
}

TEST(FilePlayerState, InstallPublishesAndEmptiesTheCallersClip) {
    FilePlayer player;
    AudioClip clip = rampClip(2, 44100, 10);
    const float* storage = clip.samples.data();
    player.installClip(std::move(clip));
    EXPECT_EQ(clip.channels, 0u);
    EXPECT_TRUE(clip.samples.empty());
    EXPECT_EQ(player.frameCount(), 10u);
    EXPECT_EQ(player.latestClip().channels, 2u);
    EXPECT_EQ(player.latestClip().sampleRateHz, 44100u);
    EXPECT_EQ(player.latestClip().samples.data(), storage) << "moved, not copied";

    // A clip without frames is valid and leaves the player empty.
    player.installClip(AudioClip(1, 8000, {}));
    EXPECT_EQ(player.frameCount(), 0u);
}

TEST(FilePlayerState, InstallStopsPlayback) {
    FilePlayer player;
    player.installClip(rampClip(1, 48000, 100));
    RenderTarget out(1, 8);
    player.renderPlayback(out.table(), 1, 8, 48000.0, 0);
    player.startPlayback(0, 0);
    ASSERT_TRUE(player.playing());
    player.installClip(rampClip(1, 48000, 100));
    EXPECT_FALSE(player.playing());
}

TEST(FilePlayerState, StartWithoutClipStaysStoppedAtThePosition) {
    FilePlayer player;
    player.startPlayback(777, 0);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.endPosition(), 777u);
    EXPECT_EQ(player.anchorPosition(), 777u);
    EXPECT_EQ(player.anchorFrame(), 0u);

    RenderTarget out(2, 16);
    player.renderPlayback(out.table(), 2, 16, 48000.0, 777);
    EXPECT_EQ(out.channel(0), std::vector<float>(16, 0.0f));
    EXPECT_FALSE(player.playing());
}

TEST(FilePlayerState, StartAndStop) {
    FilePlayer player;
    player.installClip(rampClip(1, 48000, 50));
    player.startPlayback(1000, 20);
    EXPECT_TRUE(player.playing());
    EXPECT_EQ(player.anchorPosition(), 1000u);
    EXPECT_EQ(player.anchorFrame(), 20u);
    EXPECT_EQ(player.endPosition(), FilePlayer::kNoEnd);

    player.stopPlayback();
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.anchorPosition(), 1000u);
    EXPECT_EQ(player.anchorFrame(), 20u);

    // Past the end: stopped, anchored at the end, ended where it started.
    player.startPlayback(5000, 50);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.anchorFrame(), 50u);
    EXPECT_EQ(player.endPosition(), 5000u);
    player.startPlayback(6000, std::numeric_limits<std::uint64_t>::max());
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.anchorFrame(), 50u);
}

// --- Rendering ----------------------------------------------------------------------------------

TEST(FilePlayerRender, SameRatePlaysEveryFrameFromTheStartPosition) {
    FilePlayer player;
    player.installClip(rampClip(1, 48000, 20));
    player.startPlayback(105, 0);
    RenderTarget out(1, 10);
    player.renderPlayback(out.table(), 1, 10, 48000.0, 100);
    for (std::uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(out.at(0, i), 0.0f) << "before the start";
    }
    for (std::uint32_t i = 5; i < 10; ++i) {
        EXPECT_EQ(out.at(0, i), ramp(i - 5, 0));
    }
    EXPECT_TRUE(player.playing());
}

TEST(FilePlayerRender, ResultDoesNotDependOnHowTheBlockIsCut) {
    auto render = [](std::initializer_list<std::uint32_t> cuts) {
        FilePlayer player;
        player.installClip(rampClip(2, 44100, 300));
        player.startPlayback(3, 7);
        std::vector<float> left;
        std::uint64_t position = 0;
        for (std::uint32_t length : cuts) {
            RenderTarget out(2, length);
            player.renderPlayback(out.table(), 2, length, 48000.0, position);
            left.insert(left.end(), out.channel(0).begin(), out.channel(0).end());
            position += length;
        }
        return left;
    };
    const auto whole = render({400});
    EXPECT_EQ(render({1, 2, 97, 100, 200}), whole);
    EXPECT_EQ(render({133, 133, 134}), whole);
}

TEST(FilePlayer44100On48000, ExactlyTheFramesInsideTheFileSound) {
    constexpr std::uint32_t kFrames = 1000;
    constexpr std::uint64_t kStart = 5'000'000'000ULL; // long into a session
    FilePlayer player;
    player.installClip(rampClip(1, 44100, kFrames));
    player.startPlayback(kStart, 0);

    std::uint64_t sounding = 0;
    while (static_cast<double>(sounding) * (44100.0 / 48000.0) < kFrames) {
        ++sounding;
    }
    ASSERT_EQ(sounding, 1089u); // about F x 48000 / 44100

    RenderTarget out(1, 1200);
    player.renderPlayback(out.table(), 1, 1200, 48000.0, kStart);
    for (std::uint32_t i = 0; i < sounding; ++i) {
        ASSERT_NE(out.at(0, i), 0.0f) << i;
    }
    for (std::uint32_t i = static_cast<std::uint32_t>(sounding); i < 1200; ++i) {
        ASSERT_EQ(out.at(0, i), 0.0f) << i;
    }
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.endPosition(), kStart + sounding);
}

TEST(FilePlayer44100On48000, EndFoundInALaterBlockCarriesItsPosition) {
    FilePlayer player;
    player.installClip(rampClip(2, 44100, 100));
    player.startPlayback(64, 0);
    std::uint64_t position = 0;
    while (player.playing() || position < 64) {
        RenderTarget out(2, 32);
        player.renderPlayback(out.table(), 2, 32, 48000.0, position);
        position += 32;
    }
    // 100 frames at 44100/48000: output frames 0..108 sound.
    EXPECT_EQ(player.endPosition(), 64u + 109u);
}

TEST(FilePlayerRender, InterpolatesLinearlyAndHoldsTheLastFrame) {
    FilePlayer player;
    player.installClip(AudioClip(1, 24000, {0.0f, 1.0f, -1.0f}));
    player.startPlayback(0, 0);
    RenderTarget out(1, 8);
    player.renderPlayback(out.table(), 1, 8, 48000.0, 0);
    // Half-rate source: every other output frame lies halfway; the last frame has no successor.
    EXPECT_EQ(out.channel(0),
              (std::vector<float>{0.0f, 0.5f, 1.0f, 0.0f, -1.0f, -1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(player.endPosition(), 6u);
}

TEST(FilePlayerRender, OutputStaysFiniteBetweenExtremeSamples) {
    // Float files may hold values near the float maximum: their difference overflows a float.
    const float big = std::numeric_limits<float>::max();
    FilePlayer player;
    player.installClip(AudioClip(1, 24000, {-big, big, 1.0f}));
    player.startPlayback(0, 0);
    RenderTarget out(1, 4);
    player.renderPlayback(out.table(), 1, 4, 48000.0, 0);
    EXPECT_EQ(out.channel(0), (std::vector<float>{-big, 0.0f, big, std::midpoint(big, 1.0f)}));

    // A clip made elsewhere may even hold non-finite samples: they never reach the output.
    player.installClip(
        AudioClip(1, 48000, {std::numeric_limits<float>::infinity(), std::nanf("")}));
    player.startPlayback(0, 0);
    player.renderPlayback(out.table(), 1, 4, 48000.0, 0);
    EXPECT_EQ(out.channel(0), std::vector<float>(4, 0.0f));
}

TEST(FilePlayerRender, DownsamplingSkipsFrames) {
    FilePlayer player;
    player.installClip(rampClip(1, 96000, 10));
    player.startPlayback(0, 0);
    RenderTarget out(1, 6);
    player.renderPlayback(out.table(), 1, 6, 48000.0, 0);
    EXPECT_EQ(out.channel(0), (std::vector<float>{1, 3, 5, 7, 9, 0}));
    EXPECT_EQ(player.endPosition(), 5u);
}

TEST(FilePlayerChannels, MonoFeedsEveryOutput) {
    FilePlayer player;
    player.installClip(rampClip(1, 48000, 4));
    player.startPlayback(0, 0);
    RenderTarget out(2, 4);
    player.renderPlayback(out.table(), 2, 4, 48000.0, 0);
    EXPECT_EQ(out.channel(0), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(out.channel(1), out.channel(0));
}

TEST(FilePlayerChannels, StereoOnMonoPlaysTheLeftChannel) {
    FilePlayer player;
    player.installClip(rampClip(2, 48000, 3));
    player.startPlayback(0, 0);
    RenderTarget out(1, 3);
    player.renderPlayback(out.table(), 1, 3, 48000.0, 0);
    EXPECT_EQ(out.channel(0), (std::vector<float>{ramp(0, 0), ramp(1, 0), ramp(2, 0)}));
}

TEST(FilePlayerChannels, ExtraOutputsRepeatTheLastFileChannel) {
    FilePlayer player;
    player.installClip(rampClip(3, 48000, 2));
    player.startPlayback(0, 0);
    RenderTarget out(6, 2);
    player.renderPlayback(out.table(), 6, 2, 48000.0, 0);
    for (std::uint32_t c = 0; c < 6; ++c) {
        const std::uint32_t source = std::min(c, 2u);
        EXPECT_EQ(out.channel(c), (std::vector<float>{ramp(0, source), ramp(1, source)})) << c;
    }
}

TEST(FilePlayerChannels, MissingBuffersAreSkippedAndOthersAlwaysZeroed) {
    FilePlayer player;
    RenderTarget out(3, 4);
    out.dropChannel(1);
    player.renderPlayback(out.table(), 3, 4, 48000.0, 0);
    EXPECT_EQ(out.channel(0), std::vector<float>(4, 0.0f)) << "silence while stopped";
    EXPECT_EQ(out.channel(1), std::vector<float>(4, RenderTarget::kUntouched));

    player.installClip(rampClip(1, 48000, 4));
    player.startPlayback(0, 0);
    player.renderPlayback(out.table(), 3, 4, 48000.0, 0);
    EXPECT_EQ(out.channel(2), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(out.channel(1), std::vector<float>(4, RenderTarget::kUntouched));

    player.renderPlayback(nullptr, 3, 4, 48000.0, 4); // no table at all: nothing to do
    // Only the first channelCount buffers are written.
    RenderTarget wide(4, 4);
    player.startPlayback(8, 0);
    player.renderPlayback(wide.table(), 2, 4, 48000.0, 8);
    EXPECT_EQ(wide.channel(2), std::vector<float>(4, RenderTarget::kUntouched));
}

TEST(FilePlayerRender, UnusableHostRatesGiveSilenceAndKeepPlaying) {
    FilePlayer player;
    player.installClip(rampClip(1, 48000, 100));
    player.startPlayback(0, 0);
    for (double rate : {0.0, -48000.0, std::nan(""), std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::denorm_min()}) {
        RenderTarget out(1, 4);
        player.renderPlayback(out.table(), 1, 4, rate, 0);
        EXPECT_EQ(out.channel(0), std::vector<float>(4, 0.0f)) << rate;
        EXPECT_TRUE(player.playing()) << rate;
    }
}

TEST(FilePlayerRender, StoppedPlayerIsSilent) {
    FilePlayer player;
    player.installClip(rampClip(1, 48000, 100));
    player.startPlayback(0, 0);
    player.stopPlayback();
    RenderTarget out(1, 4);
    player.renderPlayback(out.table(), 1, 4, 48000.0, 0);
    EXPECT_EQ(out.channel(0), std::vector<float>(4, 0.0f));
}

// --- Ownership and the heap ---------------------------------------------------------------------

constexpr std::uint32_t kTrackedFrames = 1237; // mono: a storage size nothing else allocates

struct TrackedClips : ::testing::Test {
    TrackedClips() { test::trackBlockSize(kTrackedFrames * sizeof(float)); }
    ~TrackedClips() override { test::trackBlockSize(0); }
    static AudioClip clip(float value) {
        return AudioClip(1, 48000, SampleVector(kTrackedFrames, value));
    }
};

TEST_F(TrackedClips, SecondInstallWhileIdleFreesTheFirst) {
    FilePlayer player;
    player.installClip(clip(1.0f));
    EXPECT_EQ(test::trackedBlocksLive(), 1);
    player.installClip(clip(2.0f));
    EXPECT_EQ(test::trackedBlocksLive(), 1) << "the untaken first clip is freed at once";

    player.startPlayback(0, 0);
    RenderTarget out(1, 2);
    player.renderPlayback(out.table(), 1, 2, 48000.0, 0);
    EXPECT_EQ(out.channel(0), (std::vector<float>{2.0f, 2.0f})) << "only the second plays";
}

TEST_F(TrackedClips, ReplacedClipsAreFreedByTheNextInstall) {
    FilePlayer player;
    RenderTarget out(1, 2);
    player.installClip(clip(1.0f));
    player.renderPlayback(out.table(), 1, 2, 48000.0, 0); // takes clip 1
    player.installClip(clip(2.0f));
    player.renderPlayback(out.table(), 1, 2, 48000.0, 2); // takes clip 2, retires clip 1
    EXPECT_EQ(test::trackedBlocksLive(), 2);
    EXPECT_EQ(player.latestClip().samples[0], 2.0f);
    player.collectRetired();
    EXPECT_EQ(test::trackedBlocksLive(), 1);
    player.installClip(clip(3.0f));
    player.renderPlayback(out.table(), 1, 2, 48000.0, 4);
    player.installClip(clip(4.0f)); // frees clip 2
    EXPECT_EQ(test::trackedBlocksLive(), 2);
}

TEST_F(TrackedClips, DestructionFreesEveryClip) {
    {
        FilePlayer player;
        RenderTarget out(1, 2);
        player.installClip(clip(1.0f));
        player.renderPlayback(out.table(), 1, 2, 48000.0, 0);
        player.installClip(clip(2.0f));
        player.renderPlayback(out.table(), 1, 2, 48000.0, 2);
        player.installClip(clip(3.0f));
        player.renderPlayback(out.table(), 1, 2, 48000.0, 4);
        player.installClip(clip(4.0f));
        player.renderPlayback(out.table(), 1, 2, 48000.0, 6);
        EXPECT_EQ(test::trackedBlocksLive(), 2) << "current and one retired";
    }
    EXPECT_EQ(test::trackedBlocksLive(), 0);
}

TEST(FilePlayerHeap, AudioThreadCallsNeverAllocateOrFree) {
    FilePlayer player;
    RenderTarget out(64, 256);
    player.installClip(rampClip(2, 44100, 1000));
    std::uint64_t position = 0;
    for (int round = 0; round < 3; ++round) {
        {
            test::ThreadHeapScope heap;
            player.renderPlayback(out.table(), 64, 256, 48000.0, position); // takes the clip
            player.startPlayback(position, 0);
            for (int block = 0; block < 6; ++block) {
                player.renderPlayback(out.table(), 64, 256, 48000.0, position);
                position += 256;
            }
            player.stopPlayback();
            player.renderPlayback(out.table(), 64, 256, 48000.0, position);
            EXPECT_EQ(heap.events(), 0u) << "round " << round;
        }
        player.installClip(rampClip(1, 96000, 500)); // outside the scope: the editor's share
    }
}

// Decoding and installing as a chosen file or a loaded state does it.
TEST(FilePlayerLoad, LoadsAFileAndKeepsTheOldClipOnErrors) {
    test::TempFolder folder;
    const auto good = folder.write(
        "tone.wav", test::wavFile(3, 2, 44100, 32, test::float32({0.5f, -0.5f, 0.25f, -0.25f})));
    const auto bad = folder.write("bad.wav", test::wavFile(1, 2, 44100, 8, test::Bytes(4)));

    FilePlayer player;
    const auto loadClip = [&player](const std::filesystem::path& path) {
        player.installClip(decodeWavFile(test::widePath(path), kPreloadLimitBytes));
    };
    loadClip(good);
    EXPECT_EQ(player.frameCount(), 2u);
    EXPECT_EQ(test::values(player.latestClip().samples),
              (std::vector<float>{0.5f, -0.5f, 0.25f, -0.25f}));
    const AudioClip* loaded = &player.latestClip();

    EXPECT_THROW(loadClip(bad), std::runtime_error);
    EXPECT_THROW(loadClip(folder.path() / "none.wav"), std::runtime_error);
    EXPECT_EQ(&player.latestClip(), loaded);
    EXPECT_EQ(player.frameCount(), 2u);
}

} // namespace
} // namespace quillwave::plugins
