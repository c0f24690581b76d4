#include "recorder/disk_recorder.h"

#include "platform/path_status.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <stdexcept>

namespace quillwave::plugins {

DiskRecorder::DiskRecorder(RecorderFileAccess access, RecorderRaceHooks hooks)
    : access_{std::move(access.open), std::min(access.dataByteLimit, kMaxDataBytes),
              std::move(access.allocateRing)},
      hooks_(std::move(hooks)) {}

DiskRecorder::~DiskRecorder() {
    joinWriter();
}

void DiskRecorder::finish() noexcept {
    // recording before captureComplete: the writer's drain test in writerMain relies on it.
    recording_.exchange(false);
    if (hooks_.finishCleared) {
        hooks_.finishCleared();
    }
    captureComplete_.exchange(true);
    // Again, for a start() that tested captureComplete just before it was set and stored
    // recording after the first clear; start() looks at captureComplete once more after its
    // store, so between the two, the take always ends up stopped.
    recording_.exchange(false);
}

void DiskRecorder::joinWriter() noexcept {
    if (!writerThread_.joinable()) {
        return;
    }
    finish();
    writerThread_.join();
}

std::uint64_t DiskRecorder::capturedFrames() const noexcept {
    const std::uint32_t channels = fileChannels_.load();
    return channels == 0 ? 0 : writeIndex_.load() / channels;
}

void DiskRecorder::prepare(const std::u16string& path, std::uint32_t channels,
                           std::uint32_t sampleRate) {
    // From here on start begins no take, and one that already passed its test of closing_ is
    // waited for, so the test of recording below sees its take: a take is refused here or never
    // begun, never cut by this call nor begun in the file that replaces it. (start raises
    // inStart_ before it reads closing_, and this stores closing_ before it reads inStart_; with
    // sequentially consistent order, at least one of the two sees the other.)
    closing_.exchange(true);
    struct Reopen {
        std::atomic<bool>& closing;
        ~Reopen() { closing.exchange(false); }
    } reopen{closing_};
    while (inStart_.load()) {
        if (hooks_.prepareAwaitsStart) {
            hooks_.prepareAwaitsStart();
        }
        std::this_thread::yield(); // a few instructions of the audio thread
    }
    if (recording_.load()) {
        throw std::runtime_error("Stop recording before choosing destination");
    }
    // An armed file that never received a frame is closed here as an empty WAV file.
    joinWriter();
    if (channels < kMinRecordingChannels || channels > kMaxRecordingChannels ||
        sampleRate < kMinRecordingRate || sampleRate > kMaxRecordingRate) {
        throw std::runtime_error("Invalid recording format");
    }
    if (platform::queryPathStatus(path) == platform::PathStatus::Exists) {
        throw std::runtime_error("Destination exists; choose a new file");
    }
    // A capture that read recording before the take ended (by finish, its tail or the writer's
    // failure) may still be storing into the ring with the old format and publishing its
    // writeIndex. Once it is out, none can store again: recording is clear and start begins no
    // take while closing_ is set. Only then may the ring be replaced or its indices reset.
    waitOutCapture();
    provideRing(CaptureRing::samplesFor(channels, sampleRate));

    fileChannels_.exchange(channels);
    fileSampleRate_.exchange(sampleRate);
    readIndex_.exchange(0);
    writeIndex_.exchange(0);
    writtenFrames_.exchange(0);
    droppedFrames_.exchange(0);
    silentRun_.store(0, std::memory_order_relaxed);
    stopPosition_.exchange(kNoStop);
    diskError_.exchange(false);
    captureComplete_.exchange(false);
    writerFinished_.exchange(false);
    ready_.exchange(false);

    // Throws std::system_error (resource unavailable, try again) when no thread can be started.
    writerThread_ =
        std::thread([this, ownPath = path]() mutable { writerMain(std::move(ownPath)); });

    // The writer always ends this wait: it sets ready once the file exists, or diskError. A
    // finish on another thread (processing switched off) may also use the new file up at once, so
    // that ready is already clear again when this looks: writerFinished ends the wait then.
    while (!ready_.load() && !writerFinished_.load()) {
        if (diskError_.load()) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (diskError_.load()) {
        throw std::runtime_error("Cannot create recording file");
    }
}

void DiskRecorder::provideRing(std::uint64_t samples) {
    if (ring_ && ring_->samples() == samples) {
        return; // a ring that fits serves take after take
    }
    // prepare has waited out every capture that could still store, so nothing holds the old ring.
    liveRing_.store(nullptr, std::memory_order_seq_cst);
    ringSamples_.exchange(0);
    // Freed before the new one is allocated: the two never need memory at once.
    ring_.reset();
    ring_ = access_.allocateRing ? access_.allocateRing(samples) : nullptr;
    if (!ring_) {
        throw std::runtime_error("Not enough memory to record this format");
    }
    ringSamples_.exchange(samples);
    liveRing_.store(ring_.get(), std::memory_order_seq_cst); // release: the zeroed slots too
}

void DiskRecorder::markArmingFailed() noexcept {
    if (writerFinished_.load()) {
        diskError_.exchange(true);
    }
}

void DiskRecorder::waitOutCapture() const noexcept {
    // One capture call is one block's copy: short, and never waiting on this thread.
    while (inCapture_.load(std::memory_order_seq_cst)) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

} // namespace quillwave::plugins
