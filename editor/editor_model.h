#pragma once

// What the editor picture needs to know of its module, and nothing more, so a paint can be made
// from any constructed state. The module implements it; every call is made on the editor's
// window thread and must not block on the audio thread.

#include "dsp/meter_snapshot.h"
#include "player/audio_clip.h"
#include "plugin/module_kind.h"
#include "plugin/param_ids.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillwave::plugins {

class EditorModel {
public:
    virtual ~EditorModel() = default;

    virtual ModuleKind kind() const = 0;

    // The module's display name, UTF-8.
    virtual std::string_view displayName() const = 0;

    // Normalized value of a parameter; ids above 511 read as 0.
    virtual double parameter(ParamIndex id) const = 0;

    // Channel count of audio input bus `bus`, or nothing when the module has no such bus.
    virtual std::optional<std::int32_t> audioInputChannels(std::int32_t bus) const = 0;

    // One consistent copy of the input meters with the recorder's status fields.
    virtual MeterSnapshot meterSnapshot() const = 0;

    // One line saying what the module is doing, UTF-8.
    virtual std::string statusLine() const = 0;

    // Recorder: the recording time left on the destination's volume at the format the recorder
    // records, in seconds; nothing when it cannot be told (and for every other kind). Never
    // waits for the volume.
    virtual std::optional<double> recordingSecondsLeft() const { return std::nullopt; }

    // Calls read with the player's newest clip (an empty clip before any file was loaded). The
    // clip stays alive for the call, even when a host thread loads another file meanwhile.
    virtual void readLatestClip(const std::function<void(const AudioClip&)>& read) const = 0;

protected:
    EditorModel() = default;
    EditorModel(const EditorModel&) = default;
    EditorModel& operator=(const EditorModel&) = default;
};

} // namespace quillwave::plugins
