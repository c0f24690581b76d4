#pragma once

// The one line of text that tells the user what a module is doing.

#include "plugin/module_kind.h"
#include "recorder/recording_time_left.h"
#include "recorder/recorder_status.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillwave::plugins {

// Everything the line depends on, read once by the caller.
struct StatusLineInput {
    ModuleKind kind = ModuleKind::FaderBank;
    std::u16string_view filePath; // the player's file or the recorder's destination
    bool playerPlaying = false;   // player only
    RecorderStatus recorder;      // recorder only: the status fields of one meter snapshot
    // Recorder only: the recording time the destination's volume still holds, when known.
    std::optional<double> secondsLeft;
};

// A recorder that can still record (armed, recording or capturing its tail) on a volume with
// less than kDiskWarningSeconds left: the status line warns, in the disk-error colour.
bool diskAlmostFull(RecorderDisplayState state, std::optional<double> secondsLeft);

// The status line, UTF-8. It holds the file name of the path and, only in the warning of a disk
// almost full, the minutes left.
std::string statusLine(const StatusLineInput& input);

// The file name part of a path: everything after its last backslash or forward slash, or after a
// leading drive designator ("C:") when there is no separator.
std::u16string_view fileNamePart(std::u16string_view path);

} // namespace quillwave::plugins
