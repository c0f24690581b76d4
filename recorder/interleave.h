#pragma once

#include <cstdint>

namespace quillwave::plugins {

// Interleaves frameCount frames of channels planar sources (sources[c][0 .. frameCount - 1])
// into dst, channel 0 first; a sample that is not finite is stored as 0.0. Every source must be
// valid for frameCount samples. Audio-thread safe: no allocation, no branches on the data.
void interleaveFinite(float* dst, const float* const* sources, std::uint32_t channels,
                      std::uint32_t frameCount) noexcept;

// 0.0 for an infinity or NaN, else x.
inline float finiteOrZero(float x) noexcept {
    return x - x == 0.0f ? x : 0.0f;
}

} // namespace quillwave::plugins
