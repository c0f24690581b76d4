// Activation and the module's file interface: arming a recorder destination under a free take
// name, finalizing takes on deactivation, and choosing a file from the editor.

#include "platform/path_compare.h"
#include "player/wav_reader.h"
#include "plugin/utility_plugin.h"
#include "recorder/free_take_name.h"

#include <exception>
#include <stdexcept>

namespace quillwave::plugins {

tresult PLUGIN_API UtilityPlugin::setActive(TBool state) {
    const std::lock_guard operation(fileOperationMutex_);
    active_ = state != 0;
    // Activation arms by itself: whatever a load asked for before is served or void.
    armRequest_.store(false);
    if (armingWorker_) {
        armingWorker_->poll(active_);
    }
    if (!state) {
        processingOn_.exchange(false);
        player_->stopPlayback();
        recorder_->finish();
        recorder_->joinWriter();
        resetInputMeters(inputMeters_);
        table_.store(ParamId::PlayRecord, 0.0);
        wasRunning_ = false;
        playerHeard_ = false;
        return kResultOk;
    }
    if (kind_ != ModuleKind::Recorder || filePath().empty()) {
        return kResultOk;
    }
    try {
        armDestination(true);
        return kResultOk;
    } catch (const std::exception&) {
        return kResultFalse;
    }
}

void UtilityPlugin::armDestination(bool endTake) {
    const auto channels = static_cast<std::uint32_t>(inputBusChannels());
    const auto rate = static_cast<std::uint32_t>(sampleRate_);
    std::u16string path;
    {
        const std::lock_guard lock(stateMutex_);
        path = filePath_;
        // The armed file stays only while it still fits and is still the destination: a state
        // loaded since may name another, and the take must go where the module says it goes.
        // Naming the path it was derived from (the same project loaded again) also keeps it.
        if (recorder_->ready() && channels == recorder_->fileChannels() &&
            rate == recorder_->fileSampleRate()) {
            if (platform::samePath(armedPath_, filePath_)) {
                return;
            }
            if (!armedFrom_.empty() && platform::samePath(armedFrom_, filePath_)) {
                filePath_ = armedPath_;
                return;
            }
        }
    }
    if (endTake) {
        recorder_->finish();
        recorder_->joinWriter();
    }
    std::u16string candidate = firstFreeDestination(path);
    recorder_->setTimeStampedTakes(timeStampedTakes());
    recorder_->prepare(candidate, channels, rate);
    followTake_.store(true);
    const std::lock_guard lock(stateMutex_);
    armedPath_ = candidate;
    armedFrom_ = std::move(path);
    filePath_ = std::move(candidate);
}

bool UtilityPlugin::nextTakeDue() const {
    return table_.get(ParamId::NewTakeEveryRun) > 0.5 && followTake_.load() &&
           recorder_->writerFinished();
}

void UtilityPlugin::armingStep() {
    // Most steps find nothing due and take no lock.
    if (!armRequest_.load() && !nextTakeDue()) {
        return;
    }
    const std::lock_guard operation(fileOperationMutex_);
    const bool requested = armRequest_.exchange(false);
    const bool nextTake = nextTakeDue();
    if (!active_ || !(requested || nextTake)) {
        return; // deactivated meanwhile: the next activation arms
    }
    if (nextTake) {
        followTake_.store(false);
        if (recorder_->diskError() && !requested) {
            return; // a take that failed stays shown as failed until the user acts
        }
    }
    try {
        // Never cuts a take: a take running now makes the preparation refuse.
        armDestination(false);
    } catch (const std::exception&) {
        // A load's destination that cannot be armed is left as a failed activation leaves it.
        // The next take of a finished one shows its failure; activation or a chosen file
        // recovers.
        if (nextTake) {
            recorder_->markArmingFailed();
        }
    }
}

bool UtilityPlugin::chooseFile(const std::u16string& path, std::string& errorText) {
    try {
        const std::lock_guard operation(fileOperationMutex_);
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
            if (recorder_->recording()) {
                throw std::runtime_error("Stop recording first");
            }
            recorder_->setTimeStampedTakes(timeStampedTakes());
            recorder_->prepare(path, static_cast<std::uint32_t>(inputBusChannels()),
                               static_cast<std::uint32_t>(sampleRate_));
            followTake_.store(true);
            break;
        default:
            throw std::runtime_error("Module has no file interface");
        }
        const std::lock_guard lock(stateMutex_);
        filePath_ = path;
        armedPath_ = path;
        armedFrom_ = path;
        return true;
    } catch (const std::exception& e) {
        errorText = e.what();
        return false;
    }
}

std::u16string UtilityPlugin::filePath() const {
    const std::lock_guard lock(stateMutex_);
    return filePath_;
}

std::u16string UtilityPlugin::statusFilePath() const {
    // A long take names the part being written; the take's first file stays filePath.
    if (kind_ == ModuleKind::Recorder) {
        if (std::u16string part = recorder_->partPath(); !part.empty()) {
            return part;
        }
    }
    const std::lock_guard lock(stateMutex_);
    return kind_ == ModuleKind::Recorder && !armedPath_.empty() ? armedPath_ : filePath_;
}

} // namespace quillwave::plugins
