#pragma once

#include "player/uninitialized_allocator.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace quillwave::plugins {

// Interleaved samples. resize() leaves new samples unset: whoever grows it fills it.
using SampleVector = std::vector<float, UninitializedAllocator<float>>;

// Decoded audio in memory: interleaved 32-bit float frames, channel 0 first. Moved between owners,
// never copied (a clip may hold half a gigabyte); a moved-from clip is empty.
struct AudioClip {
    std::uint32_t channels = 0;
    std::uint32_t sampleRateHz = 0;
    SampleVector samples;

    AudioClip() = default;
    AudioClip(std::uint32_t channelCount, std::uint32_t rateHz, SampleVector interleaved)
        : channels(channelCount), sampleRateHz(rateHz), samples(std::move(interleaved)) {}

    AudioClip(AudioClip&& other) noexcept
        : channels(std::exchange(other.channels, 0)),
          sampleRateHz(std::exchange(other.sampleRateHz, 0)),
          samples(std::exchange(other.samples, {})) {}
    AudioClip& operator=(AudioClip&& other) noexcept {
        channels = std::exchange(other.channels, 0);
        sampleRateHz = std::exchange(other.sampleRateHz, 0);
        samples = std::exchange(other.samples, {});
        return *this;
    }
    AudioClip(const AudioClip&) = delete;
    AudioClip& operator=(const AudioClip&) = delete;
    ~AudioClip() = default;

    // Whole frames held; 0 without channels.
    std::uint64_t frameCount() const { return channels == 0 ? 0 : samples.size() / channels; }
};

} // namespace quillwave::plugins
