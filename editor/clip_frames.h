#pragma once

#include <cstdint>

namespace quillwave::plugins {

// Frame-by-frame read access to a decoded clip, which is all the waveform overview needs. Every
// sample the overview looks at is read through framePeak, so the cost of a paint can be counted.
class ClipFrames {
public:
    virtual ~ClipFrames() = default;

    virtual std::uint32_t channels() const = 0;
    virtual std::uint32_t sampleRateHz() const = 0;
    virtual std::uint64_t frameCount() const = 0;

    // The greatest absolute sample value of frame `frame` (below frameCount()) over all channels.
    virtual float framePeak(std::uint64_t frame) const = 0;

protected:
    ClipFrames() = default;
    ClipFrames(const ClipFrames&) = default;
    ClipFrames& operator=(const ClipFrames&) = default;
};

} // namespace quillwave::plugins
