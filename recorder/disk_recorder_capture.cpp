#include "recorder/disk_recorder.h"

#include "recorder/interleave.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quillwave::plugins {
namespace {

// Frames are interleaved in chunks of at most this many, so that a missing channel can read
// from one fixed block of silence.
constexpr std::uint32_t kChunkFrames = 1024;
alignas(64) const float kSilence[kChunkFrames] = {};

constexpr std::uint32_t kMaxChannels = kMaxRecordingChannels;

float framePeak(const float* const* sources, std::uint32_t channels, std::uint32_t frame) {
    float peak = 0.0f;
    for (std::uint32_t c = 0; c < channels; ++c) {
        if (sources[c] != nullptr) {
            peak = std::max(peak, std::fabs(finiteOrZero(sources[c][frame])));
        }
    }
    return peak;
}

// Clamps a setting to [low, high]; a NaN takes the low end rather than becoming an undefined
// conversion to an integer.
double clampSetting(double value, double low, double high) {
    if (!(value >= low)) {
        return low;
    }
    return value > high ? high : value;
}

// Stores frameCount frames from index firstFrame of sources (null = silence) into the ring from
// running index w on; returns the new running index.
std::uint64_t copyFrames(const CaptureRing& target, const float* const* sources,
                         std::uint32_t channels, std::uint32_t firstFrame, std::uint32_t frameCount,
                         std::uint64_t w) noexcept {
    float* const ring = target.data();
    const std::uint64_t mask = target.mask();
    std::array<const float*, kMaxChannels> chunkSources{};
    while (frameCount > 0) {
        const std::uint64_t slot = w & mask;
        const std::uint64_t contiguousFrames = (target.samples() - slot) / channels;
        if (contiguousFrames == 0) {
            // This frame straddles the end of the ring: place it one sample at a time.
            for (std::uint32_t c = 0; c < channels; ++c) {
                const float x = sources[c] != nullptr ? sources[c][firstFrame] : 0.0f;
                ring[(w + c) & mask] = finiteOrZero(x);
            }
            w += channels;
            ++firstFrame;
            --frameCount;
            continue;
        }
        const auto n = static_cast<std::uint32_t>(
            std::min<std::uint64_t>({frameCount, contiguousFrames, kChunkFrames}));
        for (std::uint32_t c = 0; c < channels; ++c) {
            chunkSources[c] = sources[c] != nullptr ? sources[c] + firstFrame : kSilence;
        }
        interleaveFinite(ring + slot, chunkSources.data(), channels, n);
        w += static_cast<std::uint64_t>(n) * channels;
        firstFrame += n;
        frameCount -= n;
    }
    return w;
}

// The take's channels; missing and null buffers record as silence, extra ones are ignored.
std::array<const float*, kMaxChannels> takeSources(const float* const* channels,
                                                   std::uint32_t bufferCount,
                                                   std::uint32_t fileChannels) noexcept {
    std::array<const float*, kMaxChannels> sources{};
    const std::uint32_t usable = channels != nullptr ? std::min(bufferCount, fileChannels) : 0;
    for (std::uint32_t c = 0; c < usable; ++c) {
        sources[c] = channels[c];
    }
    return sources;
}

// Where the data of the takes before the one the ring receives next ends.
std::uint64_t endOfEarlierTakes(const TakePipeline& p) noexcept {
    return p.takeChannels.load() == 0 ? 0 : p.takeEnd.load();
}

} // namespace

void DiskRecorder::capture(const float* const* channels, std::uint32_t bufferCount,
                           std::uint32_t frames, std::uint64_t blockPosition) noexcept {
    // Counted before the pipeline is loaded: a host thread replacing it waits for this call's end.
    audioCalls_.fetch_add(1);
    TakePipeline* const p = live_.load();
    if (p) {
        // Raised before recording and the take's stop are read: the writer ends a stopped take
        // at the ring's end only while this is clear.
        p->inAudioCall.exchange(true);
        if (p->recording.load()) {
            captureInto(*p, channels, bufferCount, frames, blockPosition);
        } else {
            keepBeforeStart(*p, channels, bufferCount, 0, frames, blockPosition);
        }
        p->inAudioCall.exchange(false);
    }
    audioCalls_.fetch_add(1);
}

