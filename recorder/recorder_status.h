#pragma once

#include <cstdint>

namespace quillwave::plugins {

class DiskRecorder;

// The recorder's display flags and counters, as the editor and the status line see them. Each
// flag is read on its own, so one status may mix values from either side of a change.
struct RecorderStatus {
    bool recording = false;
    bool armed = false;
    bool capturingTail = false;
    bool finalizing = false;
    bool finalized = false;
    bool diskError = false;
    bool creationFailed = false; // the disk error is a take's file that could not be created
    std::uint64_t capturedFrames = 0;
    std::uint64_t writtenFrames = 0;
    std::uint64_t droppedFrames = 0;
    double capturedSeconds = 0.0;
    // The most seconds pre-record keeps at the armed or last format; 0 before any arming.
    double preRecordLimitSeconds = 0.0;
};

// Reads the status of recorder; capturedSeconds is counted at publishedSampleRate (0 when that
// rate is not positive).
RecorderStatus readRecorderStatus(const DiskRecorder& recorder,
                                  double publishedSampleRate) noexcept;

// The one state a display shows, by priority: the first that holds wins.
enum class RecorderDisplayState {
    DiskError,
    CapturingTail,
    Recording,
    Finalizing,
    Armed,
    Finalized,     // only while a destination path is set
    NoDestination, // none of the above
};

RecorderDisplayState recorderDisplayState(const RecorderStatus& status,
                                          bool destinationSet) noexcept;

} // namespace quillwave::plugins
