#include "recorder/take_files.h"

#include "platform/new_file.h"
#include "platform/path_status.h"
#include "recorder/free_take_name.h"
#include "recorder/recording_limits.h"
#include "recorder/wav_header.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>

namespace quillwave::plugins {
namespace {

// How early the next part is created: ample for a file creation on a busy disk, short enough
// that a take rarely ends with a part it never needed.
constexpr std::uint64_t kLeadSeconds = 4;

// The final header with the whole frames written, then flush and close. False on any failure;
// the stream is closed in every case.
bool finishFile(RecordingStream& stream, std::uint32_t channels, std::uint32_t rate,
                std::uint64_t samples, const std::optional<TakeTimeStamp>& stamp) {
    // A short write can leave part of a frame on disk; the header declares whole frames only, so
    // the file stays readable and matches the frames counted as written.
    const std::uint64_t dataSamples = samples - samples % channels;
    writeWavHeader(stream, channels, rate, static_cast<std::uint32_t>(4 * dataSamples), stamp);
    const bool flushed = stream.flush() && !stream.failed();
    // Closing writes back what the system still holds; a failure there loses audio too.
    const bool closed = stream.close();
    return flushed && closed;
}

// What a Broadcast WAV header leaves of a file's room.
std::uint64_t partLimitOf(std::uint64_t requested, std::uint32_t channels, bool timeStamped) {
    return timeStamped
               ? std::min(requested,
                          sampleLimit(channels, maxDataBytesAfter(kBroadcastWavHeaderBytes)))
               : requested;
}

std::uint32_t newTakeId() noexcept {
    try {
        return std::random_device{}();
    } catch (...) {
        return static_cast<std::uint32_t>(
            std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

} // namespace

TakeFiles::TakeFiles(RecordingFileOpener open, std::u16string firstFile, std::uint32_t channels,
                     std::uint32_t sampleRate, std::uint64_t partLimit, TakeFileOptions options)
    : open_(std::move(open)), firstFile_(std::move(firstFile)), channels_(channels),
      sampleRate_(sampleRate), requestedLimit_(partLimit),
      leadSamples_(kLeadSeconds * sampleRate * channels),
      removeFailedFirst_(options.removeFailedFirst),
      partLimit_(partLimitOf(partLimit, channels, options.timeStamped)),
      timeStamped_(options.timeStamped), currentPath_(firstFile_) {
    // Until the take starts, the file says when it was made and that no project time is known.
    stamp_.recordedAt = std::chrono::system_clock::now();
    stamp_.takeId = newTakeId();
}

TakeFiles::~TakeFiles() {
    discard(next_);
}

std::optional<TakeTimeStamp> TakeFiles::stampOf(std::uint32_t number,
                                                std::uint64_t samplesBefore) const {
    if (!timeStamped_) {
        return std::nullopt;
    }
    // A part begins where the files before it end: its times are the take's, moved on by them.
    const std::uint64_t frames = samplesBefore / channels_;
    TakeTimeStamp stamp = stamp_;
    stamp.part = number;
    if (stamp.projectTime) {
        *stamp.projectTime += frames;
    }
    stamp.recordedAt += std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(frames) / sampleRate_));
    return stamp;
}

void TakeFiles::stampTake(const TakeTimeStamp& start, bool timeStamped) {
    const bool empty = currentNumber_ == 1 && partSamples_ == 0;
    if (!timeStamped_ && !(timeStamped && empty)) {
        return; // a plain take stays exactly as it was
    }
    timeStamped_ = true;
    partLimit_ = partLimitOf(requestedLimit_, channels_, true);
    stamp_.projectTime = start.projectTime;
    stamp_.recordedAt = start.recordedAt;
    if (current_ && empty) {
        // Nothing follows the header yet, so the stamped one takes its place, and the samples
        // go on after it. (A header written later, at finalization, carries the stamp anyway.)
        writeWavHeader(*current_, channels_, sampleRate_, 0, stampOf(1, 0));
        current_->flush();
    }
}

std::unique_ptr<RecordingStream> TakeFiles::startFile(const std::u16string& path,
                                                      std::uint32_t number,
                                                      std::uint64_t samplesBefore,
                                                      bool removeFailed, Creation* result) const {
    std::unique_ptr<RecordingStream> stream = open_ ? open_(path) : nullptr;
    if (result) {
        *result = stream ? Creation::Created : Creation::NotOpened;
    }
    if (!stream) {
        return nullptr;
    }
    // Provisional header: declares an empty data chunk until the file is finalized, so a file
    // left by a crash mid-take is still a valid (empty) WAV file. Flushed at once: left in the
    // stream's buffer, it would not reach the disk before the first samples do.
    writeWavHeader(*stream, channels_, sampleRate_, 0, stampOf(number, samplesBefore));
    if (!stream->flush() || stream->failed()) {
        stream->close();
        if (removeFailed) {
            platform::removeCreatedFile(path); // ours, and it holds nothing anyone could use
        }
        if (result) {
            *result = Creation::HeaderFailed;
        }
        return nullptr;
    }
    return stream;
}

TakeFiles::Creation TakeFiles::createFirst() {
    Creation result = Creation::NotOpened;
    current_ = startFile(firstFile_, 1, 0, removeFailedFirst_, &result);
    return result;
}

std::size_t TakeFiles::write(const float* samples, std::size_t count) {
    const std::size_t done = current_->write(samples, sizeof(float), count);
    partSamples_ += done;
    return done;
}

bool TakeFiles::failed() const {
    return current_->failed();
}

bool TakeFiles::createNext() noexcept {
    try {
        // From the number after the current one: a name taken meanwhile is skipped, never
        // touched, and the parts keep their order.
        std::uint32_t from = currentNumber_ + 1;
        for (int attempt = 0; attempt < kPartAttempts; ++attempt) {
            std::optional<FreePart> part = firstFreePart(firstFile_, std::max(from, 2u));
            if (!part) {
                return false;
            }
            // Parts are created only for a full current file: the next one starts where it ends.
            // A part that was created and could not take its header is removed at once: it is
            // ours, holds nothing, and left behind it would look taken to the next attempt.
            Creation result = Creation::NotOpened;
            if (auto stream =
                    startFile(part->path, part->number, doneSamples_ + partLimit_, true, &result)) {
                next_ = {std::move(stream), std::move(part->path), part->number};
                return true;
            }
            // Created by someone else since the query: try the next number. Anything else (a
            // folder that refuses files, a full disk) ends the search.
            if (result != Creation::NotOpened ||
                platform::queryPathStatus(part->path) != platform::PathStatus::Exists) {
                return false;
            }
            from = part->number + 1;
        }
        return false;
    } catch (...) {
        return false; // a failed existence query, or no memory for a name
    }
}

void TakeFiles::prepareNextWhenDue() {
    if (next_.stream || nextRefused_ || partSamples_ == 0 || room() > leadSamples_) {
        return;
    }
    nextRefused_ = !createNext();
}

bool TakeFiles::moveOn() {
    if (!next_.stream && !createNext()) {
        return false;
    }
    const bool finished = finishCurrent();
    current_ = std::move(next_.stream);
    currentPath_ = std::move(next_.path);
    currentNumber_ = next_.number;
    next_ = {};
    doneSamples_ += partSamples_;
    partSamples_ = 0;
    nextRefused_ = false;
    return finished;
}

bool TakeFiles::finalize() {
    discard(next_);
    if (!current_) {
        return true;
    }
    if (currentNumber_ > 1 && partSamples_ == 0) {
        File empty{std::move(current_), currentPath_, currentNumber_};
        discard(empty);
        return true;
    }
    const bool finished = finishCurrent();
    current_.reset();
    return finished;
}

bool TakeFiles::finishCurrent() {
    return finishFile(*current_, channels_, sampleRate_, partSamples_,
                      stampOf(currentNumber_, doneSamples_));
}

void TakeFiles::removeUnused() {
    discard(next_);
    if (current_ && takeSamples() == 0) {
        File unused{std::move(current_), currentPath_, currentNumber_};
        discard(unused);
    }
}

void TakeFiles::discard(File& file) noexcept {
    if (!file.stream) {
        return;
    }
    file.stream->close();
    file.stream.reset();
    // Created by this take and never written: nothing of the user's is lost.
    platform::removeCreatedFile(file.path);
    file = {};
}

} // namespace quillwave::plugins
