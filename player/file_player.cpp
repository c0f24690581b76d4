#include "player/file_player.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace quillwave::plugins {
namespace {

// The same value as static_cast<double>, but through the signed conversion, a single instruction,
// for every count below 2^63 (which covers millions of years of samples).
double toDouble(std::uint64_t count) {
    return count <= static_cast<std::uint64_t>(INT64_MAX)
               ? static_cast<double>(static_cast<std::int64_t>(count))
               : static_cast<double>(count);
}

// The rare case where the float difference of two finite samples of opposite sign overflows
// (a float file may hold values near the float maximum): the true value lies between them, so
// in double it is finite. Samples that are not finite themselves (a clip not made by the decoder)
// still give silence rather than reach the output.
float interpolateWide(float x0, float x1, float fraction) {
    const double y = (static_cast<double>(x1) - x0) * fraction + x0;
    return std::isfinite(y) ? static_cast<float>(y) : 0.0f;
}

} // namespace

FilePlayer::FilePlayer() : currentClip_(std::make_unique<AudioClip>()) {
    latestClip_.store(currentClip_.get(), std::memory_order_release);
}

FilePlayer::~FilePlayer() {
    playing_.store(false, std::memory_order_release);
    // The ring and the current clip free themselves after this, in that order.
    std::unique_ptr<AudioClip> untaken(pendingClip_.exchange(nullptr, std::memory_order_acq_rel));
}

void FilePlayer::installClip(AudioClip&& clip) {
    if (clip.channels == 0 || clip.sampleRateHz == 0 || clip.samples.size() % clip.channels != 0) {
        throw std::runtime_error("Invalid audio data");
    }
    const std::lock_guard install(installMutex_);
    // Allocated before the move, so running out of memory leaves the caller's clip intact; room
    // for a deferred clip first, so that nothing can fail once the hand-over has begun.
    deferredClips_.reserve(deferredClips_.size() + 1);
    auto record = std::make_unique<AudioClip>(std::move(clip));
    const std::uint64_t frames = record->frameCount();

    // Stopped before publishing, so the audio thread never starts the new clip mid-way.
    playing_.exchange(false, std::memory_order_acq_rel);
    frameCount_.exchange(frames, std::memory_order_acq_rel);
    latestClip_.exchange(record.get(), std::memory_order_acq_rel);
    // A clip still pending was never seen by the audio thread: it is ours again. A reader may be
    // drawing it (it was the latest clip), so it is freed only under clipsMutex_.
    std::unique_ptr<AudioClip> untaken(
        pendingClip_.exchange(record.release(), std::memory_order_acq_rel));
    if (untaken) {
        deferredClips_.push_back(std::move(untaken));
    }
    std::unique_lock reading(clipsMutex_, std::try_to_lock);
    if (reading.owns_lock()) {
        collectRetiredLocked();
    }
}

void FilePlayer::collectRetired() {
    const std::lock_guard install(installMutex_);
    const std::lock_guard reading(clipsMutex_);
    collectRetiredLocked();
}

void FilePlayer::collectRetiredLocked() {
    deferredClips_.clear();
    // Acquire pairs with the audio thread's release of the write index: its ring stores are seen.
    const std::uint32_t write = retiredWrite_.load(std::memory_order_acquire);
    std::uint32_t read = retiredRead_.load(std::memory_order_relaxed);
    for (; read != write; ++read) {
        retiredClips_[read % kRetiredSlots].reset();
    }
    // Release hands the emptied entries back before the audio thread may refill them.
    retiredRead_.store(read, std::memory_order_release);
}

void FilePlayer::takePendingClip() noexcept {
    const std::uint32_t write = retiredWrite_.load(std::memory_order_relaxed);
    const std::uint32_t read = retiredRead_.load(std::memory_order_acquire);
    if (write - read >= kRetiredSlots) {
        return; // no room to retire the current clip: the pending one waits
    }
    AudioClip* const taken = pendingClip_.exchange(nullptr, std::memory_order_acq_rel);
    if (taken == nullptr) {
        return;
    }
    std::unique_ptr<AudioClip>& entry = retiredClips_[write % kRetiredSlots];
    // The entry is empty (the editor cleared it before handing it back), so after the swap
    // currentClip_ is empty and reset() below frees nothing.
    assert(!entry);
    entry.swap(currentClip_);
    currentClip_.reset(taken);
    retiredWrite_.store(write + 1, std::memory_order_release);
}

