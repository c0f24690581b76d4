#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillwave::plugins {

// Below this much recording time left the editor warns while the recorder can still record.
inline constexpr double kDiskWarningSeconds = 600.0;

// Seconds of 32-bit float audio of channels × sampleRate that freeBytes hold. A take that fills
// a file goes on in continuation files, so the whole volume counts; their headers (a few hundred
// bytes per 4 GiB file) are left out. Nothing for a format without channels or rate.
std::optional<double> recordingSecondsLeft(std::uint64_t freeBytes, std::uint32_t channels,
                                           std::uint32_t sampleRate);

// "2 h 14 min left", "4 min left", "less than 1 min left": whole minutes, rounded down, so the
// text never promises more than there is.
std::string timeLeftText(double seconds);

} // namespace quillwave::plugins
