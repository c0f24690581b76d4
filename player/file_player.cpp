#include "player/file_player.h"

#include "player/wav_reader.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <stdexcept>

namespace quillwave::plugins {

FilePlayer::FilePlayer() : currentClip_(std::make_unique<AudioClip>()) {
    latestClip_.store(currentClip_.get(), std::memory_order_release);
}

FilePlayer::~FilePlayer() {
    playing_.store(false, std::memory_order_release);
    // The ring and the current clip free themselves after this, in that order.
    std::unique_ptr<AudioClip> untaken(pendingClip_.exchange(nullptr, std::memory_order_acq_rel));
}

void FilePlayer::loadClip(std::u16string_view path) {
    installClip(decodeWavFile(path, kPreloadLimitBytes));
}

void FilePlayer::installClip(AudioClip&& clip) {
    if (clip.channels == 0 || clip.sampleRateHz == 0 || clip.samples.size() % clip.channels != 0) {
        throw std::runtime_error("Invalid audio data");
    }
    collectRetired();
    // Allocated before the move, so running out of memory leaves the caller's clip intact.
    auto record = std::make_unique<AudioClip>(std::move(clip));
    const std::uint64_t frames = record->frameCount();

    // Stopped before publishing, so the audio thread never starts the new clip mid-way.
    playing_.exchange(false, std::memory_order_acq_rel);
    frameCount_.exchange(frames, std::memory_order_acq_rel);
    latestClip_.exchange(record.get(), std::memory_order_acq_rel);
    // A clip still pending was never seen by the audio thread: it is ours again, and goes here.
    std::unique_ptr<AudioClip> untaken(
        pendingClip_.exchange(record.release(), std::memory_order_acq_rel));
}

void FilePlayer::collectRetired() {
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
    const std::uint32_t lastChannel = clip.channels - 1;
    const float* const samples = clip.samples.data();

    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint64_t a = position + i;
        if (a < anchorPosition) {
            continue;
        }
        // The file position is computed afresh for every frame, never accumulated, so it stays
        // exact against the running position however long playback lasts.
        const double t = static_cast<double>(a - anchorPosition) * ratio + anchorFrame;
        // Compared as double before truncating: converting a value beyond the integer range would
        // be undefined.
        if (!(t < frameLimit)) {
            endPosition_.exchange(a, std::memory_order_acq_rel);
            playing_.exchange(false, std::memory_order_acq_rel);
            return;
        }
        const auto j = static_cast<std::uint64_t>(t);
        const auto frac = static_cast<float>(t - static_cast<double>(j));
        const std::uint64_t j2 = std::min(j + 1, frames - 1);
        const float* const x0 = samples + j * clip.channels;
        const float* const x1 = samples + j2 * clip.channels;
        for (std::uint32_t c = 0; c < channelCount; ++c) {
            float* const out = buffers[c];
            if (out != nullptr) {
                const std::uint32_t s = std::min(c, lastChannel);
                out[i] = (x1[s] - x0[s]) * frac + x0[s];
            }
        }
    }
}

} // namespace quillwave::plugins
