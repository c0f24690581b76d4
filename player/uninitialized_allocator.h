#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace quillwave::plugins {

// std::allocator that leaves value-initialization out: growing a vector of floats by resize()
// does not write zeros first. Decoding fills every sample anyway, and at hundreds of megabytes
// the zeroing pass costs as much as the decode itself.
template <class T> class UninitializedAllocator : public std::allocator<T> {
public:
    template <class U> struct rebind { using other = UninitializedAllocator<U>; };

    UninitializedAllocator() noexcept = default;
    template <class U> UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

    template <class U> void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U; // default-initialization: no value for trivial types
    }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

template <class T, class U>
bool operator==(const UninitializedAllocator<T>&, const UninitializedAllocator<U>&) noexcept {
    return true;
}

} // namespace quillwave::plugins