void DiskRecorder::captureInto(TakePipeline& p, const float* const* channels,
                               std::uint32_t bufferCount, std::uint32_t frames,
                               std::uint64_t blockPosition) noexcept {
    const std::uint64_t take = p.openTake.load(std::memory_order_relaxed);
    TakeSlot& slot = p.slot(take);
    if (slot.stop.load() || slot.failed.load()) {
        // Stopped from a host thread (a follow-on, if any, is armed already) or failed.
        endTake(p, take, false);
        return;
    }
    if (hooks_.captureHoldsRing) {
        hooks_.captureHoldsRing();
    }
    const CaptureRing& ring = *p.ring;
    const std::uint32_t fileChannels = p.takeChannels.load(std::memory_order_relaxed);
    std::uint64_t w = p.writeIndex.load(std::memory_order_relaxed);
    const std::uint64_t r = p.readIndex.load(std::memory_order_acquire);
    const std::uint64_t startPosition = p.startPosition.load();
    const std::uint64_t stopPosition = p.stopPosition.load();

    const std::array<const float*, kMaxChannels> sources =
        takeSources(channels, bufferCount, fileChannels);

    // Frames before the start position are neither stored nor counted.
    std::uint32_t i = 0;
    if (startPosition > blockPosition) {
        i = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(startPosition - blockPosition, frames));
    }
    // Frames from the stop position on go through the tail test one by one.
    std::uint32_t tailFrom = frames;
    if (stopPosition <= blockPosition) {
        tailFrom = 0;
    } else if (stopPosition - blockPosition < frames) {
        tailFrom = static_cast<std::uint32_t>(stopPosition - blockPosition);
    }
    tailFrom = std::max(tailFrom, i);

    // The room test uses the read index of the block's start: once a frame does not fit, no
    // later frame of the block does either. Once the earlier takes are read, nothing below this
    // take's start is needed (input kept before it and not used is free).
    std::uint64_t dropped = 0;
    const std::uint64_t live = r >= p.priorEnd.load(std::memory_order_relaxed)
                                   ? std::max(r, p.takeStart.load(std::memory_order_relaxed))
                                   : r;
    const std::uint64_t fill = std::min(w - live, ring.samples());
    const std::uint64_t roomFrames = (ring.samples() - fill) / fileChannels;
    const std::uint32_t plainFrames = tailFrom - i;
    const auto accepted =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(plainFrames, roomFrames));
    w = copyFrames(ring, sources.data(), fileChannels, i, accepted, w);
    dropped += plainFrames - accepted;

    bool takeEnded = false;
    if (tailFrom < frames) {
        const std::uint64_t silenceFrames = silenceFrames_.load();
        const std::uint64_t maxTailFrames = maxTailFrames_.load();
        const float threshold = silenceThreshold_.load();
        std::uint64_t silentRun = p.silentRun.load(std::memory_order_relaxed);
        for (i = tailFrom; i < frames; ++i) {
            const std::uint64_t position = blockPosition + i;
            silentRun = framePeak(sources.data(), fileChannels, i) <= threshold ? silentRun + 1 : 0;
            if (silentRun >= silenceFrames || position - stopPosition >= maxTailFrames) {
                takeEnded = true; // this frame and the rest of the block are not stored
                break;
            }
            if (w + fileChannels - live > ring.samples()) {
                ++dropped;
                continue;
            }
            w = copyFrames(ring, sources.data(), fileChannels, i, 1, w);
        }
        p.silentRun.store(silentRun, std::memory_order_relaxed);
    }
    if (dropped > 0) {
        p.droppedFrames.fetch_add(dropped);
    }
    p.writeIndex.store(w, std::memory_order_release);
    if (takeEnded) {
        endTake(p, take, newTakeEveryRun_.load());
        // The rest of the block is the input before the next take, armed just now, if any.
        keepBeforeStart(p, channels, bufferCount, i, frames - i, blockPosition);
    }
}

bool DiskRecorder::armFollowOn(TakePipeline& p, std::uint64_t take, bool stamped) noexcept {
    TakeSlot& next = p.slot(take + 1);
    bool free = false;
    if (!next.inUse.compare_exchange_strong(free, true)) {
        return false; // still being written, or armed by another thread right now
    }
    const TakeSlot& ended = p.slot(take);
    next.reset(DestinationMode::FollowOn, ended.channels.load(), ended.rate.load(), true, stamped);
    if (!p.exchangeHead({take, HeadState::Started}, {take + 1, HeadState::Armed})) {
        next.inUse.store(false);
        return false;
    }
    return true;
}

