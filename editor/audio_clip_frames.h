#pragma once

#include "editor/clip_frames.h"
#include "player/audio_clip.h"

#include <cmath>

namespace quillwave::plugins {

// Frame reads straight from a decoded clip's interleaved samples.
class AudioClipFrames final : public ClipFrames {
public:
    explicit AudioClipFrames(const AudioClip& clip) : clip_(clip) {}

    std::uint32_t channels() const override { return clip_.channels; }
    std::uint32_t sampleRateHz() const override { return clip_.sampleRateHz; }
    std::uint64_t frameCount() const override { return clip_.frameCount(); }

    float framePeak(std::uint64_t frame) const override {
        const float* sample = clip_.samples.data() + frame * clip_.channels;
        float peak = 0.0f;
        for (std::uint32_t c = 0; c < clip_.channels; ++c) {
            if (const float level = std::fabs(sample[c]); level > peak) {
                peak = level;
            }
        }
        return peak;
    }

private:
    const AudioClip& clip_;
};

} // namespace quillwave::plugins
