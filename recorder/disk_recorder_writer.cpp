#include "recorder/disk_recorder.h"

#include "recorder/wav_header.h"

#include <algorithm>
#include <chrono>

namespace quillwave::plugins {
namespace {

constexpr std::uint64_t kWriteChunkSamples = 65536; // 256 KiB

} // namespace

void DiskRecorder::writerMain(std::u16string path) {
    const std::uint32_t channels = fileChannels_.load();
    const std::uint32_t rate = fileSampleRate_.load();

    std::unique_ptr<RecordingStream> stream = access_.open ? access_.open(path) : nullptr;
    path = {}; // the thread keeps nothing of the destination once the file exists
    if (!stream) {
        diskError_.exchange(true);
        writerFinished_.exchange(true);
        return;
    }
    // Provisional header: declares an empty data chunk until the take is finalized, so a file
    // left by a crash mid-take is still a valid (empty) WAV file. Flushed at once: left in the
    // stream's buffer, it would not reach the disk before the first samples do.
    writeWavHeader(*stream, channels, rate, 0);
    if (!stream->flush() || stream->failed()) {
        stream->close();
        diskError_.exchange(true);
        writerFinished_.exchange(true);
        return;
    }
    fileCreated_.exchange(true);
    ready_.exchange(true);

    const std::uint64_t limit = sampleLimit(channels, access_.dataByteLimit);
    // Writes are cut into chunks of whole frames so that ring space returns to the audio thread
    // while a long backlog is written, instead of only after all of it: the stages overlap, and a
    // slow write holds back at most one chunk of the ring.
    const std::uint64_t writeChunk = kWriteChunkSamples / channels * channels;
    // prepare provided the ring before starting this thread and replaces it only after joining it.
    const float* const ring = ring_->data();
    const std::uint64_t ringSamples = ring_->samples();
    const std::uint64_t ringMask = ring_->mask();
    std::uint64_t written = 0; // samples that reached the stream
    bool failed = false;

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

        std::uint64_t run = std::min({ringSamples - (r & ringMask), w - r, writeChunk});
        run -= run % channels;
        std::uint64_t count = 0;
        if (run > 0) {
            // Up to the size limit the audio is kept; what would pass it ends the take.
            const std::uint64_t allowed = std::min(run, limit - written);
            if (allowed > 0) {
                written += stream->write(ring + (r & ringMask), sizeof(float), allowed);
            }
            count = allowed;
            failed = allowed < run;
        } else {
            // One frame straddles the end of the ring (channels do not divide its size).
            count = std::min<std::uint64_t>(w - r, channels);
            if (written + count > limit) {
                count = 0;
                failed = true;
            }
            for (std::uint64_t k = 0; k < count; ++k) {
                written += stream->write(ring + ((r + k) & ringMask), sizeof(float), 1);
            }
        }
        readIndex_.store(r + count, std::memory_order_release);
        writtenFrames_.exchange(written / channels);
        if (failed || stream->failed()) {
            failed = true;
            break;
        }
    }

    if (failed) {
        diskError_.exchange(true);
        finish();
    }
    // A short write can leave part of a frame on disk; the header declares whole frames only, so
    // the file stays readable and matches writtenFrames.
    const std::uint64_t dataSamples = written - written % channels;
    writeWavHeader(*stream, channels, rate, static_cast<std::uint32_t>(4 * dataSamples));
    const bool flushed = stream->flush();
    if (!flushed || stream->failed()) {
        diskError_.exchange(true);
    }
    // Closing writes back what the system still holds; a failure there loses audio too.
    if (!stream->close()) {
        diskError_.exchange(true);
    }
    stream.reset();
    ready_.exchange(false);
    writerFinished_.exchange(true);
}

} // namespace quillwave::plugins
