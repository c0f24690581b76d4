#pragma once

#include "recorder/bext_chunk.h"
#include "recorder/capture_ring.h"
#include "recorder/recording_limits.h"
#include "recorder/recording_stream.h"
#include "recorder/take_pipeline.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace quillwave::plugins {

// How a DiskRecorder reaches the disk and its ring memory. The defaults are the product's; tests
// inject failing or stalling streams, a smaller size limit and failing allocations.
struct RecorderFileAccess {
    RecordingFileOpener open = openNewRecordingFile;
    // Largest data chunk of one file of a take in bytes; values above kMaxDataBytes are cut to
    // it. A take that reaches it goes on in a continuation part.
    std::uint64_t dataByteLimit = kMaxDataBytes;
    std::function<std::unique_ptr<CaptureRing>(std::uint64_t samples)> allocateRing =
        CaptureRing::allocate;
};

// Points where a test holds one thread so that another runs at an exact moment; empty in the
// product. Each is called on the thread named.
struct RecorderRaceHooks {
    // Audio thread: inside start, after it found a take armed, before it claims it.
    std::function<void()> startTested;
    // Audio thread: inside capture, holding the ring it is about to write.
    std::function<void()> captureHoldsRing;
};

// What the audio thread knows of a take as it starts it.
struct TakeStart {
    static constexpr std::int64_t kNoProjectTime = -1;
    // The host's project time of the take's first frame in samples; negative when the host gave
    // no valid project time.
    std::int64_t projectTime = kNoProjectTime;
    // The take is to be time-stamped (Broadcast WAV), also when its file was created plain.
    bool timeStamped = false;
};

// Moves the recorder's input from the audio thread into new 32-bit float WAV files. The audio
// thread copies frames into a single-producer, single-consumer ring; a writer thread creates each
// take's file, drains the ring into it and finalizes it, going on in continuation parts when a
// file is full (TakeFiles). The two sides share only atomics (TakePipeline).
//
// A destination is armed at once, without the disk: a run that starts in any later block is
// captured from its first frame, while the writer creates the file and then writes the backlog.
// A file that cannot be created ends its take as a creation failure, its frames counted as
// dropped. With "New take every run" each take that ends arms the next take name by itself, and
// a run inside a tail ends the take there and starts the next one: takes back to back are the
// continuous input.
//
// Pre-record: while a take is armed and not started, the audio thread keeps the last seconds of
// input in the ring, beyond the writer's budget, where the writer does not read them; a start
// begins the take with them (at most the time armed), and the run follows without a gap.
//
// Threads: capture, start and beginTail run on the audio thread only and never allocate, lock,
// wait or touch a file. arm, finish and the accessors are callable from host threads and never
// wait for the disk; prepare and joinWriter wait, and are for the editor's file choice and tests.
// The writer outlives the recorder until its last take is finalized; the module exit joins it
// (platform::joinModuleThreads).
class DiskRecorder {
public:
    static constexpr std::uint64_t kNoStop = ~std::uint64_t{0};
    static constexpr std::uint64_t kInitialSilenceFrames = 24000;
    static constexpr std::uint64_t kInitialMaxTailFrames = 1440000;
    static constexpr float kInitialSilenceThreshold = 1.0e-4f; // -80 dBFS

    DiskRecorder() : DiskRecorder(RecorderFileAccess{}) {}
    explicit DiskRecorder(RecorderFileAccess access, RecorderRaceHooks hooks = {});
    // Ends the take without waiting; its writer finalizes it.
    ~DiskRecorder();
    DiskRecorder(const DiskRecorder&) = delete;
    DiskRecorder& operator=(const DiskRecorder&) = delete;

    // --- host and editor threads ---

