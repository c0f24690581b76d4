#pragma once

#include <ctime>

namespace quillwave::platform {

// A calendar date and time of day on the user's clock.
struct LocalDateTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0; // 0..60
};

// The local date and time at `when`, by the system's time zone rules; the Unix epoch when the
// system cannot convert it. Thread-safe.
LocalDateTime localDateTime(std::time_t when) noexcept;

} // namespace quillwave::platform
