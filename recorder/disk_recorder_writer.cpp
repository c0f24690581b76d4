#include "recorder/disk_recorder.h"

#include "recorder/take_files.h"

#include <algorithm>
#include <chrono>
#include <mutex>

namespace quillwave::plugins {
void DiskRecorder::writerMain(std::u16string path) {
    const std::uint32_t channels = fileChannels_.load();
    const std::uint32_t rate = fileSampleRate_.load();
    // Each file of the take holds up to the size limit; the take goes on in continuation parts.
    const std::uint64_t limit = sampleLimit(channels, access_.dataByteLimit);
    TakeFiles files(access_.open, std::move(path), channels, rate, limit, timeStampedFiles_.load());
    if (!files.createFirst()) {
        diskError_.exchange(true);
        writerFinished_.exchange(true);
        return;
    }
    fileCreated_.exchange(true);
    ready_.exchange(true);

    // Writes are cut into chunks of whole frames so that ring space returns to the audio thread
    // while a long backlog is written, instead of only after all of it: the stages overlap, and a
    // slow write holds back at most one chunk of the ring.
    const std::uint64_t writeChunk = writeChunkSamples(channels);
    // prepare provided the ring before starting this thread and replaces it only after joining it.
    const float* const ring = ring_->data();
    const std::uint64_t ringSamples = ring_->samples();
    const std::uint64_t ringMask = ring_->mask();
    bool failed = false;
    bool stamped = false;

    for (;;) {
        const std::uint64_t r = readIndex_.load(std::memory_order_relaxed);
        const std::uint64_t w = writeIndex_.load(std::memory_order_acquire);
        if (r == w) {
            // Drain test. captureComplete is set only after recording was cleared, and capture
            // raises inCapture before it reads recording; so once captureComplete is seen with
            // inCapture clear, any block still being captured has already published its frames.
            if (captureComplete_.load() && !inCapture_.load()) {
                if (readIndex_.load(std::memory_order_relaxed) ==
                    writeIndex_.load(std::memory_order_acquire)) {
                    break;
                }
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }

        if (!stamped) {
            // The take's first frames are here: its start is known, and nothing is written yet.
            files.stampTake(takeTimeStamp(channels, rate), takeTimeStamped_.load());
            stamped = true;
        }
        // The full file is finalized at this frame boundary and the next frame opens the next
        // part. A limit below one frame holds nothing in any file: that ends the take.
        if (files.room() == 0) {
            if (limit == 0 || !files.moveOn()) {
                failed = true;
                break;
            }
            const std::lock_guard lock(partPathMutex_);
            partPath_ = files.currentPath();
        }
        // room() is a whole number of frames, so every write below ends on a frame boundary.
        std::uint64_t run =
            std::min({ringSamples - (r & ringMask), w - r, writeChunk, files.room()});
        run -= run % channels;
        std::uint64_t count = 0;
        if (run > 0) {
            files.write(ring + (r & ringMask), run);
            count = run;
        } else {
            // One frame straddles the end of the ring (channels do not divide its size); the
            // file has room for it, since its room is a whole number of frames above zero.
            count = channels;
            for (std::uint64_t k = 0; k < count; ++k) {
                files.write(ring + ((r + k) & ringMask), 1);
            }
        }
        readIndex_.store(r + count, std::memory_order_release);
        writtenFrames_.exchange(files.takeSamples() / channels);
        if (files.failed()) {
            failed = true;
            break;
        }
        files.prepareNextWhenDue();
    }

    if (failed) {
        diskError_.exchange(true);
        finish();
    }
    if (!files.finalize()) {
        diskError_.exchange(true);
    }
    {
        const std::lock_guard lock(partPathMutex_);
        partPath_.clear();
    }
    ready_.exchange(false);
    writerFinished_.exchange(true);
}

TakeTimeStamp DiskRecorder::takeTimeStamp(std::uint32_t channels, std::uint32_t rate) const {
    TakeTimeStamp stamp;
    if (const std::int64_t time = takeProjectTime_.load(); time >= 0) {
        stamp.projectTime = static_cast<std::uint64_t>(time);
    }
    // The audio thread reads no clock: the take began the length of its captured frames ago.
    const std::uint64_t frames = writeIndex_.load() / channels + droppedFrames_.load();
    stamp.recordedAt = std::chrono::system_clock::now() -
                       std::chrono::duration_cast<std::chrono::system_clock::duration>(
                           std::chrono::duration<double>(static_cast<double>(frames) / rate));
    return stamp;
}

std::u16string DiskRecorder::partPath() const {
    const std::lock_guard lock(partPathMutex_);
    return partPath_;
}

} // namespace quillwave::plugins
