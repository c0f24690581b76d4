#include "recorder/disk_recorder.h"

#include "platform/path_status.h"
#include "platform/module_threads.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace quillwave::plugins {

DiskRecorder::DiskRecorder(RecorderFileAccess access, RecorderRaceHooks hooks)
    : access_{std::move(access.open), std::min(access.dataByteLimit, kMaxDataBytes),
              std::move(access.allocateRing)},
      hooks_(std::move(hooks)) {}

DiskRecorder::~DiskRecorder() {
    // The writer finalizes what was recorded and ends by itself; nothing here waits for it.
    const std::lock_guard lock(hostMutex_);
    if (current_) {
        stopPipeline(*current_, false);
    }
}

std::shared_ptr<TakePipeline> DiskRecorder::current() const {
    const std::lock_guard lock(hostMutex_);
    return current_;
}

void DiskRecorder::stopPipeline(TakePipeline& p, bool keepArmed) noexcept {
    for (;;) {
        const Head h = p.head();
        if (h.state == HeadState::Armed) {
            if (keepArmed || p.exchangeHead(h, {h.take, HeadState::Unused})) {
                break;
            }
            continue; // the audio thread started it meanwhile: stop that take
        }
        if (h.state == HeadState::Started && p.slot(h.take).endIndex.load() == TakeSlot::kOpen) {
            TakeSlot& s = p.slot(h.take);
            s.stop.exchange(true);
            p.recording.exchange(false);
            if (keepArmed && !s.failed.load()) {
                armFollowOn(p, h.take, s.stampedFile.load());
            }
        }
        break;
    }
    const std::lock_guard lock(p.mutex);
    if (!keepArmed) {
        p.closed = true;
    }
    p.wake.notify_all();
}

void DiskRecorder::setProcessing(bool on) noexcept {
    processing_.store(on);
    if (auto p = current()) {
        p->processing.store(on);
        if (!on) {
            p->preBroken.store(true);
        }
        const std::lock_guard lock(p->mutex);
        p->wake.notify_all();
    }
}

void DiskRecorder::setPreRecordSeconds(double seconds) noexcept {
    constexpr auto kMost = static_cast<double>(CaptureRing::kMaxPreRecordSeconds);
    // A non-number keeps nothing rather than reaching a conversion to frames.
    preRecordSeconds_.store(seconds > 0.0 ? std::min(seconds, kMost) : 0.0);
}

void DiskRecorder::finish() noexcept {
    if (auto p = current()) {
        stopPipeline(*p, newTakeEveryRun_.load());
    }
}

void DiskRecorder::joinWriter() noexcept {
    std::shared_ptr<TakePipeline> p = current();
    if (!p) {
        return;
    }
    stopPipeline(*p, false);
    std::unique_lock lock(p->mutex);
    p->wake.wait(lock, [&] { return !p->writerRunning; });
    p->closed = false; // armings may follow again
}

std::shared_ptr<TakePipeline> DiskRecorder::pipelineFor(std::uint32_t channels,
                                                        std::uint32_t sampleRate) {
    const std::uint64_t samples = CaptureRing::samplesFor(channels, sampleRate);
    if (current_ && current_->ring->samples() == samples) {
        return current_; // one ring serves take after take
    }
    if (current_) {
        // Finishes its takes on its own; its ring is freed with its writer.
        stopPipeline(*current_, false);
        fileCreatedBefore_ = fileCreatedBefore_ || current_->fileCreated.load();
        makeLive(nullptr);
        current_.reset();
    }
    std::unique_ptr<CaptureRing> ring = access_.allocateRing ? access_.allocateRing(samples) : nullptr;
    if (!ring) {
        throw std::runtime_error("Not enough memory to record this format");
    }
    current_ = std::make_shared<TakePipeline>(std::move(ring), access_.open, access_.dataByteLimit);
    current_->processing.store(processing_.load());
    return current_;
}

void DiskRecorder::makeLive(std::shared_ptr<TakePipeline> pipeline) {
    live_.store(pipeline.get());
    // Only a call that was inside as the pointer changed can hold the old one; it is a few
    // instructions of one block from its end, and every later call loads the new pointer.
    const std::uint64_t inside = audioCalls_.load();
    if (inside % 2 == 0) {
        return;
    }
    while (audioCalls_.load() == inside) {
        std::this_thread::yield();
    }
}

