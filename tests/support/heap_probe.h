#pragma once

#include <cstddef>

namespace quillwave::test {

// Linking heap_probe.cpp (the test_heap_probe library) replaces the global operator new and
// delete of the test binary, so that tests can see heap activity they do not control.

// Live blocks of exactly this many bytes are counted (0 turns the count off). Tests give their
// clips a sample storage size nothing else uses, which makes this a live-clip counter.
void trackBlockSize(std::size_t bytes);
long trackedBlocksLive();
// Most tracked blocks alive at once since the last reset.
long trackedBlocksPeak();
void resetTrackedBlocksPeak();

// Blocks allocated with operator new and not yet freed, by every thread, and their bytes.
long liveHeapBlocks();
std::size_t liveHeapBytes();
// The most bytes alive at once since the last reset; a reset starts from what is alive now.
std::size_t peakHeapBytes();
void resetPeakHeapBytes();

// Largest single allocation since the last reset.
std::size_t largestAllocation();
void resetLargestAllocation();

// Counts the allocations and frees that the constructing thread makes while the scope lives.
class ThreadHeapScope {
public:
    ThreadHeapScope();
    ~ThreadHeapScope();
    ThreadHeapScope(const ThreadHeapScope&) = delete;
    ThreadHeapScope& operator=(const ThreadHeapScope&) = delete;

    std::size_t events() const { return events_; }

private:
    std::size_t events_ = 0;
    std::size_t* previous_ = nullptr;
};

} // namespace quillwave::test