void DiskRecorder::endTake(TakePipeline& p, std::uint64_t take, bool followOn) noexcept {
    TakeSlot& slot = p.slot(take);
    // The slot may serve a later take by now, if the writer already ended this one.
    if (slot.startIndex.load() == p.takeStart.load(std::memory_order_relaxed)) {
        // The next take first, so that a host thread never finds neither armed nor running.
        if (followOn && !slot.failed.load()) {
            armFollowOn(p, take, timeStampedFiles_.load());
        }
        std::uint64_t open = TakeSlot::kOpen;
        slot.endIndex.compare_exchange_strong(open, p.writeIndex.load(std::memory_order_relaxed));
    }
    // Also when the writer ended it: nothing entered the ring since, so it ended here.
    p.takeEnd.store(p.writeIndex.load(std::memory_order_relaxed));
    p.recording.exchange(false);
}

void DiskRecorder::keepBeforeStart(TakePipeline& p, const float* const* channels,
                                   std::uint32_t bufferCount, std::uint32_t firstFrame,
                                   std::uint32_t frames, std::uint64_t blockPosition) noexcept {
    const Head h = p.head();
    const TakeSlot& slot = p.slot(h.take);
    if (h.state != HeadState::Armed || slot.failed.load() || preRecordSeconds_.load() <= 0.0) {
        p.preTake.store(TakePipeline::kNoPreRecord, std::memory_order_relaxed);
        return;
    }
    // A take a host thread stopped ends where the ring ends now, before kept input follows it.
    if (p.takeEnd.load() == TakeSlot::kOpen && p.takeChannels.load() != 0) {
        endTake(p, p.openTake.load(std::memory_order_relaxed), false);
    }
    const CaptureRing& ring = *p.ring;
    const std::uint32_t fileChannels = slot.channels.load();
    const std::uint64_t w = p.writeIndex.load(std::memory_order_relaxed);
    // Kept input is one stretch that ends at the present: a new take, a processing break or a
    // block that does not follow the last kept one starts it again.
    const std::uint64_t from = blockPosition + firstFrame;
    const bool broken = p.preBroken.load(std::memory_order_relaxed) && p.preBroken.exchange(false);
    if (p.preTake.load(std::memory_order_relaxed) != h.take || broken ||
        p.preEnd.load(std::memory_order_relaxed) != from) {
        p.preTake.store(h.take, std::memory_order_relaxed);
        p.preFrom.store(w, std::memory_order_relaxed);
    }
    // Kept input overwrites only older kept input, never a sample the writer has still to read.
    const std::uint64_t r = p.readIndex.load(std::memory_order_acquire);
    const std::uint64_t samples = std::uint64_t{frames} * fileChannels;
    if (r < endOfEarlierTakes(p) && w + samples - r > ring.samples()) {
        // No room: this block is not kept, so the next one does not follow preEnd and keeping
        // starts again there; a run right after it keeps nothing.
        return;
    }
    const std::array<const float*, kMaxChannels> sources =
        takeSources(channels, bufferCount, fileChannels);
    p.writeIndex.store(copyFrames(ring, sources.data(), fileChannels, firstFrame, frames, w),
                       std::memory_order_release);
    p.preEnd.store(from + frames, std::memory_order_relaxed);
}

std::uint64_t DiskRecorder::keptSamples(const TakePipeline& p, std::uint64_t take,
                                        std::uint64_t w, std::uint64_t position) const noexcept {
    if (p.preTake.load(std::memory_order_relaxed) != take ||
        p.preEnd.load(std::memory_order_relaxed) != position) {
        return 0; // nothing kept for this take, or the run does not follow it
    }
    const TakeSlot& slot = p.slot(take);
    const std::uint32_t channels = slot.channels.load();
    const std::uint32_t rate = slot.rate.load();
    const auto wanted = static_cast<std::uint64_t>(preRecordSeconds_.load() * rate) * channels;
    const std::uint64_t kept =
        std::min({w - p.preFrom.load(std::memory_order_relaxed), wanted,
                  CaptureRing::preRecordLimit(p.ring->samples(), channels, rate)});
    return kept - kept % channels;
}

