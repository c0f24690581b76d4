#pragma once

// The one line of text that tells the user what a module is doing.

#include "plugin/module_kind.h"
#include "recorder/recorder_status.h"

#include <string>
#include <string_view>

namespace quillwave::plugins {

// Everything the line depends on, read once by the caller.
struct StatusLineInput {
    ModuleKind kind = ModuleKind::FaderBank;
    std::u16string_view filePath; // the player's file or the recorder's destination
    bool playerPlaying = false;   // player only
    RecorderStatus recorder;      // recorder only: the status fields of one meter snapshot
};

// The status line, UTF-8. It holds the file name of the path but never a number.
std::string statusLine(const StatusLineInput& input);

// The file name part of a path: everything after its last backslash or forward slash, or after a
// leading drive designator ("C:") when there is no separator.
std::u16string_view fileNamePart(std::u16string_view path);

} // namespace quillwave::plugins
