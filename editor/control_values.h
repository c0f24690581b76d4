#pragma once

// How the editor reads the normalized parameter values it shows and edits.

#include <cmath>

namespace quillwave::plugins {

inline constexpr int kMaxActiveStripsIndex = 63; // counts run from 1 to 64

// A value forced into [0, 1], NaN to 0. The parameter table only ever holds such values; this keeps
// the pixel and integer conversions below defined whatever a caller passes.
constexpr double unitValue(double value) {
    return !(value > 0.0) ? 0.0 : (value > 1.0 ? 1.0 : value);
}

// The active-strips parameter as a count index b in 0..63 (count = b + 1): value x 63 rounded to
// the nearest integer, halves away from zero.
inline int activeStripsIndex(double value) {
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 1.0) {
        return kMaxActiveStripsIndex;
    }
    return static_cast<int>(std::lround(value * kMaxActiveStripsIndex));
}

inline int activeStripsCount(double value) {
    return activeStripsIndex(value) + 1;
}

// Strip and output gain faders: 0 is -90 dB, 1 is +12 dB, 15/17 is 0 dB.
constexpr double faderDecibels(double value) {
    return value * 102.0 - 90.0;
}

// Switch parameters (follow, play/record, mutes).
constexpr bool switchOn(double value) {
    return value > 0.5;
}

// The maximum-tail parameter spans 0 to 3600 seconds; its buttons step by 5 s within 1..3600 s.
inline constexpr double kMaximumTailRangeSeconds = 3600.0;
inline constexpr double kTailStepSeconds = 5.0;
inline constexpr double kTailMinimumSeconds = 1.0;

// The pre-record parameter spans 0 to 10 seconds; its buttons step by 1 s.
inline constexpr double kPreRecordRangeSeconds = 10.0;
inline constexpr double kPreRecordStepSeconds = 1.0;

// The value of a whole number of seconds of a parameter spanning 0..range seconds. seconds /
// range x range falls just short of seconds for some of them (115 / 3600 gives
// 114.99999999999999); the next value up reads back as seconds both truncated, as the page shows
// it, and rounded, as the host does.
inline double wholeSecondsValue(double seconds, double range) {
    const double value = seconds / range;
    return value * range < seconds ? std::nextafter(value, 2.0) : value;
}

inline double maximumTailValue(double seconds) {
    return wholeSecondsValue(seconds, kMaximumTailRangeSeconds);
}

// Maximum tail in whole seconds, truncated.
constexpr long long maximumTailSeconds(double value) {
    return static_cast<long long>(unitValue(value) * kMaximumTailRangeSeconds);
}

} // namespace quillwave::plugins
