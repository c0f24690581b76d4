#include "recorder/recording_time_left.h"

#include <cmath>

namespace quillwave::plugins {

std::optional<double> recordingSecondsLeft(std::uint64_t freeBytes, std::uint32_t channels,
                                           std::uint32_t sampleRate) {
    if (channels == 0 || sampleRate == 0) {
        return std::nullopt;
    }
    const double bytesPerSecond = 4.0 * channels * sampleRate;
    return static_cast<double>(freeBytes) / bytesPerSecond;
}

std::string timeLeftText(double seconds) {
    const double minutes = std::floor(seconds / 60.0);
    if (!(minutes >= 1.0)) {
        return "less than 1 min left";
    }
    const auto whole = static_cast<std::uint64_t>(minutes);
    if (whole < 60) {
        return std::to_string(whole) + " min left";
    }
    return std::to_string(whole / 60) + " h " + std::to_string(whole % 60) + " min left";
}

} // namespace quillwave::plugins