void FilePlayer::startPlayback(std::uint64_t position, std::uint64_t fileFrame) noexcept {
    const std::uint64_t frames = frameCount_.load(std::memory_order_acquire);
    const bool inside = fileFrame < frames;
    anchorFrame_.exchange(std::min(frames, fileFrame), std::memory_order_acq_rel);
    anchorPosition_.exchange(position, std::memory_order_acq_rel);
    endPosition_.exchange(inside ? kNoEnd : position, std::memory_order_acq_rel);
    playing_.exchange(inside, std::memory_order_acq_rel);
}

void FilePlayer::renderPlayback(float* const* buffers, std::uint32_t channelCount,
                                std::uint32_t length, double hostRateHz,
                                std::uint64_t position) noexcept {
    takePendingClip();
    if (buffers == nullptr) {
        channelCount = 0;
    }
    for (std::uint32_t c = 0; c < channelCount; ++c) {
        if (buffers[c] != nullptr) {
            std::fill_n(buffers[c], length, 0.0f);
        }
    }

    // A rate that is not a positive finite number (NaN included) cannot place frames in time.
    if (!playing_.load(std::memory_order_acquire) || !(hostRateHz > 0.0) ||
        !std::isfinite(hostRateHz)) {
        return;
    }
    const AudioClip& clip = *currentClip_;
    const std::uint64_t frames = clip.frameCount();
    if (frames == 0) {
        return;
    }
    const double ratio = static_cast<double>(clip.sampleRateHz) / hostRateHz;
    if (!std::isfinite(ratio)) {
        return; // a host rate so small that the ratio overflows
    }
    const std::uint64_t anchorPosition = anchorPosition_.load(std::memory_order_acquire);
    const double anchorFrame = static_cast<double>(anchorFrame_.load(std::memory_order_acquire));
    const double frameLimit = static_cast<double>(frames);
    const std::uint64_t channels = clip.channels;
    const std::uint32_t lastChannel = clip.channels - 1;
    const float* const samples = clip.samples.data();

    // Frames go in tiles: first where each frame reads the file, then channel by channel, so
    // that every output buffer is written in one contiguous run.
    constexpr std::uint32_t kTile = 64;
    std::array<std::uint64_t, kTile> first;  // sample index of frame j, channel 0
    std::array<std::uint64_t, kTile> second; // ... of frame j2
    std::array<float, kTile> fraction;

    // Frames before the start stay silent.
    std::uint32_t i = 0;
    if (position < anchorPosition) {
        const std::uint64_t wait = anchorPosition - position;
        i = wait >= length ? length : static_cast<std::uint32_t>(wait);
    }
    bool ended = false;
    while (i < length && !ended) {
        const std::uint32_t tileStart = i;
        std::uint32_t n = 0;
        for (; n < kTile && i < length; ++n, ++i) {
            const std::uint64_t a = position + i;
            // The file position is computed afresh for every frame, never accumulated, so it
            // stays exact against the running position however long playback lasts.
            const double t = toDouble(a - anchorPosition) * ratio + anchorFrame;
            // Compared as double before truncating: converting a value beyond the integer range
            // would be undefined.
            if (!(t < frameLimit)) {
                endPosition_.exchange(a, std::memory_order_acq_rel);
                playing_.exchange(false, std::memory_order_acq_rel);
                ended = true;
                break;
            }
            // 0 <= t < frameLimit, far below 2^63: the signed conversion is exact and cheaper.
            const auto j = static_cast<std::uint64_t>(static_cast<std::int64_t>(t));
            fraction[n] = static_cast<float>(t - static_cast<double>(j));
            first[n] = j * channels;
            second[n] = std::min(j + 1, frames - 1) * channels;
        }
        for (std::uint32_t c = 0; c < channelCount; ++c) {
            float* const out = buffers[c];
            if (out == nullptr) {
                continue;
            }
            const float* const source = samples + std::min(c, lastChannel);
            for (std::uint32_t k = 0; k < n; ++k) {
                const float x0 = source[first[k]];
                const float x1 = source[second[k]];
                const float y = (x1 - x0) * fraction[k] + x0;
                out[tileStart + k] = std::isfinite(y) ? y : interpolateWide(x0, x1, fraction[k]);
            }
        }
    }
}

} // namespace quillwave::plugins
