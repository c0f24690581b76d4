#pragma once

#include "recorder/capture_ring.h"
#include "recorder/recording_stream.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace quillwave::plugins {

// How a take's file name is found when its writer creates the file.
enum class DestinationMode : std::uint32_t {
    Exact,    // the path itself, or the take fails
    FreeName, // the path if nothing is there, else its first free take name
    FollowOn, // the first free take name after the previous take (or after a path named since)
};

// One take of a pipeline, from the moment its destination is armed until its writer has
// finalized it. The audio thread starts and ends takes; a host thread arms them; the writer
// creates, fills and finalizes their files. Fields written by more than one thread are atomics;
// the paths live in TakePipeline under its mutex.
struct TakeSlot {
    static constexpr std::uint64_t kOpen = ~std::uint64_t{0};

    std::atomic<bool> inUse{false}; // taken by whoever arms it; the writer frees it
    std::atomic<DestinationMode> mode{DestinationMode::Exact};
    std::atomic<std::uint32_t> channels{0};
    std::atomic<std::uint32_t> rate{0};
    // A file created for this take and never written is removed again, rather than left as an
    // empty take (New take every run).
    std::atomic<bool> removeIfUnused{false};
    std::atomic<std::uint64_t> startIndex{kOpen}; // ring index of its first sample
    std::atomic<std::uint64_t> endIndex{kOpen};   // ring index after its last sample
    std::atomic<bool> stop{false};                // a host thread ended the take (no tail)
    std::atomic<bool> failed{false};              // its file could not be created or written
    std::atomic<bool> created{false};
    // Its files are created as Broadcast WAV (decided at arming).
    std::atomic<bool> stampedFile{false};
    // Where its first frame lies on the host's timeline, and whether to stamp the file with it:
    // stored by the audio thread before startIndex, read by the writer after it.
    std::atomic<std::int64_t> projectTime{-1};
    std::atomic<bool> timeStamped{false};

    // Clears everything but inUse, for the next arming.
    void reset(DestinationMode m, std::uint32_t ch, std::uint32_t r, bool removeUnused,
               bool stamped) noexcept;
};

// The head of a pipeline: the newest take's number and what has become of it, in one word so
// that the audio thread's start, a host thread's arming and a stop change it with one
// compare-and-exchange each.
enum class HeadState : std::uint64_t {
    Armed = 0,   // the next run records into this take
    Started = 1, // the take has begun (it may have ended since: see its endIndex)
    Unused = 2,  // the take ended without a run, or there is none
};

struct Head {
    std::uint64_t take = 0;
    HeadState state = HeadState::Unused;

    static Head of(std::uint64_t word) noexcept {
        return {word >> 2, static_cast<HeadState>(word & 3)};
    }
    std::uint64_t word() const noexcept { return take << 2 | static_cast<std::uint64_t>(state); }
};

// A capture ring with the takes recorded through it and the writer thread that writes them: the
// audio thread fills the ring for take after take, and the writer finalizes one file and goes on
// in the next, so takes that follow each other in consecutive blocks lose no frame between them.
// Shared by the recorder and its writer: the writer holds it until its last take is finalized,
// also after the recorder is gone, so that no host call waits for the disk.
struct TakePipeline {
    static constexpr std::uint64_t kSlots = 64; // takes in flight, armed or being written

    explicit TakePipeline(std::unique_ptr<CaptureRing> r, RecordingFileOpener opener,
                          std::uint64_t byteLimit)
        : ring(std::move(r)), open(std::move(opener)), dataByteLimit(byteLimit) {}

    TakeSlot& slot(std::uint64_t take) noexcept { return slots[take % kSlots]; }
    const TakeSlot& slot(std::uint64_t take) const noexcept { return slots[take % kSlots]; }
    Head head() const noexcept { return Head::of(headWord.load()); }
    bool exchangeHead(Head expected, Head wanted) noexcept {
        std::uint64_t word = expected.word();
        return headWord.compare_exchange_strong(word, wanted.word());
    }

    const std::unique_ptr<CaptureRing> ring;
    const RecordingFileOpener open;
    const std::uint64_t dataByteLimit;

    std::array<TakeSlot, kSlots> slots;
    std::atomic<std::uint64_t> headWord{Head{}.word()};
    std::atomic<std::uint64_t> readIndex{0};  // written by the writer only
    std::atomic<std::uint64_t> writeIndex{0}; // written by the audio thread only

    // The take the audio thread records or recorded last (audio thread writes, anyone reads).
    std::atomic<bool> recording{false};
    std::atomic<bool> inAudioCall{false}; // inside capture or start right now
    // The module processes audio, so a run may start at any block; while it does not, an armed
    // writer looks for one only rarely (a host may process without saying so).
    std::atomic<bool> processing{false};
    std::atomic<std::uint64_t> openTake{0}; // the take the audio thread started last
    std::atomic<std::uint32_t> takeChannels{0};
    std::atomic<std::uint64_t> takeStart{0};
    std::atomic<std::uint64_t> takeEnd{TakeSlot::kOpen};
    std::atomic<std::uint64_t> startPosition{0};
    std::atomic<std::uint64_t> stopPosition{~std::uint64_t{0}};
    std::atomic<std::uint64_t> silentRun{0}; // audio thread only; atomic for resets
    // Pre-record, written by the audio thread only: the armed take whose kept input the ring
    // holds from ring index preFrom on, where the data of the takes before the current one ends
    // (a take's room counts nothing between that and its own start once it is read), and the
    // kept frames the take started last begins with.
    static constexpr std::uint64_t kNoPreRecord = ~std::uint64_t{0};
    std::atomic<std::uint64_t> preTake{kNoPreRecord};
    std::atomic<std::uint64_t> preFrom{0};
    std::atomic<std::uint64_t> priorEnd{0};
    std::atomic<std::uint64_t> keptFrames{0};
    std::atomic<std::uint64_t> preEnd{0}; // the block position just after the last kept frame
    // Raised by a host thread when processing stops: the input kept before does not go on into
    // what comes after, so keeping starts again.
    std::atomic<bool> preBroken{false};
    std::atomic<std::uint64_t> droppedFrames{0};

    // What the writer reports.
    std::atomic<std::uint64_t> writtenFrames{0}; // of the take it writes
    std::atomic<bool> diskError{false};
    std::atomic<bool> creationFailed{false};
    std::atomic<bool> fileCreated{false};

    // Host threads and the writer; never the audio thread.
    std::mutex mutex;
    std::condition_variable wake;
    bool writerRunning = false; // a writer thread serves the takes
    bool closed = false;        // no take is armed any more; the writer ends when done
    std::array<std::u16string, kSlots> requested; // the arming's path per slot
    std::array<std::u16string, kSlots> resolved;  // the file created per slot
    std::u16string named;         // a destination named during a take, for the take that follows it
    std::uint64_t namedAfter = 0; // named for the takes after this one
    std::u16string lastTake;      // the file of the take written last, for a follow-on's name
    std::u16string partPath;      // the continuation part being written, if any
    std::uint64_t nextToWrite = 1; // the take a writer thread starts with
};

// Starts a writer thread for the pipeline's armed takes unless one runs; it ends by itself once
// no take is armed or being written. Throws std::system_error when no thread can be started.
// Call with the pipeline's mutex held.
void ensureWriter(const std::shared_ptr<TakePipeline>& pipeline);

} // namespace quillwave::plugins
