#include "editor/palette.h"
#include "editor/recording_surface.h"
#include "editor/waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace quillwave::plugins {
namespace {

// A clip of any length without its memory: each frame's peak comes from a function, and every
// read is counted.
class GeneratedFrames final : public ClipFrames {
public:
    GeneratedFrames(std::uint32_t channels, std::uint64_t frames,
                    std::function<float(std::uint64_t)> peakOf)
        : channels_(channels), frames_(frames), peakOf_(std::move(peakOf)) {}

    std::uint32_t channels() const override { return channels_; }
    std::uint32_t sampleRateHz() const override { return 48000; }
    std::uint64_t frameCount() const override { return frames_; }
    float framePeak(std::uint64_t frame) const override {
        EXPECT_LT(frame, frames_);
        ++reads;
        return peakOf_(frame);
    }

    mutable std::uint64_t reads = 0;

private:
    std::uint32_t channels_;
    std::uint64_t frames_;
    std::function<float(std::uint64_t)> peakOf_;
};

std::uint64_t readsOf(const WaveformColumnSpan& span) {
    return (span.end - span.start + span.step - 1) / span.step;
}

TEST(WaveformColumnSpan, ShortClipGivesEveryColumnAFrame) {
    EXPECT_EQ(waveformColumnSpan(10, 1), (WaveformColumnSpan{0, 1, 1}));
    EXPECT_EQ(waveformColumnSpan(10, 90), (WaveformColumnSpan{0, 1, 1}));
    EXPECT_EQ(waveformColumnSpan(10, 91), (WaveformColumnSpan{1, 2, 1}));
    EXPECT_EQ(waveformColumnSpan(10, 898), (WaveformColumnSpan{9, 10, 1}));
    EXPECT_EQ(waveformColumnSpan(1, 898), (WaveformColumnSpan{0, 1, 1}));
}

TEST(WaveformColumnSpan, LongClipColumnsTileTheClipWithBoundedReads) {
    for (const std::uint64_t frames :
         {std::uint64_t{897}, std::uint64_t{898}, std::uint64_t{898 * 63}, std::uint64_t{898 * 64},
          std::uint64_t{898 * 95 + 17}, std::uint64_t{48000 * 60}, std::uint64_t{134217728},
          std::uint64_t{1} << 60, std::numeric_limits<std::uint64_t>::max()}) {
        std::uint64_t previousEnd = 0;
        std::uint64_t mostReads = 0;
        for (std::uint64_t j = 1; j <= 898; ++j) {
            const WaveformColumnSpan span = waveformColumnSpan(frames, j);
            if (frames >= 898) {
                EXPECT_EQ(span.start, previousEnd) << frames << " column " << j;
            }
            EXPECT_LE(span.end, frames);
            previousEnd = span.end;
            mostReads = std::max(mostReads, readsOf(span));
        }
        EXPECT_EQ(previousEnd, frames);
        EXPECT_LE(mostReads, 63u) << frames;
    }
    EXPECT_EQ(readsOf(waveformColumnSpan(898 * 63, 5)), 63u);
    EXPECT_EQ(readsOf(waveformColumnSpan(898 * 64, 5)), 32u);
    EXPECT_EQ(waveformColumnSpan(898 * 1000, 2), (WaveformColumnSpan{1000, 2000, 31}));
}

TEST(PaintWaveform, EmptyClipShowsThePromptOnly) {
    for (const auto& [channels, frames] :
         {std::pair{0u, std::uint64_t{100}}, std::pair{2u, std::uint64_t{0}}}) {
        GeneratedFrames clip(channels, frames, [](std::uint64_t) { return 1.0f; });
        RecordingSurface surface;
        paintWaveform(surface, clip);
        const std::vector<DrawCall> expected{
            FillBoxCall{{28, 230, 930, 450}, palette::kWaveformArea},
            LabelCall{{40, 300, 920, 375},
                      u"Choose a WAV file to see its waveform.",
                      palette::kSecondaryText,
                      19,
                      FontWeight::Normal,
                      TextPlacement::Centre}};
        EXPECT_EQ(surface.calls(), expected);
        EXPECT_EQ(clip.reads, 0u);
    }
}

TEST(PaintWaveform, ShortClipDrawsEveryColumnFromItsFrame) {
    // Three frames: the columns show 0.5, then full scale and more (clamped), then silence.
    const float peaks[] = {0.5f, 1.5f, 0.0f};
    GeneratedFrames clip(2, 3, [&](std::uint64_t f) { return peaks[f]; });
    RecordingSurface surface;
    paintWaveform(surface, clip);

    const auto lines = surface.callsOf<LineCall>();
    ASSERT_EQ(lines.size(), 898u);
    for (int j = 1; j <= 898; ++j) {
        const LineCall& line = lines[j - 1];
        const std::uint64_t frame = waveformColumnSpan(3, j).start;
        const int a = frame == 0 ? 47 : (frame == 1 ? 95 : 0);
        EXPECT_EQ(line, (LineCall{29 + j, 340 - a, 29 + j, 340 + a, palette::kAccent, 1})) << j;
    }
    EXPECT_EQ(clip.reads, 898u);
    const auto labels = surface.callsOf<LabelCall>();
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0], (LabelCall{{36, 461, 911, 492},
                                    u"3 frames  /  48000 Hz  /  2 channels",
                                    palette::kSecondaryText,
                                    14,
                                    FontWeight::Normal,
                                    TextPlacement::Left}));
}

TEST(PaintWaveform, LongClipReadsAtMost63FramesPerColumn) {
    // About 2^40 frames (25 years at 48 kHz): the paint still reads a bounded number of frames.
    const std::uint64_t frames = (std::uint64_t{1} << 40) + 12345;
    GeneratedFrames clip(1, frames, [](std::uint64_t f) { return (f % 7) / 8.0f; });
    RecordingSurface surface;
    paintWaveform(surface, clip);
    EXPECT_LE(clip.reads, 63u * 898u);
    EXPECT_EQ(surface.callsOf<LineCall>().size(), 898u);
    EXPECT_EQ(surface.callsOf<LabelCall>().at(0).text,
              u"1099511640121 frames  /  48000 Hz  /  1 channels");
}

TEST(PaintWaveform, ColumnShowsTheLoudestFrameItReads) {
    // 898 x 10 frames, step 1: each column reads all ten of its frames and keeps the loudest,
    // ignoring a NaN.
    GeneratedFrames clip(1, 8980, [](std::uint64_t f) {
        if (f % 10 == 3) {
            return std::numeric_limits<float>::quiet_NaN();
        }
        return f % 10 == 7 ? 0.75f : 0.1f;
    });
    RecordingSurface surface;
    paintWaveform(surface, clip);
    for (const LineCall& line : surface.callsOf<LineCall>()) {
        EXPECT_EQ(line.y1, 340 - 71); // trunc(0.75 x 95)
        EXPECT_EQ(line.y2, 340 + 71);
    }
    EXPECT_EQ(clip.reads, 8980u);
}

} // namespace
} // namespace quillwave::plugins
