// Saving and restoring the module with the host's project. Loading is all or nothing: the whole
// document is read and validated, and a player's file decoded, before anything is replaced.

#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "plugin/utility_plugin.h"

#include "public.sdk/source/vst/vstparameters.h"

namespace quillwave::plugins {

tresult UtilityPlugin::componentGetState(IBStream* state) {
    if (!state) {
        return kInvalidArgument;
    }
    try {
        return writeFramedText(*state, writeStateDocument(kind_, table_, filePath_)) ? kResultOk
                                                                                     : kResultFalse;
    } catch (...) {
        return kResultFalse;
    }
}

tresult UtilityPlugin::componentSetState(IBStream* state) {
    // The audio thread reads the values and the path being replaced while processing is on.
    if (!state || processingOn_.load()) {
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
        // The last step that can fail; it leaves the player as it was when it does.
        if (kind_ == ModuleKind::Player && !document->path.empty()) {
            player_->loadClip(document->path);
        }
        filePath_.swap(document->path);
        for (ParamIndex id = 0; id < kParameterSlots; ++id) {
            const double value = id == ParamId::PlayRecord ? 0.0 : document->parameters[id];
            table_.set(id, value);
            if (Vst::Parameter* parameter = parameters.getParameter(id)) {
                parameter->setNormalized(value);
            }
        }
        // Never restored as on, whatever the document held: a reopened project must not start
        // playing or recording by itself.
        table_.store(ParamId::PlayRecord, 0.0);
        return kResultOk;
    } catch (...) {
        return kResultFalse;
    }
}

tresult PLUGIN_API UtilityPlugin::setComponentState(IBStream* state) {
    return componentSetState(state);
}

} // namespace quillwave::plugins
