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
        // Serialized with activation and the setup calls, whose format an arming reads.
        const std::lock_guard setup(setupMutex_);
        applyDocument(*document, clip ? &*clip : nullptr);
        // An active recorder arms the loaded destination at once, as activation would, so that a
        // run in the very next block records into it; the writer creates the file meanwhile, and
        // the load never waits for the disk (it may come on the audio thread). A running take is
        // never cut or redirected: it finishes in its own file, and the take after it (New take
        // every run) or the next activation records into the loaded destination.
        if (kind_ == ModuleKind::Recorder && !document->path.empty() && active_.load()) {
            const std::lock_guard lock(stateMutex_);
            try {
                armRecorder(document->path);
            } catch (const std::exception&) {
                recorder_->nameNext(document->path);
            }
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
    followsRecorder_ = false;
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
