#pragma once

// The editor's view of a live UtilityPlugin.

#include "editor/editor_model.h"
#include "editor/status_line.h"
#include "platform/free_space.h"
#include "recorder/free_space_watch.h"

namespace quillwave::plugins {

class UtilityPlugin;

// The status line of a module from its live state: kind, file path, the player's playing flag
// and, for the recorder, the status of one fresh meter snapshot. Editor thread.
std::string moduleStatusLine(const UtilityPlugin& plugin,
                             std::optional<double> secondsLeft = std::nullopt);

// Reads the module on every call and keeps only the latest reading of the destination's free
// space; the plugin must outlive it.
class PluginEditorModel final : public EditorModel {
public:
    explicit PluginEditorModel(UtilityPlugin& plugin,
                               FreeSpaceWatch::Source freeSpace = platform::freeBytesForPath)
        : plugin_(plugin), freeSpace_(std::move(freeSpace)) {}

    ModuleKind kind() const override;
    std::string_view displayName() const override;
    double parameter(ParamIndex id) const override;
    std::optional<std::int32_t> audioInputChannels(std::int32_t bus) const override;
    MeterSnapshot meterSnapshot() const override;
    std::string statusLine() const override;
    std::optional<double> recordingSecondsLeft() const override;
    void readLatestClip(const std::function<void(const AudioClip&)>& read) const override;

private:
    // Non-const only because the SDK's bus query is.
    UtilityPlugin& plugin_;
    // Asked on every paint; it starts a reading only now and then, on a thread of its own.
    mutable FreeSpaceWatch freeSpace_;
};

} // namespace quillwave::plugins
