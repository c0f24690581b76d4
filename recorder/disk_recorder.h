#pragma once

#include "recorder/bext_chunk.h"
#include "recorder/capture_ring.h"
#include "recorder/recording_limits.h"
#include "recorder/recording_stream.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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
// product. Both are called on the thread named.
struct RecorderRaceHooks {
    // Audio thread: inside start, after it found a destination armed, before it sets recording.
    std::function<void()> startTested;
    // prepare's thread: on each poll while it waits for such a start to finish.
    std::function<void()> prepareAwaitsStart;
    // Audio thread: inside capture, holding the ring it is about to write.
    std::function<void()> captureHoldsRing;
    // finish's thread: after its first clear of recording, before it sets captureComplete.
    std::function<void()> finishCleared;
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

// Moves the recorder's input from the audio thread into a new 32-bit float WAV file. The audio
// thread copies frames into a single-producer, single-consumer ring; one writer thread per
// prepared file drains it to disk and finalizes the file, going on in continuation parts of that
// file when it is full (TakeFiles). The two sides share only atomics.
// prepare sizes the ring for the take's format (CaptureRing::samplesFor) and keeps it for later
// takes that need the same size; a recorder that was never prepared holds no ring.
//
// Threads: capture, start and beginTail run on the audio thread only and never allocate, lock,
// wait or touch a file. prepare runs on a host or editor thread (one at a time) and blocks until
// the writer has created the file. finish, joinWriter and the accessors are callable from any
// thread.
class DiskRecorder {
public:
    static constexpr std::uint64_t kNoStop = ~std::uint64_t{0};
    static constexpr std::uint64_t kInitialSilenceFrames = 24000;
    static constexpr std::uint64_t kInitialMaxTailFrames = 1440000;
    static constexpr float kInitialSilenceThreshold = 1.0e-4f; // -80 dBFS

    DiskRecorder() : DiskRecorder(RecorderFileAccess{}) {}
    explicit DiskRecorder(RecorderFileAccess access, RecorderRaceHooks hooks = {});
    // Ends the take, waits for the writer to finalize the file, releases the ring.
    ~DiskRecorder();
    DiskRecorder(const DiskRecorder&) = delete;
    DiskRecorder& operator=(const DiskRecorder&) = delete;

    // --- host and editor threads ---

    // Arms a new destination: refuses while recording (also when a take starts at the same
    // moment on the audio thread: that take goes on in its file), finalizes the previous file,
    // checks the format and that nothing exists under path, provides the ring for the format,
    // resets the counters, starts the writer thread and waits until it has created the file and
    // written its provisional header. Throws with the user-facing message on any refusal or
    // failure.
    void prepare(const std::u16string& path, std::uint32_t channels, std::uint32_t sampleRate);
    // Ends capture now, without a tail. Does not wait.
    void finish() noexcept;
    // Ends capture and waits until the writer has drained the ring and finalized the file.
    void joinWriter() noexcept;
    // Shows a failed arming of a next destination as a disk error, while no writer runs; the next
    // prepare clears it.
    void markArmingFailed() noexcept;
    // Whether the files prepared from now on are created time-stamped (Broadcast WAV).
    void setTimeStampedTakes(bool on) noexcept { timeStampedFiles_.exchange(on); }

    // --- audio thread ---

    // Copies the frames of one block into the ring. channels holds bufferCount pointers (null
    // entries and channels beyond bufferCount record as 0.0) to frames samples each;
    // blockPosition is the running sample position of the block's first frame.
    void capture(const float* const* channels, std::uint32_t bufferCount, std::uint32_t frames,
                 std::uint64_t blockPosition) noexcept;
    // Starts (or moves the start of) capture at position, if a destination is armed and its take
    // has not ended. `take` is kept for the file's time stamp while no frame was captured yet.
    void start(std::uint64_t position, TakeStart take = {}) noexcept;
    // Sets where the effect tail begins and the settings of the tail test.
    void beginTail(std::uint64_t position, double silenceSeconds, double maxTailSeconds,
                   double thresholdDb) noexcept;

    // --- flags and counters, each read on its own ---

