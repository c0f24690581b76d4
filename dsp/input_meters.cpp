#include "dsp/input_meters.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Peak and sum of squares of one channel's block. A sample that is not finite counts as 0 (left out
// of peak and sum); magnitudes are held at the largest float, so that a huge double cannot turn
// the sum infinite. A block clipped when its peak reached 1.
struct ChannelLevel {
    double peak = 0.0;
    double sum = 0.0;
};

template <typename Sample> ChannelLevel measureChannel(const Sample* x, std::uint32_t n) {
    ChannelLevel level;
    for (std::uint32_t i = 0; i < n; ++i) {
        const double v = std::fabs(static_cast<double>(x[i]));
        // v <= max is false for an infinity and for NaN; branch-free so that it vectorizes.
        const double m = v <= std::numeric_limits<double>::max() ? std::min(v, kLargestFloat) : 0.0;
        level.sum += m * m;
        level.peak = std::max(level.peak, m);
    }
    return level;
}

#if defined(__SSE2__)

// The magnitudes of four samples, 0 for an infinity or NaN.
inline __m128 finiteMagnitude4(__m128 v) {
    const __m128i exponent = _mm_set1_epi32(0x7F800000);
    const __m128i bits = _mm_castps_si128(v);
    const __m128i nonFinite = _mm_cmpeq_epi32(_mm_and_si128(bits, exponent), exponent);
    const __m128 magnitudeBits = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    return _mm_andnot_ps(_mm_castsi128_ps(nonFinite), _mm_and_ps(v, magnitudeBits));
}

inline __m128d addSquares(__m128d sum, __m128d m) {
    return _mm_add_pd(sum, _mm_mul_pd(m, m));
}

// Float input: every finite float is within the largest float already. Eight samples a step, in
// four lanes of two doubles, so the sum is added in another order than one by one (well within
// float rounding).
template <> ChannelLevel measureChannel<float>(const float* x, std::uint32_t n) {
    __m128d sum0 = _mm_setzero_pd(), sum1 = _mm_setzero_pd();
    __m128d sum2 = _mm_setzero_pd(), sum3 = _mm_setzero_pd();
    __m128 peak = _mm_setzero_ps();
    std::uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128 a = finiteMagnitude4(_mm_loadu_ps(x + i));
        const __m128 b = finiteMagnitude4(_mm_loadu_ps(x + i + 4));
        peak = _mm_max_ps(peak, _mm_max_ps(a, b));
        sum0 = addSquares(sum0, _mm_cvtps_pd(a));
        sum1 = addSquares(sum1, _mm_cvtps_pd(_mm_movehl_ps(a, a)));
        sum2 = addSquares(sum2, _mm_cvtps_pd(b));
        sum3 = addSquares(sum3, _mm_cvtps_pd(_mm_movehl_ps(b, b)));
    }
    const __m128d sumLow = _mm_add_pd(sum0, sum2);
    const __m128d sumHigh = _mm_add_pd(sum1, sum3);
    alignas(16) double sums[4];
    alignas(16) float peaks[4];
    _mm_store_pd(sums, sumLow);
    _mm_store_pd(sums + 2, sumHigh);
    _mm_store_ps(peaks, peak);
    ChannelLevel level;
    for (; i < n; ++i) {
        const double v = std::fabs(static_cast<double>(x[i]));
        const double m = v <= std::numeric_limits<double>::max() ? v : 0.0;
        level.sum += m * m;
        level.peak = std::max(level.peak, m);
    }
    level.sum += (sums[0] + sums[1]) + (sums[2] + sums[3]);
    level.peak = std::max<double>({level.peak, peaks[0], peaks[1], peaks[2], peaks[3]});
    return level;
}

#endif

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
        ChannelLevel level;
        if (read) {
            level = measureChannel(channels[c], n); // non-finite samples still count in n
        }
        const double sum = level.sum;
        const double blockPeak = level.peak;
        const bool clipped = blockPeak >= 1.0;
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
