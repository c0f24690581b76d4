#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quillwave::plugins {

// Keeps the free space of the destination's volume up to date for the editor without ever
// making it wait: each reading runs on a thread of its own, at most one at a time and at most one
// per interval, and only while somebody asks (the editor's paint). A reading that blocks (a share
// that stopped answering) only delays the next one. Callable from any thread but the audio thread.
class FreeSpaceWatch {
public:
    using Clock = std::chrono::steady_clock;
    using Source = std::function<std::optional<std::uint64_t>(const std::u16string& path)>;
    static constexpr Clock::duration kInterval = std::chrono::seconds(3);

    FreeSpaceWatch();
    explicit FreeSpaceWatch(Source source);
    // Does not wait for a reading in flight: it finishes on its own thread.
    ~FreeSpaceWatch();
    FreeSpaceWatch(const FreeSpaceWatch&) = delete;
    FreeSpaceWatch& operator=(const FreeSpaceWatch&) = delete;

    // Starts a reading of path's volume unless one is in flight or the latest one of the same
    // path is younger than the interval; then returns the latest reading of path, or nothing when
    // there is none or it failed.
    std::optional<std::uint64_t> freeBytes(const std::u16string& path, Clock::time_point now);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace quillwave::plugins
