// The writer thread of a take pipeline: creates each armed take's file while the audio thread may
// already be capturing into the ring, writes the take's samples, finalizes the file and goes on
// with the next take.

#include "platform/module_threads.h"
#include "platform/path_status.h"
#include "recorder/free_take_name.h"
#include "recorder/recording_limits.h"
#include "recorder/take_files.h"
#include "recorder/take_pipeline.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>

namespace quillwave::plugins {
namespace {

// How often an armed writer looks for a run: the ring holds seconds, so this costs no audio.
constexpr auto kArmedPoll = std::chrono::milliseconds(20);
// The same while the module does not process: a host that processes without saying so still
// has its run written long before the ring is full.
constexpr auto kParkedPoll = std::chrono::milliseconds(1000);
// How often it looks for samples while a take records.
constexpr auto kRecordingPoll = std::chrono::milliseconds(2);
// Names tried for one take when a free name is taken by someone else before it is created.
constexpr int kCreationAttempts = 8;

bool unusedTake(const TakePipeline& p, std::uint64_t t) {
    const Head h = p.head();
    // Read after the head: a start stores its index before any later take moves the head on.
    const bool started = p.slot(t).startIndex.load() != TakeSlot::kOpen;
    return !started && (h.take > t || h.state == HeadState::Unused);
}

class TakeWriter {
public:
    TakeWriter(TakePipeline& p, std::uint64_t t) : p_(p), t_(t), s_(p.slot(t)) {}

    void run() {
        if (unusedTake(p_, t_)) {
            return; // replaced or used up before its file was made
        }
        create();
        write();
    }

private:
    // The path the take's file gets, and whether it must be that exact path.
    std::u16string base(DestinationMode mode) {
        const std::lock_guard lock(p_.mutex);
        if (mode != DestinationMode::FollowOn) {
            return p_.requested[t_ % TakePipeline::kSlots];
        }
        if (!p_.named.empty() && p_.namedAfter < t_) {
            return std::exchange(p_.named, {});
        }
        return p_.lastTake;
    }

    void create() {
        const DestinationMode mode = s_.mode.load();
        channels_ = s_.channels.load();
        const std::u16string from = base(mode);
        std::u16string path = from;
        auto result = TakeFiles::Creation::NotOpened;
        for (int attempt = 0; attempt < kCreationAttempts; ++attempt) {
            try {
                if (mode != DestinationMode::Exact) {
                    path = firstFreeDestination(from);
                }
            } catch (...) {
                break; // the existence query failed: the take cannot be created
            }
            files_.emplace(p_.open, path, channels_, s_.rate.load(),
                           sampleLimit(channels_, p_.dataByteLimit),
                           TakeFileOptions{s_.removeIfUnused.load(), s_.stampedFile.load()});
            result = files_->createFirst();
            // Another program took the free name between the query and the creation: the next
            // free name, a few times. An exact path or any other failure ends the take.
            if (result != TakeFiles::Creation::NotOpened || mode == DestinationMode::Exact ||
                platform::queryPathStatus(path) != platform::PathStatus::Exists) {
                break;
            }
        }
        const std::lock_guard lock(p_.mutex);
        // A failed take leaves the path it was armed with as the last one, not a name it tried.
        p_.lastTake = result == TakeFiles::Creation::Created ? path : from;
        if (result == TakeFiles::Creation::Created) {
            p_.resolved[t_ % TakePipeline::kSlots] = path;
            p_.fileCreated.exchange(true);
            s_.created.exchange(true);
            return;
        }
        files_.reset();
        fail(true);
        // An armed take that was never started is used up; a started one ends at the audio
        // thread's next block.
        p_.exchangeHead({t_, HeadState::Armed}, {t_, HeadState::Unused});
    }

    void fail(bool creation) {
        if (creation) {
            p_.creationFailed.exchange(true);
        }
        p_.diskError.exchange(true);
        s_.failed.exchange(true);
        p_.wake.notify_all();
    }

    void write() {
        bool failed = !files_;
        std::uint64_t r = p_.readIndex.load(std::memory_order_relaxed);
        bool begun = false;
        for (;;) {
            const std::uint64_t start = s_.startIndex.load();
            if (start == TakeSlot::kOpen) {
                if (unusedTake(p_, t_)) {
                    break;
                }
                std::unique_lock lock(p_.mutex);
                if (p_.closed) {
                    // Closed after the audio thread armed this take (a follow-on of a tail that
                    // ended as the pipeline closed): no run is to come, so it ends unused rather
                    // than keep its writer waiting. One that started meanwhile ends at once.
                    if (!p_.exchangeHead({t_, HeadState::Armed}, {t_, HeadState::Unused})) {
                        s_.stop.exchange(true);
                    }
                    continue;
                }
                p_.wake.wait_for(lock, p_.processing.load() ? kArmedPoll : kParkedPoll);
                continue;
            }
            if (!begun) {
                begun = true;
                p_.writtenFrames.exchange(0);
                r = std::max(r, start); // nothing of another take lies between
                if (files_) {
                    // The take has begun: its start is known, and nothing is written yet.
                    files_->stampTake(timeStamp(start), s_.timeStamped.load());
                }
            }
            const std::uint64_t end = s_.endIndex.load();
            const std::uint64_t w = p_.writeIndex.load(std::memory_order_acquire);
            const std::uint64_t available = std::min(w, end);
            if (r < available) {
                if (failed || s_.failed.load()) {
                    // Frames that no file can take: counted as lost, never silently.
                    failed = true;
                    p_.droppedFrames.fetch_add((available - r) / channels_);
                    r = available;
                    p_.readIndex.store(r, std::memory_order_release);
                    continue;
                }
                if (!writeSome(r, available)) {
                    failed = true;
                    fail(false);
                    // The audio thread ends the take at its next block (or the writer does, once
                    // it is out of the recorder).
                    s_.stop.exchange(true);
                    p_.recording.exchange(false);
                }
                continue;
            }
            if (end != TakeSlot::kOpen) {
                break; // everything of the take is written
            }
            // A take stopped from a host thread (or failed) while no block runs: it ends where
            // the ring ends. Once stop is set and the audio thread is outside the recorder, no
            // capture stores into this take again.
            if ((s_.stop.load() || s_.failed.load()) && !p_.inAudioCall.load()) {
                std::uint64_t open = TakeSlot::kOpen;
                s_.endIndex.compare_exchange_strong(open, p_.writeIndex.load());
                continue;
            }
            std::this_thread::sleep_for(kRecordingPoll);
        }
        finish(begun);
    }

