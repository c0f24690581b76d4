// Activation and the module's file interface: arming a recorder destination under a free take
// name, ending takes on deactivation, and choosing a file from the editor. Nothing here waits for
// the disk: the recorder's writer creates and finalizes files after these calls return.

#include "platform/path_compare.h"
#include "player/wav_reader.h"
#include "plugin/utility_plugin.h"

#include <exception>
#include <stdexcept>

namespace quillwave::plugins {

tresult PLUGIN_API UtilityPlugin::setActive(TBool state) {
    const std::lock_guard setup(setupMutex_);
    active_.store(state != 0);
    if (!state) {
        processingOn_.exchange(false);
        recorder_->setProcessing(false);
        player_->stopPlayback();
        syncTakeMode();
        recorder_->finish(); // the writer finalizes the take on its own
        resetInputMeters(inputMeters_);
        table_.store(ParamId::PlayRecord, 0.0);
        wasRunning_ = false;
        playerHeard_ = false;
        return kResultOk;
    }
    if (kind_ != ModuleKind::Recorder) {
        return kResultOk;
    }
    syncTakeMode();
    const std::lock_guard lock(stateMutex_);
    const std::u16string path = currentFilePath();
    if (path.empty()) {
        return kResultOk;
    }
    try {
        armRecorder(path);
        return kResultOk;
    } catch (const std::exception&) {
        return kResultFalse;
    }
}

void UtilityPlugin::armRecorder(const std::u16string& path) {
    const auto channels = static_cast<std::uint32_t>(inputBusChannels());
    const auto rate = static_cast<std::uint32_t>(sampleRate_);
    // The armed take stays while it still fits and path still names it: under the name of its
    // file (possibly in another spelling, which is then what the state keeps), or the name it
    // was armed with (the same project loaded again, whose take name the writer found).
    if (recorder_->ready() && !recorder_->recording() && channels == recorder_->fileChannels() &&
        rate == recorder_->fileSampleRate()) {
        if (std::u16string armed = recorder_->armedFile(); platform::samePath(path, armed)) {
            filePath_ = path;
            spelledFile_ = std::move(armed);
            followsRecorder_ = true;
            return;
        }
        if (platform::samePath(path, recorder_->armedRequest())) {
            followsRecorder_ = true;
            return;
        }
    }
    recorder_->setTimeStampedTakes(timeStampedTakes());
    recorder_->arm(path, DestinationMode::FreeName, channels, rate);
    filePath_ = path;
    spelledFile_.clear();
    followsRecorder_ = true;
}

bool UtilityPlugin::chooseFile(const std::u16string& path, std::string& errorText) {
    try {
        switch (kind_) {
        case ModuleKind::Player:
            if (player_->playing()) {
                throw std::runtime_error("Stop file playback before replacing WAV; the DAW "
                                         "audio engine can stay running");
            }
            {
                AudioClip clip = decodeWavFile(path, kPreloadLimitBytes);
                // With the path, so that a state load on another thread never leaves the clip
                // of one and the path of the other.
                const std::lock_guard lock(stateMutex_);
                player_->installClip(std::move(clip));
                filePath_ = path;
            }
            return true;
        case ModuleKind::Recorder:
            break;
        default:
            throw std::runtime_error("Module has no file interface");
        }
        if (recorder_->recording()) {
            throw std::runtime_error("Stop recording first");
        }
        DiskRecorder::refuseExisting(path); // before any lock: the query may wait for the disk
        std::uint64_t take = 0;
        std::uint64_t serial = 0;
        std::u16string before;
        {
            const std::lock_guard setup(setupMutex_);
            const std::lock_guard lock(stateMutex_);
            recorder_->setTimeStampedTakes(timeStampedTakes());
            take = recorder_->arm(path, DestinationMode::Exact,
                                  static_cast<std::uint32_t>(inputBusChannels()),
                                  static_cast<std::uint32_t>(sampleRate_));
            before = currentFilePath();
            filePath_ = path;
            spelledFile_.clear();
            followsRecorder_ = true;
            serial = ++destinationSerial_;
        }
        try {
            // The editor shows a file that cannot be made; the audio thread records meanwhile.
            recorder_->awaitCreation(take);
        } catch (...) {
            const std::lock_guard lock(stateMutex_);
            if (serial == destinationSerial_) {
                filePath_ = before;
                followsRecorder_ = false;
            }
            throw;
        }
        return true;
    } catch (const std::exception& e) {
        errorText = e.what();
        return false;
    }
}

std::u16string UtilityPlugin::currentFilePath() const {
    if (followsRecorder_) {
        if (std::u16string armed = recorder_->destinationPath();
            !armed.empty() && armed != spelledFile_) {
            return armed;
        }
    }
    return filePath_;
}

std::u16string UtilityPlugin::filePath() const {
    const std::lock_guard lock(stateMutex_);
    return currentFilePath();
}

std::u16string UtilityPlugin::statusFilePath() const {
    // A long take names the part being written; the take's first file stays filePath.
    if (kind_ == ModuleKind::Recorder) {
        if (std::u16string part = recorder_->partPath(); !part.empty()) {
            return part;
        }
        if (std::u16string armed = recorder_->destinationPath(); !armed.empty()) {
            return armed;
        }
    }
    return filePath();
}

} // namespace quillwave::plugins
