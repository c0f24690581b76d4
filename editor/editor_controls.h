#pragma once

// What mouse handling needs of its module, and nothing more. The module implements it over its
// live state; every call is made on the editor's window thread.

#include "plugin/module_kind.h"
#include "plugin/param_ids.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillwave::plugins {

// The recorder's flags that decide whether a take may start, read live rather than from the
// paint's snapshot.
struct RecorderReadiness {
    bool ready = false;
    bool recording = false;
    bool diskError = false;
};

class EditorControls {
public:
    virtual ~EditorControls() = default;

    virtual ModuleKind kind() const = 0;

    // The module's display name, UTF-8; the caption of its error messages.
    virtual std::string_view displayName() const = 0;

    // Normalized value of a parameter; ids above 511 read as 0.
    virtual double parameter(ParamIndex id) const = 0;

    // The one way a click changes a parameter: a complete begin/perform/end edit for the host
    // around the write into the module. value is already within [0, 1].
    virtual void applyEdit(ParamIndex id, double value) {
        beginGesture(id);
        changeInGesture(id, value);
        endGesture(id);
    }

    // A drag is one gesture for the host: begin at the press, one change per move, end at the
    // release, so touch automation records the whole movement.
    virtual void beginGesture(ParamIndex id) = 0;
    // Writes value into the module and tells the host (performEdit).
    virtual void changeInGesture(ParamIndex id, double value) = 0;
    virtual void endGesture(ParamIndex id) = 0;

    // Frames of the clip the player holds; 0 when no file is loaded.
    virtual std::uint64_t playerFrameCount() const = 0;

    virtual RecorderReadiness recorderReadiness() const = 0;

    // Hands a chosen file to the module (a file to play, or a new destination). On failure
    // returns false with the user-facing message, narrow characters, in message.
    virtual bool chooseFile(const std::u16string& path, std::string& message) = 0;

protected:
    EditorControls() = default;
    EditorControls(const EditorControls&) = default;
    EditorControls& operator=(const EditorControls&) = default;
};

} // namespace quillwave::plugins
