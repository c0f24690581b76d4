#pragma once

// Mouse handling's view of a live UtilityPlugin.

#include "editor/editor_controls.h"

namespace quillwave::plugins {

class UtilityPlugin;

// One complete edit of parameter id for the host and the module: beginEdit, the write into the
// parameter table and the SDK parameter object, performEdit, endEdit. Host calls are skipped when
// the host gave no component handler. Editor thread.
void applyEdit(UtilityPlugin& plugin, ParamIndex id, double value);

// The middle of an edit: the value into the table and the SDK parameter object (under the lock a
// state load holds while it writes them), then performEdit.
void changeParameter(UtilityPlugin& plugin, ParamIndex id, double value);

// Reads the module on every call and keeps nothing; the plugin must outlive it.
class PluginEditorControls final : public EditorControls {
public:
    explicit PluginEditorControls(UtilityPlugin& plugin) : plugin_(plugin) {}

    ModuleKind kind() const override;
    std::string_view displayName() const override;
    double parameter(ParamIndex id) const override;
    void beginGesture(ParamIndex id) override;
    void changeInGesture(ParamIndex id, double value) override;
    void endGesture(ParamIndex id) override;
    std::uint64_t playerFrameCount() const override;
    RecorderReadiness recorderReadiness() const override;
    bool chooseFile(const std::u16string& path, std::string& message) override;

private:
    UtilityPlugin& plugin_;
};

} // namespace quillwave::plugins
