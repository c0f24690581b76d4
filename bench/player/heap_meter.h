#pragma once

#include <cstddef>

namespace quillwave::bench {

// Linking heap_meter.cpp replaces the global operator new and delete of the benchmark so that it
// can report how many bytes the code under test held at its peak.
std::size_t liveHeapBytes();
std::size_t peakHeapBytes();
// Starts a new peak from what is alive now.
void resetPeakHeapBytes();

} // namespace quillwave::bench