    // Arms a destination for the next run, replacing one still armed (whose file is closed as an
    // empty take, or removed with "New take every run"). Refuses while a take records ("Stop
    // recording before choosing destination"), an invalid format and a ring that cannot be had.
    // Touches no file: the writer creates it. Returns the take's number for awaitCreation.
    std::uint64_t arm(const std::u16string& path, DestinationMode mode, std::uint32_t channels,
                      std::uint32_t sampleRate);
    // Names the destination that the take after the running one records into, without arming
    // it (a load during a take).
    void nameNext(const std::u16string& path);
    // Waits until the writer has created the file of take (or failed, or the take was replaced);
    // throws "Cannot create recording file" on failure. Waits for the disk.
    void awaitCreation(std::uint64_t take) const;
    // Throws "Destination exists; choose a new file" when anything exists under path (or the
    // query's own error). Asks the file system, so it may wait for the disk.
    static void refuseExisting(const std::u16string& path);
    // Arms path exactly after checking that nothing exists there, and waits for its file.
    // Throws with the user-facing message.
    void prepare(const std::u16string& path, std::uint32_t channels, std::uint32_t sampleRate);
    // Ends capture now, without a tail. An armed take that never started is used up, unless
    // "New take every run" keeps it armed. Does not wait.
    void finish() noexcept;
    // Ends capture and every armed take, and waits until the writer has finalized them.
    void joinWriter() noexcept;
    // "New take every run"; any thread, the audio thread included.
    void setNewTakeEveryRun(bool on) noexcept { newTakeEveryRun_.store(on); }
    bool newTakeEveryRun() const noexcept { return newTakeEveryRun_.load(); }
    // Whether the files of takes armed from now on are created time-stamped (Broadcast WAV).
    void setTimeStampedTakes(bool on) noexcept { timeStampedFiles_.store(on); }
    // Whether the module processes audio (a run can start only then); wakes an armed writer.
    void setProcessing(bool on) noexcept;
    // Seconds of input kept while a take is armed and not started, with which the next start
    // begins its take (0 .. 10; 0: none). Any thread, the audio thread included.
    void setPreRecordSeconds(double seconds) noexcept;
    double preRecordSeconds() const noexcept { return preRecordSeconds_.load(); }

    // --- audio thread ---

    // Copies the frames of one block into the ring. channels holds bufferCount pointers (null
    // entries and channels beyond bufferCount record as 0.0) to frames samples each;
    // blockPosition is the running sample position of the block's first frame.
    void capture(const float* const* channels, std::uint32_t bufferCount, std::uint32_t frames,
                 std::uint64_t blockPosition) noexcept;
    // A run begins at position: starts the armed take, moves the start of a running one, or
    // leaves a tail (in the same take, or with "New take every run" in the next).
    // `take` is kept for the file's time stamp while no frame was captured yet.
    void start(std::uint64_t position, TakeStart take = {}) noexcept;
    // Sets where the effect tail begins and the settings of the tail test.
    void beginTail(std::uint64_t position, double silenceSeconds, double maxTailSeconds,
                   double thresholdDb) noexcept;

    // --- flags and counters, each read on its own ---

