#pragma once

#include "editor/clip_frames.h"
#include "editor/drawing_surface.h"

#include <cstdint>

namespace quillwave::plugins {

// Frames that one waveform column covers, [start, end), and the stride it reads them with: at
// most 63 frames per column however long the clip.
struct WaveformColumnSpan {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint64_t step = 1;

    bool operator==(const WaveformColumnSpan&) const = default;
};

// Span of column j (1 ... 898) of a clip of `frames` frames; every column holds at least one
// frame, so a clip shorter than the overview repeats frames across columns.
WaveformColumnSpan waveformColumnSpan(std::uint64_t frames, std::uint64_t column);

// The waveform area, then one mirrored line per column and the clip's info line; a clip without
// frames gets a prompt instead.
void paintWaveform(DrawingSurface& surface, const ClipFrames& clip);

} // namespace quillwave::plugins
