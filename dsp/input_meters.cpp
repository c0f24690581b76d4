#include "dsp/input_meters.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillwave::plugins {
namespace {

constexpr double kLargestFloat = std::numeric_limits<float>::max();

// 2 s of frames at sampleRate, or 0 for a rate that is not a positive number.
std::uint64_t clipHoldFrames(double sampleRate) {
    const double frames = kClipHoldSeconds * sampleRate;
    if (!(frames > 0.0)) {
        return 0;
    }
    constexpr double kMaxFrames = 1.8e19; // below 2^64
    return static_cast<std::uint64_t>(std::min(frames, kMaxFrames));
}

} // namespace

template <typename Sample>
void updateInputMeters(InputMeters& meters, const Sample* const* channels, std::int32_t numChannels,
                       std::uint64_t silenceFlags, bool busReadable, std::int32_t numSamples,
                       double sampleRate) noexcept {
    if (numSamples <= 0) {
        return;
    }
    const auto n = static_cast<std::uint32_t>(numSamples);
    // The editor draws at most 64 channels; a wider or negative count is not passed on.
    const int width = std::clamp<std::int32_t>(numChannels, 0, kMeterChannels);
    // A rate that is not a positive number lets the peak fall at once instead of poisoning it.
    const bool rateValid = sampleRate > 0.0 && std::isfinite(sampleRate);
    const double decay =
        rateValid ? std::exp(-static_cast<double>(n) / (kPeakDecaySeconds * sampleRate)) : 0.0;
    const std::uint64_t holdFrames = clipHoldFrames(sampleRate);

    meters.meterSequence.beginWrite();
    for (int c = 0; c < kMeterChannels; ++c) {
        const bool present = c < width;
        const bool read = present && busReadable && ((silenceFlags >> c) & 1u) == 0 &&
                          channels != nullptr && channels[c] != nullptr;
        double sum = 0.0;
        double blockPeak = 0.0;
        bool clipped = false;
        if (read) {
            const Sample* const x = channels[c];
            for (std::uint32_t i = 0; i < n; ++i) {
                const double v = static_cast<double>(x[i]);
                if (!std::isfinite(v)) {
                    continue; // left out of peak and sum, still counted in n
                }
                const double m = std::min(std::fabs(v), kLargestFloat);
                clipped = clipped || m >= 1.0;
                sum += m * m;
                blockPeak = std::max(blockPeak, m);
            }
        }
        std::uint64_t& hold = meters.clipHold[c];
        hold = clipped ? holdFrames : (hold > n ? hold - n : 0);

        const double previousPeak = meters.peak[c].load(std::memory_order_relaxed);
        const float peak =
            present ? static_cast<float>(std::max(previousPeak * decay, blockPeak)) : 0.0f;
        const float rms = present ? static_cast<float>(std::sqrt(sum / n)) : 0.0f;
        meters.peak[c].store(peak, std::memory_order_relaxed);
        meters.rms[c].store(rms, std::memory_order_relaxed);
        meters.clip[c].store(present && hold != 0 ? 1 : 0, std::memory_order_relaxed);
    }
    meters.meteredChannels.store(static_cast<std::uint32_t>(width), std::memory_order_relaxed);
    meters.meterSequence.endWrite();
}

template void updateInputMeters<float>(InputMeters&, const float* const*, std::int32_t,
                                       std::uint64_t, bool, std::int32_t, double) noexcept;
template void updateInputMeters<double>(InputMeters&, const double* const*, std::int32_t,
                                        std::uint64_t, bool, std::int32_t, double) noexcept;

void resetInputMeters(InputMeters& meters) noexcept {
    meters.meterSequence.beginWrite();
    for (int c = 0; c < kMeterChannels; ++c) {
        meters.peak[c].store(0.0f, std::memory_order_relaxed);
        meters.rms[c].store(0.0f, std::memory_order_relaxed);
        meters.clip[c].store(0, std::memory_order_relaxed);
        meters.clipHold[c] = 0;
    }
    meters.meteredChannels.store(0, std::memory_order_relaxed);
    meters.meterSequence.endWrite();
}

} // namespace quillwave::plugins