    // A run now would be recorded (a take is armed), or one records.
    bool ready() const noexcept;
    bool recording() const noexcept;
    // No take is armed or open: nothing more enters the ring for now.
    bool captureComplete() const noexcept { return !ready(); }
    // No writer is at work on this recorder's takes.
    bool writerFinished() const noexcept;
    // Every take that has ended is finalized (a writer may still wait for the armed one).
    bool takesFinalized() const noexcept;
    bool diskError() const noexcept;
    // The failure was that a take's file could not be created.
    bool creationFailed() const noexcept;
    bool inCapture() const noexcept;
    bool fileCreated() const noexcept;
    // Format of the armed or last take.
    std::uint32_t fileChannels() const noexcept { return fileChannels_.load(); }
    std::uint32_t fileSampleRate() const noexcept { return fileSampleRate_.load(); }
    std::uint64_t readIndex() const noexcept;
    std::uint64_t writeIndex() const noexcept;
    // Frames of the take being written that reached its files.
    std::uint64_t writtenFrames() const noexcept;
    // Frames lost since the last arming: ring full, or no file to take them.
    std::uint64_t droppedFrames() const noexcept;
    std::uint64_t startPosition() const noexcept;
    std::uint64_t stopPosition() const noexcept;
    std::uint64_t silenceFrames() const noexcept { return silenceFrames_.load(); }
    std::uint64_t maxTailFrames() const noexcept { return maxTailFrames_.load(); }
    float silenceThreshold() const noexcept { return silenceThreshold_.load(); }
    // Frames the audio thread has put into the ring for the current or last take.
    std::uint64_t capturedFrames() const noexcept;
    // Slots of the ring takes record through; 0 before the first arming.
    std::uint64_t ringSamples() const noexcept;
    // The most frames pre-record can keep at the armed or last format (the ring beyond the
    // writer's budget, at most 10 s); 0 before the first arming.
    std::uint64_t preRecordLimitFrames() const noexcept;
    // The kept frames the current or last take begins with.
    std::uint64_t keptFrames() const noexcept;
    // The continuation part the writer is writing, once a take has gone past its first file;
    // empty otherwise.
    std::u16string partPath() const;
    // The file the next run records into (the armed take's, once created; the path it was armed
    // with before), else the file of the last take; empty before any arming.
    std::u16string destinationPath() const;
    // The file of the armed take: its exact path, or the free name once the writer found it;
    // empty before that and when none is armed.
    std::u16string armedFile() const;
    // The path the armed take was armed with; empty when none is armed.
    std::u16string armedRequest() const;

private:
    // The pipeline takes of this format record through: the current one while it fits, else a
    // new one (the current one then finishes its takes on its own). Under hostMutex_.
    std::shared_ptr<TakePipeline> pipelineFor(std::uint32_t channels, std::uint32_t sampleRate);
    // Makes pipeline the one the audio thread records into, once no audio call holds the old.
    void makeLive(std::shared_ptr<TakePipeline> pipeline);
    std::shared_ptr<TakePipeline> current() const;
    // The armed take's requested path (request) or its file; empty when none is armed.
    std::u16string armedPath(bool request) const;
    // One counter of the current pipeline, or otherwise when there is none.
    std::uint64_t counter(std::atomic<std::uint64_t> TakePipeline::*field,
                          std::uint64_t otherwise) const noexcept;
    // Ends the open take t at the ring's end (audio thread), arming its follow-on first when
    // followOn.
    void endTake(TakePipeline& p, std::uint64_t t, bool followOn) noexcept;
    // Arms the take after t as the next take name (audio or host thread); false when the slot is
    // still being written or another thread armed it.
    static bool armFollowOn(TakePipeline& p, std::uint64_t t, bool stamped) noexcept;
    // Starts the armed take at position (audio thread); false when none is armed.
    bool claimArmed(TakePipeline& p, std::uint64_t position, TakeStart take) noexcept;
    void captureInto(TakePipeline& p, const float* const* channels, std::uint32_t bufferCount,
                     std::uint32_t frames, std::uint64_t blockPosition) noexcept;
    // Keeps frames from firstFrame of the block at blockPosition as pre-record of the armed take,
    // if any and if pre-record is on.
    void keepBeforeStart(TakePipeline& p, const float* const* channels, std::uint32_t bufferCount,
                         std::uint32_t firstFrame, std::uint32_t frames,
                         std::uint64_t blockPosition) noexcept;
    // Ring samples of kept input the armed take starts with, at ring index w, for a run whose
    // first frame is at position.
    std::uint64_t keptSamples(const TakePipeline& p, std::uint64_t take, std::uint64_t w,
                              std::uint64_t position) const noexcept;
    static void stopPipeline(TakePipeline& p, bool keepArmed) noexcept;

    const RecorderFileAccess access_;
    const RecorderRaceHooks hooks_;

    // Host threads: the pipeline armings go into; never held across disk work.
    mutable std::mutex hostMutex_;
    std::shared_ptr<TakePipeline> current_; // guarded by hostMutex_
    bool fileCreatedBefore_ = false;        // by a pipeline replaced since; guarded by hostMutex_
    // The pipeline the audio thread uses; replaced only once no audio call is inside.
    std::atomic<TakePipeline*> live_{nullptr};
    // Raised by one at the entry to capture or start and again at its exit: odd while the audio
    // thread is inside. A host thread waiting for one call to end waits for the count to move,
    // not for a moment outside, which back-to-back calls may never leave it.
    std::atomic<std::uint64_t> audioCalls_{0};
    std::atomic<bool> newTakeEveryRun_{false};
    std::atomic<bool> timeStampedFiles_{false}; // for the takes armed from now on
    std::atomic<bool> processing_{true}; // until told otherwise, a run may start any time
    std::atomic<std::uint32_t> fileChannels_{0};
    std::atomic<std::uint32_t> fileSampleRate_{0};
    std::atomic<std::uint64_t> silenceFrames_{kInitialSilenceFrames};
    std::atomic<std::uint64_t> maxTailFrames_{kInitialMaxTailFrames};
    std::atomic<float> silenceThreshold_{kInitialSilenceThreshold};
    std::atomic<double> preRecordSeconds_{0.0};

    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
    static_assert(std::atomic<bool>::is_always_lock_free);
    static_assert(std::atomic<float>::is_always_lock_free);
    static_assert(std::atomic<double>::is_always_lock_free);
};

} // namespace quillwave::plugins
