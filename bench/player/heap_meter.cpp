#include "bench/player/heap_meter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace quillwave::bench {
namespace {

constexpr std::size_t kPrefix = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

void* allocate(std::size_t size, bool nothrow) {
    void* base = std::malloc(size + kPrefix);
    if (base == nullptr) {
        if (nothrow) {
            return nullptr;
        }
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(base) = size;
    const std::size_t now = live.fetch_add(size, std::memory_order_relaxed) + size;
    std::size_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
    return static_cast<char*>(base) + kPrefix;
}

void release(void* block) {
    if (block == nullptr) {
        return;
    }
    void* base = static_cast<char*>(block) - kPrefix;
    live.fetch_sub(*static_cast<std::size_t*>(base), std::memory_order_relaxed);
    std::free(base);
}

} // namespace

std::size_t liveHeapBytes() {
    return live.load();
}
std::size_t peakHeapBytes() {
    return peak.load();
}
void resetPeakHeapBytes() {
    peak.store(live.load());
}

} // namespace quillwave::bench

using quillwave::bench::allocate;
using quillwave::bench::release;

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
