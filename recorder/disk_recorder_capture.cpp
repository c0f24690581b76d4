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

} // namespace

void DiskRecorder::capture(const float* const* channels, std::uint32_t bufferCount,
                           std::uint32_t frames, std::uint64_t blockPosition) noexcept {
    // Raised before recording is read: the writer's drain test relies on this order.
    inCapture_.exchange(true, std::memory_order_seq_cst);
    // After inCapture: prepare frees a ring only once it has withdrawn it and seen inCapture clear.
    const CaptureRing* const ring = liveRing_.load(std::memory_order_seq_cst);
    const std::uint32_t fileChannels = fileChannels_.load(std::memory_order_relaxed);
    if (recording_.load() && fileChannels != 0 && ring != nullptr) {
        if (hooks_.captureHoldsRing) {
            hooks_.captureHoldsRing();
        }
        std::uint64_t w = writeIndex_.load(std::memory_order_relaxed);
        const std::uint64_t r = readIndex_.load(std::memory_order_acquire);
        const std::uint64_t startPosition = startPosition_.load();
        const std::uint64_t stopPosition = stopPosition_.load();

        // The take's channels; missing and null buffers record as silence, extra ones are ignored.
        std::array<const float*, kMaxChannels> sources{};
        const std::uint32_t usable = channels != nullptr ? std::min(bufferCount, fileChannels) : 0;
        for (std::uint32_t c = 0; c < usable; ++c) {
            sources[c] = channels[c];
        }

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
        // later frame of the block does either.
        std::uint64_t dropped = 0;
        // Held within the ring: a capture that races a preparation may meet the indices of a take
        // that recorded through a smaller ring, and must not find room that is not there.
        const std::uint64_t fill = std::min(w - r, ring->samples());
        const std::uint64_t roomFrames = (ring->samples() - fill) / fileChannels;
        const std::uint32_t plainFrames = tailFrom - i;
        const auto accepted =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(plainFrames, roomFrames));
        w = copyFrames(*ring, sources.data(), fileChannels, i, accepted, w);
        dropped += plainFrames - accepted;

        bool takeEnded = false;
        if (tailFrom < frames) {
            const std::uint64_t silenceFrames = silenceFrames_.load();
            const std::uint64_t maxTailFrames = maxTailFrames_.load();
            const float threshold = silenceThreshold_.load();
            std::uint64_t silentRun = silentRun_.load(std::memory_order_relaxed);
            for (i = tailFrom; i < frames; ++i) {
                const std::uint64_t p = blockPosition + i;
                silentRun =
                    framePeak(sources.data(), fileChannels, i) <= threshold ? silentRun + 1 : 0;
                if (silentRun >= silenceFrames || p - stopPosition >= maxTailFrames) {
                    takeEnded = true; // this frame and the rest of the block are not stored
                    break;
                }
                if (w + fileChannels - r > ring->samples()) {
                    ++dropped;
                    continue;
                }
                w = copyFrames(*ring, sources.data(), fileChannels, i, 1, w);
            }
            silentRun_.store(silentRun, std::memory_order_relaxed);
            if (takeEnded) {
                recording_.exchange(false);
            }
        }
        if (dropped > 0) {
            droppedFrames_.fetch_add(dropped);
        }
        writeIndex_.store(w, std::memory_order_release);
        if (takeEnded) {
            captureComplete_.exchange(true);
        }
    }
    inCapture_.exchange(false);
}

void DiskRecorder::start(std::uint64_t position, TakeStart take) noexcept {
    // Raised before closing_ is read: prepare's wait relies on this order. A take already
    // running may still move its start (or leave its tail) while prepare runs, which then
    // refuses.
    inStart_.exchange(true);
    if ((!closing_.load() || recording_.load()) && ready_.load() && !captureComplete_.load() &&
        !diskError_.load()) {
        if (hooks_.startTested) {
            hooks_.startTested();
        }
        beginTake(position, take);
    }
    inStart_.exchange(false);
}

void DiskRecorder::beginTake(std::uint64_t position, TakeStart take) noexcept {
    // The stamp belongs to the take's first frame: a start before any frame was captured moves
    // that frame (and the stamp) here, one after it leaves both where they are.
    if (writeIndex_.load(std::memory_order_relaxed) == 0 &&
        droppedFrames_.load(std::memory_order_relaxed) == 0) {
        takeProjectTime_.exchange(take.projectTime);
        takeTimeStamped_.exchange(take.timeStamped);
    }
    startPosition_.exchange(position);
    stopPosition_.exchange(kNoStop);
    silentRun_.store(0, std::memory_order_relaxed);
    recording_.exchange(true);
    // finish() (also on a writer failure) may have landed between start's test and this store.
    // It clears recording on both sides of setting captureComplete, and looking again here
    // closes the gap: a take never stays recording once its file is being finalized.
    if (captureComplete_.load() || diskError_.load()) {
        recording_.exchange(false);
    }
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
    stopPosition_.exchange(position); // last: the display reads it as "capturing the tail"
}

} // namespace quillwave::plugins
