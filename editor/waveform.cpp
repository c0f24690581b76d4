#include "editor/waveform.h"

#include "editor/editor_layout.h"
#include "editor/palette.h"
#include "editor/value_text.h"

#include <algorithm>

namespace quillwave::plugins {
namespace {

constexpr std::uint64_t kColumns = layout::kWaveformColumns;
constexpr std::uint64_t kReadsPerSpan = 32; // the step divides a column's span by this

// floor(frames x column / 898) without forming the product, which could overflow.
std::uint64_t columnBoundary(std::uint64_t frames, std::uint64_t column) {
    return (frames / kColumns) * column + (frames % kColumns) * column / kColumns;
}

} // namespace

WaveformColumnSpan waveformColumnSpan(std::uint64_t frames, std::uint64_t column) {
    WaveformColumnSpan span;
    span.start = columnBoundary(frames, column - 1);
    span.end = std::max(span.start + 1, columnBoundary(frames, column));
    span.step = std::max<std::uint64_t>(1, (span.end - span.start) / kReadsPerSpan);
    return span;
}

void paintWaveform(DrawingSurface& surface, const ClipFrames& clip) {
    surface.fillBox(layout::kWaveformArea, palette::kWaveformArea);
    const std::uint32_t channels = clip.channels();
    const std::uint64_t frames = channels == 0 ? 0 : clip.frameCount();
    if (frames == 0) {
        surface.drawLabel(layout::kWaveformEmptyText, u"Choose a WAV file to see its waveform.",
                          palette::kSecondaryText, 19, FontWeight::Normal, TextPlacement::Centre);
        return;
    }

    for (std::uint64_t j = 1; j <= kColumns; ++j) {
        const WaveformColumnSpan span = waveformColumnSpan(frames, j);
        const std::uint64_t stop = std::min(frames, span.end);
        float level = 0.0f;
        for (std::uint64_t f = span.start; f < stop; f += span.step) {
            // Written so that a NaN sample leaves the level alone.
            if (const float peak = clip.framePeak(f); peak > level) {
                level = peak;
            }
        }
        const int x = layout::kWaveformFirstColumn + static_cast<int>(j) - 1;
        const int a = static_cast<int>(static_cast<double>(std::min(level, 1.0f)) *
                                       layout::kWaveformHalfHeight);
        surface.drawLine(x, layout::kWaveformCentreY - a, x, layout::kWaveformCentreY + a,
                         palette::kAccent, 1);
    }

    surface.drawLabel(layout::kWaveformInfo,
                      decimalText(frames) + u" frames  /  " + decimalText(clip.sampleRateHz()) +
                          u" Hz  /  " + decimalText(channels) + u" channels",
                      palette::kSecondaryText, 14, FontWeight::Normal, TextPlacement::Left);
}

} // namespace quillwave::plugins
