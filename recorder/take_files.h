#pragma once

#include "recorder/bext_chunk.h"
#include "recorder/recording_stream.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quillwave::plugins {

// How a take's files are made.
struct TakeFileOptions {
    // A first file whose header cannot be written is removed again instead of being left on
    // disk.
    bool removeFailedFirst = false;
    // The files are created as Broadcast WAV.
    bool timeStamped = false;
};

// The files one take is written into: its first file, then, each time the file being written is
// full, a continuation part next to it (partName of the first file, the first free number from
// 2 on). Every file is a complete WAV file of whole frames, so the files played back to back are
// the take. The next part is created, with its provisional header, within the last seconds of
// the current one, so that moving on costs only the full file's final header; a part that ends
// up holding no audio is deleted again. A time-stamped take is Broadcast WAV in every file, each
// stamped with the time of its own first frame. Used by the writer thread only.
class TakeFiles {
public:
    // How creating the first file ended.
    enum class Creation { Created, NotOpened, HeaderFailed };
    // Attempts at creating a continuation part per switch: names taken meanwhile by someone else
    // are skipped a few times, never scanned through.
    static constexpr int kPartAttempts = 8;

    // partLimit: the most samples one file holds, a whole number of frames (cut further to what
    // fits after a Broadcast WAV header).
    TakeFiles(RecordingFileOpener open, std::u16string firstFile, std::uint32_t channels,
              std::uint32_t sampleRate, std::uint64_t partLimit, TakeFileOptions options = {});
    // Closes and deletes a part that was created and never written (after finalize: nothing).
    ~TakeFiles();
    TakeFiles(const TakeFiles&) = delete;
    TakeFiles& operator=(const TakeFiles&) = delete;

    // Creates the first file exclusively and writes and flushes its provisional header. A file
    // created with a failed header stays on disk unless removeFailedFirst.
    Creation createFirst();

    // Where the take's first frame lies, given once before its first write. A take whose files
    // are Broadcast WAV rewrites the first file's header with it; one created plain becomes
    // Broadcast WAV when timeStamped is set and it holds nothing yet, and stays plain, byte for
    // byte, otherwise. The part number of `start` is ignored.
    void stampTake(const TakeTimeStamp& start, bool timeStamped);

    // Samples the current file still takes.
    std::uint64_t room() const noexcept { return partLimit_ - partSamples_; }
    // Appends count samples (at most room()) to the current file; returns the samples written.
    std::size_t write(const float* samples, std::size_t count);
    // The current file's stream is in an error state.
    bool failed() const;
    // Samples written over the whole take, all files.
    std::uint64_t takeSamples() const noexcept { return doneSamples_ + partSamples_; }

    // Creates the next part ahead of need once the current file has audio and is within the
    // lead of its limit. A refusal is not retried before moveOn.
    void prepareNextWhenDue();
    // Finalizes the full current file and goes on in the next part (created now if it is not
    // ready). False when the take cannot go on: no next part could be created (the current file
    // is left as it is, for finalize) or the full file could not be finalized.
    bool moveOn();
    // Finalizes the current file with the whole frames written to it (a continuation part that
    // received nothing is deleted instead) and deletes an unused next part. False when the final
    // header, flush or close failed.
    bool finalize();
    // Closes and deletes every file of a take that never received a sample.
    void removeUnused();

    // The file being written.
    const std::u16string& currentPath() const noexcept { return currentPath_; }
    // 1 for the first file, else its part number.
    std::uint32_t currentNumber() const noexcept { return currentNumber_; }

private:
    struct File {
        std::unique_ptr<RecordingStream> stream;
        std::u16string path;
        std::uint32_t number = 0;
    };
    // Creates path exclusively with the provisional header of part `number`, whose first frame
    // follows samplesBefore samples of the take; null when that fails. A file created whose
    // header failed is removed when removeFailed, else left.
    std::unique_ptr<RecordingStream> startFile(const std::u16string& path, std::uint32_t number,
                                               std::uint64_t samplesBefore, bool removeFailed,
                                               Creation* result = nullptr) const;
    // The time stamp of part `number`; none for a plain take.
    std::optional<TakeTimeStamp> stampOf(std::uint32_t number, std::uint64_t samplesBefore) const;
    // The final header with the whole frames written, then flush and close.
    bool finishCurrent();
    bool createNext() noexcept;
    static void discard(File& file) noexcept;

    const RecordingFileOpener open_;
    const std::u16string firstFile_;
    const std::uint32_t channels_;
    const std::uint32_t sampleRate_;
    const std::uint64_t requestedLimit_;
    const std::uint64_t leadSamples_;
    const bool removeFailedFirst_;
    std::uint64_t partLimit_;
    // Broadcast WAV, and the take's first frame (provisional until stampTake).
    bool timeStamped_;
    TakeTimeStamp stamp_;

    std::unique_ptr<RecordingStream> current_;
    std::u16string currentPath_;
    std::uint32_t currentNumber_ = 1;
    std::uint64_t partSamples_ = 0; // in the current file
    std::uint64_t doneSamples_ = 0; // in the files before it
    File next_;
    bool nextRefused_ = false;
};

} // namespace quillwave::plugins