std::uint64_t DiskRecorder::arm(const std::u16string& path, DestinationMode mode,
                                std::uint32_t channels, std::uint32_t sampleRate) {
    if (channels < kMinRecordingChannels || channels > kMaxRecordingChannels ||
        sampleRate < kMinRecordingRate || sampleRate > kMaxRecordingRate) {
        throw std::runtime_error("Invalid recording format");
    }
    const std::lock_guard lock(hostMutex_);
    if (current_ && current_->recording.load()) {
        throw std::runtime_error("Stop recording before choosing destination");
    }
    std::shared_ptr<TakePipeline> p = pipelineFor(channels, sampleRate);
    for (;;) {
        const Head h = p->head();
        if (h.state == HeadState::Started) {
            const TakeSlot& running = p->slot(h.take);
            if (running.endIndex.load() == TakeSlot::kOpen && !running.stop.load() &&
                !running.failed.load()) {
                throw std::runtime_error("Stop recording before choosing destination");
            }
        }
        const std::uint64_t take = h.take + 1;
        TakeSlot& s = p->slot(take);
        bool free = false;
        if (!s.inUse.compare_exchange_strong(free, true)) {
            if (p->head().word() != h.word()) {
                continue; // the audio thread armed a follow-on meanwhile
            }
            throw std::runtime_error("Cannot create recording file"); // every slot in flight
        }
        s.reset(mode, channels, sampleRate, newTakeEveryRun_.load(), timeStampedFiles_.load());
        {
            const std::lock_guard pipelineLock(p->mutex);
            p->requested[take % TakePipeline::kSlots] = path;
            p->resolved[take % TakePipeline::kSlots].clear();
        }
        // Replaces an armed take in one step, so that a start finds either one armed.
        if (!p->exchangeHead(h, {take, HeadState::Armed})) {
            s.inUse.store(false);
            continue; // started, stopped or followed on meanwhile: look again
        }
        p->droppedFrames.exchange(0);
        p->diskError.exchange(false);
        p->creationFailed.exchange(false);
        fileChannels_.exchange(channels);
        fileSampleRate_.exchange(sampleRate);
        {
            // After the head moved: a writer deciding to end looks at the head under this lock.
            const std::lock_guard pipelineLock(p->mutex);
            p->named.clear();
            p->closed = false;
            try {
                ensureWriter(p);
            } catch (...) {
                p->exchangeHead({take, HeadState::Armed}, {take, HeadState::Unused});
                throw;
            }
            p->wake.notify_all();
        }
        if (live_.load() != p.get()) {
            makeLive(p);
        }
        return take;
    }
}

void DiskRecorder::nameNext(const std::u16string& path) {
    const std::lock_guard lock(hostMutex_);
    if (current_) {
        const std::lock_guard pipelineLock(current_->mutex);
        current_->named = path;
        current_->namedAfter = current_->head().take;
    }
}