    // The time stamp of the take whose first sample lies at ring index start.
    TakeTimeStamp timeStamp(std::uint64_t start) const {
        TakeTimeStamp stamp;
        if (const std::int64_t time = s_.projectTime.load(); time >= 0) {
            stamp.projectTime = static_cast<std::uint64_t>(time);
        }
        // The audio thread reads no clock: the take began the length of its captured frames ago.
        const std::uint64_t frames = (p_.writeIndex.load() - start) / channels_;
        stamp.recordedAt = std::chrono::system_clock::now() -
                           std::chrono::duration_cast<std::chrono::system_clock::duration>(
                               std::chrono::duration<double>(static_cast<double>(frames) /
                                                             std::max(1u, s_.rate.load())));
        return stamp;
    }

    // Writes what lies in [r, available) within one file and one chunk; false on a failure.
    bool writeSome(std::uint64_t& r, std::uint64_t available) {
        TakeFiles& files = *files_;
        if (files.room() == 0) {
            if (sampleLimit(channels_, p_.dataByteLimit) == 0 || !files.moveOn()) {
                return false;
            }
            const std::lock_guard lock(p_.mutex);
            p_.partPath = files.currentPath();
        }
        const CaptureRing& ring = *p_.ring;
        std::uint64_t run = std::min({ring.samples() - (r & ring.mask()), available - r,
                                      writeChunkSamples(channels_), files.room()});
        run -= run % channels_;
        std::uint64_t count = run;
        if (run > 0) {
            files.write(ring.data() + (r & ring.mask()), run);
        } else {
            // One frame straddles the end of the ring.
            count = channels_;
            for (std::uint64_t k = 0; k < count; ++k) {
                files.write(ring.data() + ((r + k) & ring.mask()), 1);
            }
        }
        r += count;
        p_.readIndex.store(r, std::memory_order_release);
        p_.writtenFrames.exchange(files.takeSamples() / channels_);
        if (files.failed()) {
            return false;
        }
        files.prepareNextWhenDue();
        return true;
    }

    void finish(bool begun) {
        if (files_) {
            if (!begun && s_.removeIfUnused.load()) {
                files_->removeUnused();
            } else if (!files_->finalize()) {
                fail(false);
            }
        }
        const std::lock_guard lock(p_.mutex);
        p_.partPath.clear();
    }

    TakePipeline& p_;
    const std::uint64_t t_;
    TakeSlot& s_;
    std::uint32_t channels_ = 1;
    std::optional<TakeFiles> files_;
};

void writeTakes(const std::shared_ptr<TakePipeline>& pipeline) {
    TakePipeline& p = *pipeline;
    std::uint64_t t = 0;
    {
        const std::lock_guard lock(p.mutex);
        t = p.nextToWrite;
    }
    for (;; ++t) {
        if (p.head().take < t) {
            // Nothing armed: the thread ends, and the next arming starts another. Decided under
            // the lock that arming holds, so that no armed take is left without a writer.
            const std::lock_guard lock(p.mutex);
            if (p.head().take < t) {
                p.nextToWrite = t;
                p.writerRunning = false;
                p.wake.notify_all();
                return;
            }
        }
        TakeSlot& s = p.slot(t);
        try {
            TakeWriter(p, t).run();
        } catch (...) {
            // Out of memory, or a stream that threw: the take ends as a disk error instead of
            // the exception ending the host from this thread. An armed take is used up; a
            // started one ends at the audio thread's next block.
            s.failed.exchange(true);
            p.diskError.exchange(true);
            p.exchangeHead({t, HeadState::Armed}, {t, HeadState::Unused});
        }
        {
            const std::lock_guard lock(p.mutex);
            p.requested[t % TakePipeline::kSlots].clear();
            p.resolved[t % TakePipeline::kSlots].clear();
            p.nextToWrite = t + 1;
        }
        s.inUse.store(false, std::memory_order_release);
    }
}

} // namespace

void TakeSlot::reset(DestinationMode m, std::uint32_t ch, std::uint32_t r, bool removeUnused,
                     bool stamped) noexcept {
    stampedFile.store(stamped);
    projectTime.store(-1);
    timeStamped.store(false);
    mode.store(m);
    channels.store(ch);
    rate.store(r);
    removeIfUnused.store(removeUnused);
    startIndex.store(kOpen);
    endIndex.store(kOpen);
    stop.store(false);
    failed.store(false);
    created.store(false);
}

void ensureWriter(const std::shared_ptr<TakePipeline>& pipeline) {
    if (pipeline->writerRunning) {
        return;
    }
    platform::startModuleThread([pipeline] { writeTakes(pipeline); });
    pipeline->writerRunning = true;
}

} // namespace quillwave::plugins
