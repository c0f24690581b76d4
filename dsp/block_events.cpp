#include "dsp/block_events.h"

#include <algorithm>

namespace quillwave::plugins {

void BlockEventBuffer::sortByOffset() {
    const auto n = static_cast<std::size_t>(size_);
    const auto before = [](const BlockEvent& a, const BlockEvent& b) {
        return a.offset < b.offset;
    };
    if (std::is_sorted(entries_.begin(), entries_.begin() + n, before)) {
        return; // the usual case: hosts deliver points in order
    }
    // Bottom-up merge sort through the preallocated scratch array: stable, O(n log n), and free
    // of the temporary buffer std::stable_sort may allocate.
    BlockEvent* from = entries_.data();
    BlockEvent* to = scratch_.data();
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n);
            const std::size_t hi = std::min(lo + 2 * width, n);
            std::merge(from + lo, from + mid, from + mid, from + hi, to + lo, before);
        }
        std::swap(from, to);
    }
    if (from != entries_.data()) {
        std::copy(from, from + n, entries_.data());
    }
}

} // namespace quillwave::plugins