bool DiskRecorder::claimArmed(TakePipeline& p, std::uint64_t position, TakeStart take) noexcept {
    // A host thread may replace the armed take between the look and the claim: then the newer
    // one is claimed.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const Head h = p.head();
        if (h.state != HeadState::Armed) {
            return false;
        }
        TakeSlot& slot = p.slot(h.take);
        if (slot.failed.load()) {
            return false;
        }
        if (hooks_.startTested) {
            hooks_.startTested();
        }
        if (!p.exchangeHead(h, {h.take, HeadState::Started})) {
            continue;
        }
        const std::uint64_t w = p.writeIndex.load(std::memory_order_relaxed);
        const std::uint64_t kept = keptSamples(p, h.take, w, position);
        const std::uint32_t channels = slot.channels.load();
        const auto keptFrames = static_cast<std::int64_t>(kept / channels);
        p.priorEnd.store(endOfEarlierTakes(p), std::memory_order_relaxed);
        p.preTake.store(TakePipeline::kNoPreRecord, std::memory_order_relaxed);
        p.keptFrames.store(kept / channels);
        p.takeStart.store(w - kept);
        p.takeEnd.store(TakeSlot::kOpen);
        p.takeChannels.store(channels);
        p.openTake.store(h.take);
        // Before the start index, which tells the writer that the take has begun. The file's
        // first frame is the first kept one; one before the timeline's start has no stamp.
        slot.projectTime.store(take.projectTime >= keptFrames ? take.projectTime - keptFrames
                                                               : TakeStart::kNoProjectTime);
        slot.timeStamped.store(take.timeStamped);
        slot.startIndex.store(w - kept);
        p.startPosition.exchange(position);
        p.stopPosition.exchange(kNoStop);
        p.silentRun.store(0, std::memory_order_relaxed);
        // A stop that lands from here on is seen by the next capture, which ends the take.
        p.recording.exchange(true);
        return true;
    }
    return false;
}

void DiskRecorder::start(std::uint64_t position, TakeStart stamp) noexcept {
    audioCalls_.fetch_add(1);
    TakePipeline* const p = live_.load();
    if (p) {
        p->inAudioCall.exchange(true);
        const std::uint64_t take = p->openTake.load(std::memory_order_relaxed);
        TakeSlot& slot = p->slot(take);
        const bool open = p->recording.load() && !slot.stop.load() && !slot.failed.load();
        if (open && (p->stopPosition.load() == kNoStop || !newTakeEveryRun_.load())) {
            // A run while recording moves the start; one inside the tail goes on in the take.
            // The time stamp belongs to the take's first frame: a start before any frame was
            // captured moves that frame (and the stamp) here, one after it leaves both.
            if (p->writeIndex.load(std::memory_order_relaxed) == slot.startIndex.load()) {
                slot.projectTime.store(stamp.projectTime);
                slot.timeStamped.store(stamp.timeStamped);
            }
            p->startPosition.exchange(position);
            p->stopPosition.exchange(kNoStop);
            p->silentRun.store(0, std::memory_order_relaxed);
        } else {
            // A take stopped from a host thread ends here at the latest; with New take every
            // run, a run inside the tail ends the take at its first frame and records on in
            // the next.
            if (p->takeEnd.load() == TakeSlot::kOpen && p->takeChannels.load() != 0) {
                endTake(*p, take, open);
            }
            claimArmed(*p, position, stamp);
        }
        p->inAudioCall.exchange(false);
    }
    audioCalls_.fetch_add(1);
}

void DiskRecorder::beginTail(std::uint64_t position, double silenceSeconds, double maxTailSeconds,
                             double thresholdDb) noexcept {
    const double rate = fileSampleRate_.load();
    silenceFrames_.exchange(
        static_cast<std::uint64_t>(rate * clampSetting(silenceSeconds, 0.01, 10.0)));
    maxTailFrames_.exchange(
        static_cast<std::uint64_t>(rate * clampSetting(maxTailSeconds, 0.01, 3600.0)));
    silenceThreshold_.exchange(
        static_cast<float>(std::pow(10.0, clampSetting(thresholdDb, -120.0, -6.0) / 20.0)));
    if (TakePipeline* const p = live_.load()) {
        p->stopPosition.exchange(position); // last: the display reads it as "capturing the tail"
    }
}

} // namespace quillwave::plugins
