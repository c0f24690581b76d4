#pragma once

// Numbers as the editor writes them. Decimal points are always '.', whatever the host process's
// C locale says.

#include <cstdint>
#include <string>

namespace quillwave::plugins {

// Unsigned decimal digits.
std::u16string decimalText(std::uint64_t value);

// One digit after the point, as printf's "%.1f".
std::u16string oneDecimalText(double value);

// A fader value as "%.1f dB" of its decibels.
std::u16string faderDecibelText(double normalized);

// Peak level in dBFS with one decimal, floored at -120; "−∞" below 0.000001 (and for NaN).
std::u16string formatDbfs(float level);

// Hours (not wrapped, at least two digits), minutes, seconds and milliseconds: 01:02:03.456.
// The time is rounded to whole microseconds, then cut to milliseconds. Times that are negative
// or not finite show as zero; times past 2^64 microseconds stop there.
std::u16string elapsedTimeText(double seconds);

} // namespace quillwave::plugins
