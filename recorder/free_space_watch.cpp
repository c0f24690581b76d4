#include "recorder/free_space_watch.h"

#include "platform/free_space.h"
#include "platform/module_threads.h"

#include <mutex>
#include <system_error>

namespace quillwave::plugins {

// Outlives the watch while a reading still runs.
struct FreeSpaceWatch::Shared {
    explicit Shared(Source s) : source(std::move(s)) {}
    const Source source;
    std::mutex mutex;
    // Guarded by mutex.
    bool inFlight = false;
    bool anyReading = false;
    std::u16string path;             // of the latest reading
    std::optional<std::uint64_t> bytes;
    Clock::time_point readAt{};
};

FreeSpaceWatch::FreeSpaceWatch() : FreeSpaceWatch(platform::freeBytesForPath) {}

FreeSpaceWatch::FreeSpaceWatch(Source source)
    : shared_(std::make_shared<Shared>(std::move(source))) {}

FreeSpaceWatch::~FreeSpaceWatch() = default;

std::optional<std::uint64_t> FreeSpaceWatch::freeBytes(const std::u16string& path,
                                                       Clock::time_point now) {
    Shared& s = *shared_;
    const std::lock_guard lock(s.mutex);
    const bool samePath = s.anyReading && s.path == path;
    if (!s.inFlight && !path.empty() && (!samePath || now - s.readAt >= kInterval)) {
        s.inFlight = true;
        try {
            platform::startModuleThread([shared = shared_, path, now] {
                // An exception must not leave the thread (that would end the host), nor leave a
                // reading in flight for ever: a failed reading reads as unknown.
                std::optional<std::uint64_t> bytes;
                try {
                    bytes = shared->source(path);
                } catch (...) {
                    bytes.reset();
                }
                const std::lock_guard done(shared->mutex);
                shared->inFlight = false;
                shared->anyReading = true;
                shared->path = path;
                shared->bytes = bytes;
                shared->readAt = now;
            });
        } catch (const std::exception&) {
            s.inFlight = false; // no thread now: the next call tries again
        }
    }
    return samePath ? s.bytes : std::nullopt;
}

} // namespace quillwave::plugins
