#include "editor/plugin_editor_model.h"

#include "plugin/utility_plugin.h"

namespace quillwave::plugins {

std::string moduleStatusLine(const UtilityPlugin& plugin) {
    const std::u16string path = plugin.statusFilePath(); // the input only views it
    StatusLineInput input;
    input.kind = plugin.kind();
    input.filePath = path;
    input.playerPlaying = plugin.player().playing();
    if (input.kind == ModuleKind::Recorder) {
        input.recorder = plugin.readMeterSnapshot().recorder;
    }
    return statusLine(input);
}

ModuleKind PluginEditorModel::kind() const {
    return plugin_.kind();
}

std::string_view PluginEditorModel::displayName() const {
    return plugins::displayName(plugin_.kind());
}

double PluginEditorModel::parameter(ParamIndex id) const {
    return plugin_.table().get(id);
}

std::optional<std::int32_t> PluginEditorModel::audioInputChannels(std::int32_t bus) const {
    Vst::BusInfo info{};
    if (plugin_.getBusInfo(Vst::kAudio, Vst::kInput, bus, info) != kResultOk) {
        return std::nullopt;
    }
    return info.channelCount;
}

MeterSnapshot PluginEditorModel::meterSnapshot() const {
    return plugin_.readMeterSnapshot();
}

std::string PluginEditorModel::statusLine() const {
    return moduleStatusLine(plugin_);
}

void PluginEditorModel::readLatestClip(const std::function<void(const AudioClip&)>& read) const {
    plugin_.player().readLatestClip(read);
}

} // namespace quillwave::plugins
