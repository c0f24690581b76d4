#pragma once

// Mouse handling's view of a live UtilityPlugin.

#include "editor/editor_controls.h"

namespace quillwave::plugins {

class UtilityPlugin;

// One complete edit of parameter id for the host and the module: beginEdit, the write into the
// parameter table, the SDK parameter object, performEdit, endEdit. Host calls are skipped when
// the host gave no component handler. Editor thread.
void applyEdit(UtilityPlugin& plugin, ParamIndex id, double value);

// Reads the module on every call and keeps nothing; the plugin must outlive it.
class PluginEditorControls final : public EditorControls {
public:
    explicit PluginEditorControls(UtilityPlugin& plugin) : plugin_(plugin) {}

    ModuleKind kind() const override;
    std::string_view displayName() const override;
    double parameter(ParamIndex id) const override;
    void applyEdit(ParamIndex id, double value) override;
    std::uint64_t playerFrameCount() const override;
    RecorderReadiness recorderReadiness() const override;
    bool chooseFile(const std::u16string& path, std::string& message) override;

private:
    UtilityPlugin& plugin_;
};

} // namespace quillwave::plugins
