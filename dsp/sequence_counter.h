#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

namespace quillwave::plugins {

// The counter of a seqlock with a single writer: odd while the writer is inside, even when the
// data is stable. The data it guards must itself be atomics accessed with relaxed order; the
// fences here order those accesses against the counter (Boehm, "Can seqlocks get along with
// programming language memory models?"). The reader never waits: it tries and reports.
class SequenceCounter {
public:
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

    void beginWrite() noexcept {
        counter_.fetch_add(1); // now odd
        // Keeps the data stores below from becoming visible before the counter turned odd.
        std::atomic_thread_fence(std::memory_order_release);
    }
    void endWrite() noexcept {
        counter_.fetch_add(1); // release: the data stores above come first; now even
    }

    // The counter at the start of a read, or nullopt while a writer is inside.
    std::optional<std::uint64_t> beginRead() const noexcept {
        const std::uint64_t seq = counter_.load(std::memory_order_acquire);
        if (seq % 2 != 0) {
            return std::nullopt;
        }
        return seq;
    }
    // True when no write began since beginRead returned seq, so the data read is consistent.
    bool validateRead(std::uint64_t seq) const noexcept {
        // Keeps the data loads above from being satisfied after the counter is read again.
        std::atomic_thread_fence(std::memory_order_acquire);
        return counter_.load(std::memory_order_relaxed) == seq;
    }

    std::uint64_t value() const noexcept { return counter_.load(); }

private:
    std::atomic<std::uint64_t> counter_{0};
};

} // namespace quillwave::plugins
