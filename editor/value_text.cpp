#include "editor/value_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace quillwave::plugins {
namespace {

std::u16string widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

// Zero-padded to at least `width` digits.
std::u16string paddedDecimal(std::uint64_t value, std::size_t width) {
    std::u16string digits = decimalText(value);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), u'0');
    }
    return digits;
}

} // namespace

std::u16string decimalText(std::uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return widen({buffer, result.ptr});
}

std::u16string oneDecimalText(double value) {
    // Large enough for the longest fixed-point double with one decimal.
    char buffer[std::numeric_limits<double>::max_exponent10 + 8];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return widen({buffer, result.ptr});
}

std::u16string faderDecibelText(double normalized) {
    return oneDecimalText(normalized * 102.0 - 90.0) + u" dB";
}

std::u16string formatDbfs(float level) {
    if (!(level >= 0.000001f)) {
        return u"\u2212\u221E";
    }
    return oneDecimalText(std::max(20.0 * std::log10(static_cast<double>(level)), -120.0));
}

std::u16string elapsedTimeText(double seconds) {
    // Whole microseconds first: seconds that stand for an exact millisecond count (0.009 is
    // 8.9999...e-3 as a double) must not lose that millisecond to truncation.
    const double micros = std::round(seconds * 1e6);
    std::uint64_t ms = 0;
    // A double-to-integer conversion out of range is undefined; clamp before converting.
    if (micros >= 18446744073709551616.0) {
        ms = std::numeric_limits<std::uint64_t>::max() / 1000;
    } else if (micros > 0.0) {
        ms = static_cast<std::uint64_t>(micros) / 1000;
    }
    return paddedDecimal(ms / 3600000, 2) + u':' + paddedDecimal((ms / 60000) % 60, 2) + u':' +
           paddedDecimal((ms / 1000) % 60, 2) + u'.' + paddedDecimal(ms % 1000, 3);
}

} // namespace quillwave::plugins
