#include "editor/status_line.h"

#include "platform/utf.h"

#include <algorithm>

namespace quillwave::plugins {
namespace {

bool isDriveLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The file name as the saved state writes paths: UTF-8 with forward slashes.
std::string fileNameText(std::u16string_view path) {
    std::string name = platform::utf16ToUtf8(fileNamePart(path));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string recorderLine(const StatusLineInput& input) {
    const RecorderDisplayState state = recorderDisplayState(input.recorder, !input.filePath.empty());
    if (diskAlmostFull(state, input.secondsLeft)) {
        return "Disk almost full: " + timeLeftText(*input.secondsLeft) + " | " +
               fileNameText(input.filePath);
    }
    switch (state) {
    case RecorderDisplayState::DiskError:
        return input.recorder.creationFailed ? "Cannot create recording file"
                                             : "Recording failed; inspect output disk";
    case RecorderDisplayState::CapturingTail:
        return "Capturing the effect tail | " + fileNameText(input.filePath);
    case RecorderDisplayState::Recording:
        return "Recording | " + fileNameText(input.filePath);
    case RecorderDisplayState::Finalizing:
        return "Finalizing WAV | " + fileNameText(input.filePath);
    case RecorderDisplayState::Armed:
        return "Armed and ready | " + fileNameText(input.filePath);
    case RecorderDisplayState::Finalized:
        return "Finalized | " + fileNameText(input.filePath);
    case RecorderDisplayState::NoDestination:
        break;
    }
    return "Choose a NEW WAV destination before playback";
}

} // namespace

bool diskAlmostFull(RecorderDisplayState state, std::optional<double> secondsLeft) {
    const bool canRecord = state == RecorderDisplayState::Armed ||
                           state == RecorderDisplayState::Recording ||
                           state == RecorderDisplayState::CapturingTail;
    return canRecord && secondsLeft && *secondsLeft < kDiskWarningSeconds;
}

std::u16string_view fileNamePart(std::u16string_view path) {
    const std::size_t separator = path.find_last_of(u"\\/");
    if (separator != std::u16string_view::npos) {
        return path.substr(separator + 1);
    }
    if (path.size() >= 2 && isDriveLetter(path[0]) && path[1] == u':') {
        return path.substr(2);
    }
    return path;
}

std::string statusLine(const StatusLineInput& input) {
    switch (input.kind) {
    case ModuleKind::Player:
        if (input.filePath.empty()) {
            return "Choose a WAV file. Disk is never read in the audio callback.";
        }
        return fileNameText(input.filePath) + (input.playerPlaying ? " | Playing" : " | Ready");
    case ModuleKind::Recorder:
        return recorderLine(input);
    default:
        break;
    }
    return "Host audio ports | Digital processing | No extra hardware engine";
}

} // namespace quillwave::plugins
