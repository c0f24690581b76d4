// Activation and the module's file interface: arming a recorder destination under a free take
// name, finalizing takes on deactivation, and choosing a file from the editor.

#include "plugin/utility_plugin.h"
#include "recorder/free_take_name.h"

#include <exception>
#include <stdexcept>

namespace quillwave::plugins {

tresult PLUGIN_API UtilityPlugin::setActive(TBool state) {
    if (!state) {
        processingOn_.exchange(false);
        player_->stopPlayback();
        recorder_->finish();
        recorder_->joinWriter();
        resetInputMeters(inputMeters_);
        table_.store(ParamId::PlayRecord, 0.0);
        wasRunning_ = false;
        return kResultOk;
    }
    if (kind_ != ModuleKind::Recorder || filePath_.empty()) {
        return kResultOk;
    }
    try {
        const auto channels = static_cast<std::uint32_t>(inputBusChannels());
        const auto rate = static_cast<std::uint32_t>(sampleRate_);
        // The armed file stays only while it still fits and is still the destination: a state
        // loaded since may name another, and the take must go where the module says it goes.
        if (recorder_->ready() && channels == recorder_->fileChannels() &&
            rate == recorder_->fileSampleRate() && armedPath_ == filePath_) {
            return kResultOk;
        }
        recorder_->finish();
        recorder_->joinWriter();
        std::u16string candidate = firstFreeDestination(filePath_);
        recorder_->prepare(candidate, channels, rate);
        armedPath_ = candidate;
        filePath_ = std::move(candidate);
        return kResultOk;
    } catch (const std::exception&) {
        return kResultFalse;
    }
}

bool UtilityPlugin::chooseFile(const std::u16string& path, std::string& errorText) {
    try {
        switch (kind_) {
        case ModuleKind::Player:
            if (player_->playing()) {
                throw std::runtime_error("Stop file playback before replacing WAV; the DAW "
                                         "audio engine can stay running");
            }
            player_->loadClip(path);
            break;
        case ModuleKind::Recorder:
            if (recorder_->recording()) {
                throw std::runtime_error("Stop recording first");
            }
            recorder_->prepare(path, static_cast<std::uint32_t>(inputBusChannels()),
                               static_cast<std::uint32_t>(sampleRate_));
            break;
        default:
            throw std::runtime_error("Module has no file interface");
        }
        filePath_ = path;
        if (kind_ == ModuleKind::Recorder) {
            armedPath_ = path;
        }
        return true;
    } catch (const std::exception& e) {
        errorText = e.what();
        return false;
    }
}

} // namespace quillwave::plugins