void DiskRecorder::awaitCreation(std::uint64_t take) const {
    const std::shared_ptr<TakePipeline> p = current();
    if (!p) {
        return;
    }
    const TakeSlot& s = p->slot(take);
    for (;;) {
        if (s.failed.load()) {
            throw std::runtime_error("Cannot create recording file");
        }
        const Head h = p->head();
        if (s.created.load() || h.take > take || h.state == HeadState::Unused) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void DiskRecorder::prepare(const std::u16string& path, std::uint32_t channels,
                           std::uint32_t sampleRate) {
    if (recording()) {
        throw std::runtime_error("Stop recording before choosing destination");
    }
    if (channels < kMinRecordingChannels || channels > kMaxRecordingChannels ||
        sampleRate < kMinRecordingRate || sampleRate > kMaxRecordingRate) {
        throw std::runtime_error("Invalid recording format");
    }
    refuseExisting(path);
    awaitCreation(arm(path, DestinationMode::Exact, channels, sampleRate));
}

void DiskRecorder::refuseExisting(const std::u16string& path) {
    if (platform::queryPathStatus(path) == platform::PathStatus::Exists) {
        throw std::runtime_error("Destination exists; choose a new file");
    }
}

// --- status ---

bool DiskRecorder::ready() const noexcept {
    const auto p = current();
    if (!p) {
        return false;
    }
    const Head h = p->head();
    const TakeSlot& s = p->slot(h.take);
    if (h.state == HeadState::Armed) {
        return !s.failed.load();
    }
    return h.state == HeadState::Started && p->recording.load();
}

bool DiskRecorder::recording() const noexcept {
    const auto p = current();
    return p && p->recording.load();
}

bool DiskRecorder::writerFinished() const noexcept {
    const auto p = current();
    if (!p) {
        return true;
    }
    const std::lock_guard lock(p->mutex);
    return !p->writerRunning;
}

bool DiskRecorder::takesFinalized() const noexcept {
    const auto p = current();
    if (!p) {
        return true;
    }
    const Head h = p->head();
    const std::lock_guard lock(p->mutex);
    return !p->writerRunning ||
           (h.state == HeadState::Armed && p->nextToWrite == h.take && !p->recording.load());
}

bool DiskRecorder::diskError() const noexcept {
    const auto p = current();
    return p && p->diskError.load();
}

bool DiskRecorder::creationFailed() const noexcept {
    const auto p = current();
    return p && p->creationFailed.load();
}

std::uint64_t DiskRecorder::counter(std::atomic<std::uint64_t> TakePipeline::*field,
                                    std::uint64_t otherwise) const noexcept {
    const auto p = current();
    return p ? ((*p).*field).load() : otherwise;
}

bool DiskRecorder::inCapture() const noexcept {
    return audioCalls_.load() % 2 != 0;
}

bool DiskRecorder::fileCreated() const noexcept {
    const std::lock_guard lock(hostMutex_);
    return fileCreatedBefore_ || (current_ && current_->fileCreated.load());
}

std::uint64_t DiskRecorder::readIndex() const noexcept {
    return counter(&TakePipeline::readIndex, 0);
}

std::uint64_t DiskRecorder::writeIndex() const noexcept {
    return counter(&TakePipeline::writeIndex, 0);
}

std::uint64_t DiskRecorder::writtenFrames() const noexcept {
    return counter(&TakePipeline::writtenFrames, 0);
}

std::uint64_t DiskRecorder::droppedFrames() const noexcept {
    return counter(&TakePipeline::droppedFrames, 0);
}

std::uint64_t DiskRecorder::startPosition() const noexcept {
    return counter(&TakePipeline::startPosition, 0);
}

std::uint64_t DiskRecorder::stopPosition() const noexcept {
    return counter(&TakePipeline::stopPosition, kNoStop);
}

std::uint64_t DiskRecorder::capturedFrames() const noexcept {
    const auto p = current();
    if (!p) {
        return 0;
    }
    const Head h = p->head();
    const std::uint32_t channels = p->takeChannels.load();
    if (h.state == HeadState::Armed || channels == 0) {
        return 0; // nothing of the armed take yet
    }
    const std::uint64_t end = std::min(p->takeEnd.load(), p->writeIndex.load());
    return (end - std::min(end, p->takeStart.load())) / channels;
}

std::uint64_t DiskRecorder::ringSamples() const noexcept {
    const auto p = current();
    return p ? p->ring->samples() : 0;
}

std::uint64_t DiskRecorder::preRecordLimitFrames() const noexcept {
    const auto p = current();
    const std::uint32_t channels = fileChannels_.load();
    return p && channels != 0
               ? CaptureRing::preRecordLimit(p->ring->samples(), channels, fileSampleRate_.load()) /
                     channels
               : 0;
}

std::uint64_t DiskRecorder::keptFrames() const noexcept {
    return counter(&TakePipeline::keptFrames, 0);
}

std::u16string DiskRecorder::partPath() const {
    const auto p = current();
    if (!p) {
        return {};
    }
    const std::lock_guard lock(p->mutex);
    return p->partPath;
}

std::u16string DiskRecorder::destinationPath() const {
    const auto p = current();
    if (!p) {
        return {};
    }
    const Head h = p->head();
    const std::lock_guard lock(p->mutex);
    const std::size_t slot = h.take % TakePipeline::kSlots;
    if (h.state == HeadState::Armed || h.state == HeadState::Started) {
        if (!p->resolved[slot].empty()) {
            return p->resolved[slot];
        }
        if (!p->requested[slot].empty() &&
            p->slot(h.take).mode.load() != DestinationMode::FollowOn) {
            return p->requested[slot];
        }
    }
    return p->lastTake;
}

std::u16string DiskRecorder::armedFile() const {
    return armedPath(false);
}

std::u16string DiskRecorder::armedRequest() const {
    return armedPath(true);
}

std::u16string DiskRecorder::armedPath(bool request) const {
    const auto p = current();
    if (!p) {
        return {};
    }
    const Head h = p->head();
    if (h.state != HeadState::Armed) {
        return {};
    }
    const std::size_t slot = h.take % TakePipeline::kSlots;
    // An exact path is the file itself; a free name is known once the writer found it.
    const bool exact = request || p->slot(h.take).mode.load() == DestinationMode::Exact;
    const std::lock_guard lock(p->mutex);
    return exact ? p->requested[slot] : p->resolved[slot];
}

} // namespace quillwave::plugins
