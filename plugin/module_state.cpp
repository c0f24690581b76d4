// Saving and restoring the module with the host's project. Loading is all or nothing: the whole
// document is read and validated, and a player's file decoded, before anything is replaced.
// Hosts load in every state after initialize, also while audio runs (projects, presets, undo),
// so what a load replaces is either atomic or guarded against the threads that read it.

#include "player/wav_reader.h"
#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "plugin/utility_plugin.h"

#include "public.sdk/source/vst/vstparameters.h"

#include <exception>
#include <optional>

namespace quillwave::plugins {

tresult UtilityPlugin::componentGetState(IBStream* state) {
    if (!state) {
        return kInvalidArgument;
    }
    try {
        return writeFramedText(*state, writeStateDocument(kind_, table_, filePath()))
                   ? kResultOk
                   : kResultFalse;
    } catch (...) {
        return kResultFalse;
    }
}

tresult UtilityPlugin::componentSetState(IBStream* state) {
    if (!state) {
        return kResultFalse;
    }
    try {
        const std::optional<std::string> text = readFramedText(*state);
        if (!text) {
            return kResultFalse;
        }
        std::optional<StateDocument> document = readStateDocument(*text, kind_);
        if (!document) {
            return kResultFalse;
        }
        // The last step that can fail, decoded before anything changes; it leaves the player as
        // it was when it does. The new clip reaches the audio thread through the same hand-over
        // as a chosen file, and playback stops.
        std::optional<AudioClip> clip;
        if (kind_ == ModuleKind::Player && !document->path.empty()) {
            clip = decodeWavFile(document->path, kPreloadLimitBytes);
        }
        applyDocument(*document, clip ? &*clip : nullptr);
        // A recorder asks for the loaded destination to be armed, as activation would arm it, so
        // that a host that loads after activating records on its next run. The arming worker
        // does it (while the module is active) and the load never waits for the disk: a load may
        // come on the audio thread. A running take is never cut or redirected: it finishes in
        // its own file, and the next activation arms the loaded destination.
        if (kind_ == ModuleKind::Recorder && !document->path.empty() && !recorder_->recording()) {
            armRequest_.store(true);
        }
        return kResultOk;
    } catch (...) {
        return kResultFalse;
    }
}

void UtilityPlugin::applyDocument(const StateDocument& document, AudioClip* clip) {
    const std::lock_guard lock(stateMutex_);
    if (clip) {
        player_->installClip(std::move(*clip)); // may refuse: then nothing has changed
    }
    filePath_ = document.path;
    for (ParamIndex id = 0; id < kParameterSlots; ++id) {
        // Never restored as on, whatever the document held: a reopened project must not start
        // playing or recording by itself.
        const double value = id == ParamId::PlayRecord ? 0.0 : document.parameters[id];
        table_.set(id, value);
        if (Vst::Parameter* parameter = parameters.getParameter(id)) {
            parameter->setNormalized(value);
        }
    }
    table_.store(ParamId::PlayRecord, 0.0);
}

tresult PLUGIN_API UtilityPlugin::setComponentState(IBStream* state) {
    return componentSetState(state);
}

} // namespace quillwave::plugins
