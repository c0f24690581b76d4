#pragma once

// One take from start to finish: the transport plays the chosen part of the input, the input's
// remainder (then silence) feeds the effect tail until the take file is finalized, and the
// module is stopped and deactivated.

#include "host_options.h"
#include "hosted_recorder.h"
#include "input_signal.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quillwave::host {

struct TakeReport {
    std::uint64_t playedFrames = 0;             // frames played with the transport running
    std::uint64_t tailFrames = 0;               // tail frames the tail rule keeps after the stop
    std::uint64_t writtenFrames = 0;            // whole frames the finished file declares
    std::optional<std::uint64_t> timeReference; // of a time-stamped take
    std::uint64_t capturedFrames() const { return playedFrames + tailFrames; }
    // Frames the file should hold but does not: dropped by a full ring or lost to a disk error.
    std::uint64_t droppedFrames() const {
        return writtenFrames < capturedFrames() ? capturedFrames() - writtenFrames : 0;
    }
};

// Runs the take into the armed file `take`. Throws std::runtime_error when the plug-in refuses a
// block or the finished file is not the take it should be.
TakeReport recordTake(HostedRecorder& recorder, const InputSignal& input,
                      const HostOptions& options, const std::filesystem::path& take);

} // namespace quillwave::host
