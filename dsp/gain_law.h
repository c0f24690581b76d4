#pragma once

#include <cmath>

namespace quillwave::plugins {

inline constexpr double kGainSmoothingSeconds = 0.003;
inline constexpr double kGainFloorDb = -90.0;
inline constexpr double kGainRangeDb = 102.0; // -90 dB .. +12 dB

// Level in dB of a normalized gain value: -90 dB at 0, 0 dB at 15/17, +12 dB at 1.
inline double gainDb(double normalized) {
    return kGainRangeDb * normalized + kGainFloorDb;
}

// Linear gain of a normalized gain value. The bottom of the range is -90 dB (about 3.2e-5), not
// silence: only a mute or an inactive strip silences.
inline double linearGain(double normalized) {
    return std::pow(10.0, gainDb(normalized) / 20.0);
}

// Active strips of a normalized "Active strips / branches" value: 1 + the nearest integer to
// value x 63 (halves away from zero), 1..64; the default 1/9 gives 8.
inline int activeCount(double normalized) {
    if (!(normalized > 0.0)) {
        return 1; // also for NaN
    }
    if (normalized >= 1.0) {
        return 64;
    }
    return 1 + static_cast<int>(std::round(normalized * 63.0));
}

// Per-frame coefficient k of the one-pole gain smoother at sampleRate: 1 - exp(-1 / (0.003 s x
// rate)). A rate that is not a positive number snaps the gains at once (k = 1).
inline double gainSmoothingCoefficient(double sampleRate) {
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) {
        return 1.0;
    }
    return 1.0 - std::exp(-1.0 / (kGainSmoothingSeconds * sampleRate));
}

// One per-frame step of the smoother; the first frame of a call already takes one step.
inline double smoothGain(double gain, double target, double k) {
    return gain + (target - gain) * k;
}

} // namespace quillwave::plugins