    bool ready() const noexcept { return ready_.load(); }
    bool recording() const noexcept { return recording_.load(); }
    bool captureComplete() const noexcept { return captureComplete_.load(); }
    bool writerFinished() const noexcept { return writerFinished_.load(); }
    bool diskError() const noexcept { return diskError_.load(); }
    bool inCapture() const noexcept { return inCapture_.load(); }
    bool fileCreated() const noexcept { return fileCreated_.load(); }
    std::uint32_t fileChannels() const noexcept { return fileChannels_.load(); }
    std::uint32_t fileSampleRate() const noexcept { return fileSampleRate_.load(); }
    std::uint64_t readIndex() const noexcept { return readIndex_.load(); }
    std::uint64_t writeIndex() const noexcept { return writeIndex_.load(); }
    std::uint64_t writtenFrames() const noexcept { return writtenFrames_.load(); }
    std::uint64_t droppedFrames() const noexcept { return droppedFrames_.load(); }
    std::uint64_t startPosition() const noexcept { return startPosition_.load(); }
    std::uint64_t stopPosition() const noexcept { return stopPosition_.load(); }
    std::uint64_t silenceFrames() const noexcept { return silenceFrames_.load(); }
    std::uint64_t maxTailFrames() const noexcept { return maxTailFrames_.load(); }
    float silenceThreshold() const noexcept { return silenceThreshold_.load(); }
    // Frames the audio thread has put into the ring for this take.
    std::uint64_t capturedFrames() const noexcept;
    // Slots of the ring the armed take records through; 0 before the first prepare.
    std::uint64_t ringSamples() const noexcept { return ringSamples_.load(); }
    // The continuation part the writer is writing, once a take has gone past its first file;
    // empty otherwise. Takes a lock the writer holds only while it moves to the next part: not
    // for the audio thread.
    std::u16string partPath() const;

private:
    void writerMain(std::u16string path);
    // Makes ring_ a ring of samples slots, reusing the present one when it has that size. Throws
    // when the memory is not available; no ring is left then. No writer may be running, and no
    // capture may be able to store (prepare has waited them out).
    void provideRing(std::uint64_t samples);
    // Returns once the audio thread is outside any capture call that began before now.
    void waitOutCapture() const noexcept;
    // start's stores, once it found a destination armed.
    void beginTake(std::uint64_t position, TakeStart take) noexcept;
    // The writer's time stamp of the take that has just delivered its first frames.
    TakeTimeStamp takeTimeStamp(std::uint32_t channels, std::uint32_t rate) const;

    const RecorderFileAccess access_;
    const RecorderRaceHooks hooks_;

    // Interleaved frames; the slot of a running index is index & mask. Never cleared between
    // takes. Only prepare replaces it, and only while no writer runs; the writer reads it
    // directly, the audio thread only through liveRing_.
    std::unique_ptr<CaptureRing> ring_;
    // The ring capture may use; null before the first prepare and while a ring is replaced.
    // prepare waits out every capture in flight before it replaces the ring or resets the
    // indices; capture raises inCapture_ before it reads recording_ and loads this pointer.
    std::atomic<const CaptureRing*> liveRing_{nullptr};
    std::atomic<std::uint64_t> ringSamples_{0}; // ring_'s size, for readers on any thread
    std::thread writerThread_;
    mutable std::mutex partPathMutex_;
    std::u16string partPath_; // guarded by partPathMutex_

    std::atomic<std::uint64_t> readIndex_{0};  // samples taken out; written by the writer only
    std::atomic<std::uint64_t> writeIndex_{0}; // samples put in; written by the audio thread only
    std::atomic<std::uint64_t> writtenFrames_{0};
    std::atomic<std::uint64_t> droppedFrames_{0};
    std::atomic<std::uint64_t> startPosition_{0};
    std::atomic<std::uint64_t> stopPosition_{kNoStop};
    std::atomic<bool> ready_{false};
    std::atomic<bool> recording_{false};
    std::atomic<bool> captureComplete_{false};
    std::atomic<bool> writerFinished_{true};
    std::atomic<bool> diskError_{false};
    std::atomic<bool> inCapture_{false};
    std::atomic<bool> fileCreated_{false}; // never cleared
    // prepare is replacing the destination: start begins no take.
    std::atomic<bool> closing_{false};
    // The audio thread is inside start, from before its test of closing_ to after its last store.
    std::atomic<bool> inStart_{false};
    // Atomic although the audio thread reads them only while a take runs: beginTail and the
    // display read them at any time while prepare may be storing them.
    std::atomic<std::uint32_t> fileChannels_{0};
    std::atomic<std::uint32_t> fileSampleRate_{0};
    // The take's start as the audio thread saw it: stored before recording is set, read by the
    // writer after the take's first frames, which the audio thread published after that.
    std::atomic<std::int64_t> takeProjectTime_{TakeStart::kNoProjectTime};
    std::atomic<bool> takeTimeStamped_{false};
    std::atomic<bool> timeStampedFiles_{false}; // for the files prepare creates
    // Audio-thread state; atomic (relaxed) only because prepare resets it from another thread.
    std::atomic<std::uint64_t> silentRun_{0};
    std::atomic<std::uint64_t> silenceFrames_{kInitialSilenceFrames};
    std::atomic<std::uint64_t> maxTailFrames_{kInitialMaxTailFrames};
    std::atomic<float> silenceThreshold_{kInitialSilenceThreshold};

    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
    static_assert(std::atomic<bool>::is_always_lock_free);
    static_assert(std::atomic<std::int64_t>::is_always_lock_free);
    static_assert(std::atomic<float>::is_always_lock_free);
};

} // namespace quillwave::plugins
