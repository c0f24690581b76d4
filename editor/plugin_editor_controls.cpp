#include "editor/plugin_editor_controls.h"

#include "plugin/utility_plugin.h"

namespace quillwave::plugins {

void applyEdit(UtilityPlugin& plugin, ParamIndex id, double value) {
    plugin.beginEdit(id);
    plugin.setTableValue(id, value);
    // The SDK's own setter, not the module's override, so the table is written once; a kind
    // without this parameter has no object to set.
    plugin.Vst::EditController::setParamNormalized(id, value);
    plugin.performEdit(id, value);
    plugin.endEdit(id);
}

ModuleKind PluginEditorControls::kind() const {
    return plugin_.kind();
}

std::string_view PluginEditorControls::displayName() const {
    return plugins::displayName(plugin_.kind());
}

double PluginEditorControls::parameter(ParamIndex id) const {
    return plugin_.table().get(id);
}

void PluginEditorControls::applyEdit(ParamIndex id, double value) {
    plugins::applyEdit(plugin_, id, value);
}

std::uint64_t PluginEditorControls::playerFrameCount() const {
    return plugin_.player().frameCount();
}

RecorderReadiness PluginEditorControls::recorderReadiness() const {
    const DiskRecorder& recorder = plugin_.recorder();
    return {recorder.ready(), recorder.recording(), recorder.diskError()};
}

bool PluginEditorControls::chooseFile(const std::u16string& path, std::string& message) {
    return plugin_.chooseFile(path, message);
}

} // namespace quillwave::plugins
