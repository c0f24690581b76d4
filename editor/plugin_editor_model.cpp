#include "editor/plugin_editor_model.h"

#include "plugin/utility_plugin.h"

#include <algorithm>

namespace quillwave::plugins {

std::string moduleStatusLine(const UtilityPlugin& plugin, std::optional<double> secondsLeft) {
    const std::u16string path = plugin.statusFilePath(); // the input only views it
    StatusLineInput input;
    input.kind = plugin.kind();
    input.filePath = path;
    input.playerPlaying = plugin.player().playing();
    if (input.kind == ModuleKind::Recorder) {
        input.recorder = plugin.readMeterSnapshot().recorder;
        input.secondsLeft = secondsLeft;
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
    return moduleStatusLine(plugin_, recordingSecondsLeft());
}

std::optional<double> PluginEditorModel::recordingSecondsLeft() const {
    if (plugin_.kind() != ModuleKind::Recorder) {
        return std::nullopt;
    }
    // The format of the armed take, else the one the next arming would take.
    const DiskRecorder& recorder = plugin_.recorder();
    std::uint32_t channels = recorder.fileChannels();
    std::uint32_t rate = recorder.fileSampleRate();
    if (channels == 0 || rate == 0) {
        channels = static_cast<std::uint32_t>(std::max(0, plugin_.inputBusChannels()));
        rate = static_cast<std::uint32_t>(plugin_.publishedSampleRate());
    }
    const auto bytes = freeSpace_.freeBytes(plugin_.statusFilePath(), FreeSpaceWatch::Clock::now());
    return bytes ? plugins::recordingSecondsLeft(*bytes, channels, rate) : std::nullopt;
}

void PluginEditorModel::readLatestClip(const std::function<void(const AudioClip&)>& read) const {
    plugin_.player().readLatestClip(read);
}

} // namespace quillwave::plugins
