#pragma once

#include "player/audio_clip.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quillwave::plugins {

// Plays one preloaded clip on the audio thread: a lock-free hand-over of decoded clips from the
// editor thread, start and stop on exact frames, and rendering with linear-interpolation rate
// conversion.
//
// Ownership. Every clip lives in a std::unique_ptr except while it crosses threads:
// - `currentClip_` is the audio thread's; it is never null (an empty clip at construction).
// - `pendingClip_` holds a record released by installClip. Whoever exchanges it out owns it: the
//   audio thread makes it current, a later installClip frees one the audio thread never took.
// - `retiredClips_` entries are filled by the audio thread with the clip it replaced and emptied
//   (freed) by the editor thread. Entries from the read index up to the write index belong to the
//   editor thread, the others to the audio thread; each index has one writer.
// - `latestClip_` never owns: it aliases the newest record, which stays alive at least until the
//   next installClip, so the editor thread may read it between installs.
// The audio thread therefore only exchanges pointers; all allocation and freeing happens on the
// editor thread or a host thread loading a state (installClip, collectRetired,
// destruction). Installs take turns on installMutex_, held only for the hand-over. Clips are
// freed only under clipsMutex_, which readLatestClip holds while it reads, so a clip being read
// is never freed. An install never waits for a reader: when the reader holds clipsMutex_, what the
// install would free waits in `deferredClips_` for the next install or collection.
class FilePlayer {
public:
    static constexpr std::uint32_t kRetiredSlots = 32;
    // endPosition while playback has not run out of file.
    static constexpr std::uint64_t kNoEnd = ~std::uint64_t{0};

    FilePlayer();
    ~FilePlayer();
    FilePlayer(const FilePlayer&) = delete;
    FilePlayer& operator=(const FilePlayer&) = delete;

    // Editor thread. Hands `clip` to the audio thread and stops playback; the caller's clip is left
    // empty. Throws std::runtime_error("Invalid audio data") for a clip without channels or rate,
    // or whose samples are not whole frames; the clip and the player are then untouched.
    void installClip(AudioClip&& clip);

    // Editor thread. Frees the clips the audio thread has replaced and those an install left.
    void collectRetired();

    // Editor thread. The most recently installed clip (the empty clip before any); valid until
    // the next install.
    const AudioClip& latestClip() const { return *latestClip_.load(std::memory_order_acquire); }
    // Any thread but the audio thread. Calls read with the most recently installed clip, which
    // no install on another thread frees meanwhile.
    template <typename Read> void readLatestClip(Read&& read) const {
        const std::lock_guard lock(clipsMutex_);
        read(*latestClip_.load(std::memory_order_acquire));
    }

    // Audio thread. Starts playing file frame `fileFrame` at running position `position`; past the
    // end (or with no frames) it stays stopped with endPosition = position.
    void startPlayback(std::uint64_t position, std::uint64_t fileFrame) noexcept;

    // Any thread. Clears `playing`; nothing else changes.
    void stopPlayback() noexcept { playing_.exchange(false, std::memory_order_acq_rel); }

    // Audio thread. Takes a pending clip, zeroes `length` frames of each non-null buffer among the
    // first `channelCount`, and renders the playing clip into them. Buffer c plays file channel
    // min(c, channels - 1). `position` is the running position of the first frame. When the file
    // runs out at frame a, endPosition becomes a and playback stops; the rest stays silent.
    void renderPlayback(float* const* buffers, std::uint32_t channelCount, std::uint32_t length,
                        double hostRateHz, std::uint64_t position) noexcept;

    // Any thread.
    bool playing() const noexcept { return playing_.load(std::memory_order_acquire); }
    std::uint64_t frameCount() const noexcept {
        return frameCount_.load(std::memory_order_acquire);
    }
    std::uint64_t anchorPosition() const noexcept {
        return anchorPosition_.load(std::memory_order_acquire);
    }
    std::uint64_t anchorFrame() const noexcept {
        return anchorFrame_.load(std::memory_order_acquire);
    }
    std::uint64_t endPosition() const noexcept {
        return endPosition_.load(std::memory_order_acquire);
    }

private:
    // Audio thread: swaps a pending clip in when the retired ring has room for the current one.
    void takePendingClip() noexcept;
    // Both mutexes held.
    void collectRetiredLocked();

    // Installs and collections take turns; never the audio thread, never a reader.
    std::mutex installMutex_;
    // Frees and readLatestClip take turns; installs only try it. Taken after installMutex_.
    mutable std::mutex clipsMutex_;
    // Clips an install could not free while a reader held clipsMutex_ (under installMutex_).
    std::vector<std::unique_ptr<AudioClip>> deferredClips_;

    static_assert(std::atomic<AudioClip*>::is_always_lock_free);
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
    static_assert(std::atomic<bool>::is_always_lock_free);

    // Declared before the ring so that it is destroyed after it, the pending record first of all.
    std::unique_ptr<AudioClip> currentClip_;
    std::atomic<AudioClip*> pendingClip_{nullptr};
    std::atomic<const AudioClip*> latestClip_{nullptr};
    std::array<std::unique_ptr<AudioClip>, kRetiredSlots> retiredClips_;
    // Running counts; the ring entry is the index mod kRetiredSlots and the difference is the fill
    // level, correct across wrap-around.
    std::atomic<std::uint32_t> retiredRead_{0};  // written by the editor thread only
    std::atomic<std::uint32_t> retiredWrite_{0}; // written by the audio thread only

    std::atomic<std::uint64_t> frameCount_{0};
    std::atomic<bool> playing_{false};
    std::atomic<std::uint64_t> anchorPosition_{0};
    std::atomic<std::uint64_t> anchorFrame_{0};
    std::atomic<std::uint64_t> endPosition_{kNoEnd};
};

} // namespace quillwave::plugins
