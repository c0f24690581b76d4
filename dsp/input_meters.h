#pragma once

#include "dsp/sequence_counter.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace quillwave::plugins {

inline constexpr int kMeterChannels = 64;
inline constexpr double kPeakDecaySeconds = 0.35;
inline constexpr double kClipHoldSeconds = 2.0;

// Peak, RMS and clip of each channel of the recorder's input, written once per block by the audio
// thread and read by the editor through readMeterSnapshot. The fields the reader copies are
// relaxed atomics inside the sequence counter's write section, so a torn copy is detected, never
// a data race.
struct InputMeters {
    std::array<std::atomic<float>, kMeterChannels> peak{};        // linear, exponential release
    std::array<std::atomic<float>, kMeterChannels> rms{};         // linear, last block only
    std::array<std::atomic<std::uint8_t>, kMeterChannels> clip{}; // 1 while the hold runs
    std::atomic<std::uint32_t> meteredChannels{0};
    SequenceCounter meterSequence;
    // Writer-side state only; never copied by the reader.
    std::array<std::uint64_t, kMeterChannels> clipHold{}; // frames left in each clip hold

    static_assert(std::atomic<float>::is_always_lock_free);
    static_assert(std::atomic<std::uint8_t>::is_always_lock_free);
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
};

// Meters numSamples frames of input bus 0 of one block (nothing happens for 0). Sample is float
// or double. channels is the bus's channel pointer array (may be null), numChannels its width (0
// when the host passes no input bus), silenceFlags the host's silent-channel bits, busReadable
// whether the module declares input bus 0 and it is active. Audio thread only; never allocates,
// locks or waits.
template <typename Sample>
void updateInputMeters(InputMeters& meters, const Sample* const* channels, std::int32_t numChannels,
                       std::uint64_t silenceFlags, bool busReadable, std::int32_t numSamples,
                       double sampleRate) noexcept;

extern template void updateInputMeters<float>(InputMeters&, const float* const*, std::int32_t,
                                              std::uint64_t, bool, std::int32_t, double) noexcept;
extern template void updateInputMeters<double>(InputMeters&, const double* const*, std::int32_t,
                                               std::uint64_t, bool, std::int32_t, double) noexcept;

// Zeroes every meter under the sequence counter. Called by the host's setup and activation
// calls, never at the same time as updateInputMeters.
void resetInputMeters(InputMeters& meters) noexcept;

} // namespace quillwave::plugins
