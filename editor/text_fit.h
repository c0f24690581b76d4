#pragma once

// How a label that does not fit its box is made to fit, the same on every back end: its font
// shrinks, down to a smallest share of the height it was asked for, and only text still too wide
// at that size is cut and ends with an ellipsis. Text that fits is drawn as asked.

#include <algorithm>
#include <cmath>

namespace quillwave::plugins {

inline constexpr double kSmallestTextShare = 0.75;
inline constexpr char16_t kEllipsis = u'\u2026';

// The smallest character height a label asked for at height may shrink to.
inline int smallestTextHeight(int height) {
    return std::max(1, static_cast<int>(std::ceil(height * kSmallestTextShare)));
}

// The first height to try for text measured at `needed` pixels at `height` in `available`: the
// proportional guess, within the smallest height and height itself.
inline int firstFittingGuess(int height, double needed, double available) {
    if (needed <= available || needed <= 0) {
        return height;
    }
    const int guess = static_cast<int>(std::floor(height * available / needed));
    return std::clamp(guess, smallestTextHeight(height), height);
}

} // namespace quillwave::plugins
