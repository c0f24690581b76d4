#include "support/heap_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace quillwave::test {
namespace {

// Every block carries its size in front, so frees can be matched to sizes whether or not the
// compiler uses sized deallocation. Keeps the default new alignment.
constexpr std::size_t kPrefix = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
static_assert(kPrefix >= sizeof(std::size_t));

std::atomic<std::size_t> trackedSize{0};
std::atomic<long> trackedLive{0};
std::atomic<long> trackedPeak{0};
std::atomic<std::size_t> largest{0};
std::atomic<long> liveBlocks{0};
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};
// Plain pointer: no constructor runs when the thread first allocates.
thread_local std::size_t* threadEvents = nullptr;

void noteEvent() {
    if (threadEvents != nullptr) {
        ++*threadEvents;
    }
}

void* allocate(std::size_t size, bool nothrow) {
    void* base = std::malloc(size + kPrefix);
    if (base == nullptr) {
        if (nothrow) {
            return nullptr;
        }
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(base) = size;
    noteEvent();
    liveBlocks.fetch_add(1, std::memory_order_relaxed);
    const std::size_t now = liveBytes.fetch_add(size, std::memory_order_relaxed) + size;
    std::size_t highest = peakBytes.load(std::memory_order_relaxed);
    while (now > highest &&
           !peakBytes.compare_exchange_weak(highest, now, std::memory_order_relaxed)) {
    }
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (size != 0 && size == trackedSize.load(std::memory_order_relaxed)) {
        const long live = trackedLive.fetch_add(1, std::memory_order_relaxed) + 1;
        long peak = trackedPeak.load(std::memory_order_relaxed);
        while (live > peak &&
               !trackedPeak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
        }
    }
    return static_cast<char*>(base) + kPrefix;
}

void release(void* block) {
    if (block == nullptr) {
        return;
    }
    void* base = static_cast<char*>(block) - kPrefix;
    const std::size_t size = *static_cast<std::size_t*>(base);
    noteEvent();
    liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    liveBytes.fetch_sub(size, std::memory_order_relaxed);
    if (size != 0 && size == trackedSize.load(std::memory_order_relaxed)) {
        trackedLive.fetch_sub(1, std::memory_order_relaxed);
    }
    std::free(base);
}

} // namespace

void trackBlockSize(std::size_t bytes) {
    trackedSize.store(bytes);
    trackedLive.store(0);
    trackedPeak.store(0);
}
long trackedBlocksLive() {
    return trackedLive.load();
}
long trackedBlocksPeak() {
    return trackedPeak.load();
}
void resetTrackedBlocksPeak() {
    trackedPeak.store(trackedLive.load());
}

long liveHeapBlocks() {
    return liveBlocks.load();
}
std::size_t liveHeapBytes() {
    return liveBytes.load();
}
std::size_t peakHeapBytes() {
    return peakBytes.load();
}
void resetPeakHeapBytes() {
    peakBytes.store(liveBytes.load());
}

std::size_t largestAllocation() {
    return largest.load();
}
void resetLargestAllocation() {
    largest.store(0);
}

ThreadHeapScope::ThreadHeapScope() : previous_(threadEvents) {
    threadEvents = &events_;
}
ThreadHeapScope::~ThreadHeapScope() {
    threadEvents = previous_;
}

} // namespace quillwave::test

using quillwave::test::allocate;
using quillwave::test::release;

void* operator new(std::size_t size) {
    return allocate(size, false);
}
void* operator new[](std::size_t size) {
    return allocate(size, false);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size, true);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size, true);
}
void operator delete(void* block) noexcept {
    release(block);
}
void operator delete[](void* block) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}
