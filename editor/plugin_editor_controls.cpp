#include "editor/plugin_editor_controls.h"

#include "plugin/utility_plugin.h"

namespace quillwave::plugins {

void applyEdit(UtilityPlugin& plugin, ParamIndex id, double value) {
    plugin.beginEdit(id);
    changeParameter(plugin, id, value);
    plugin.endEdit(id);
}

void changeParameter(UtilityPlugin& plugin, ParamIndex id, double value) {
    // The module's setter writes the table and, under the state lock, the SDK parameter object
    // (a kind without this parameter has none to set).
    plugin.setParamNormalized(id, value);
    plugin.performEdit(id, value);
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

void PluginEditorControls::beginGesture(ParamIndex id) {
    plugin_.beginEdit(id);
}

void PluginEditorControls::changeInGesture(ParamIndex id, double value) {
    changeParameter(plugin_, id, value);
}

void PluginEditorControls::endGesture(ParamIndex id) {
    plugin_.endEdit(id);
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
