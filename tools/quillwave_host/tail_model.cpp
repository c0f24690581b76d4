#include "tail_model.h"

#include <algorithm>
#include <cmath>

namespace quillwave::host {
namespace {

double clampSeconds(double seconds, double low, double high) {
    return !(seconds >= low) ? low : std::min(seconds, high);
}

float peakAt(const InputSignal& input, std::uint64_t frame) {
    float peak = 0.0f;
    for (std::uint32_t c = 0; c < input.channels; ++c) {
        const float x = input.at(frame, c);
        peak = std::max(peak, std::isfinite(x) ? std::fabs(x) : 0.0f);
    }
    return peak;
}

} // namespace

TailSettings tailSettings(double silenceNormalized, double maxTailNormalized, double sampleRate) {
    const double silence = clampSeconds(std::max(silenceNormalized * 10.0, 0.01), 0.01, 10.0);
    const double maxTail = clampSeconds(std::max(maxTailNormalized * 3600.0, 0.01), 0.01, 3600.0);
    // The file's rate is the host rate cut to an integer.
    const double rate = std::trunc(sampleRate);
    return {static_cast<std::uint64_t>(rate * silence), static_cast<std::uint64_t>(rate * maxTail)};
}

std::uint64_t expectedTailFrames(const InputSignal& input, std::uint64_t stop,
                                 const TailSettings& settings) {
    const auto threshold = static_cast<float>(std::pow(10.0, -80.0 / 20.0));
    std::uint64_t silentRun = 0;
    for (std::uint64_t k = 0;; ++k) {
        silentRun = peakAt(input, stop + k) <= threshold ? silentRun + 1 : 0;
        if (silentRun >= settings.silenceFrames || k >= settings.maxTailFrames) {
            return k;
        }
        // Past the input only silence follows: the rest of the run is known.
        if (stop + k >= input.frames) {
            const std::uint64_t toSilence = k + (settings.silenceFrames - silentRun);
            return std::min(toSilence, settings.maxTailFrames);
        }
    }
}

} // namespace quillwave::host
