#include "plugin/utility_plugin.h"

#include "editor/editor_view.h"

namespace quillwave::plugins {

UtilityPlugin::UtilityPlugin(ModuleKind kind, RecorderFileAccess recorderAccess)
    : kind_(kind), recorder_(std::make_unique<DiskRecorder>(std::move(recorderAccess))),
      player_(std::make_unique<FilePlayer>()) {
    setProcessContextRequirements(kProcessContextNeeds);
    // Scratch for the default block size already, so that a host that processes before its
    // first setup gets silence instead of a write through empty buffers.
    resizeScratch(kDefaultMaxBlockSize);
    recorder_->setProcessing(false);
}

UtilityPlugin::~UtilityPlugin() {
    // Ends the take without waiting: its writer finalizes it, and the module's exit waits for
    // writers still at work.
    recorder_->finish();
    scratchArea_ = {};
    filePath_ = {};
    recorder_.reset();
    player_.reset();
}

tresult PLUGIN_API UtilityPlugin::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);
    if (result != kResultOk) {
        return result;
    }
    declareBuses();
    registerParameters();
    return kResultOk;
}

tresult PLUGIN_API UtilityPlugin::terminate() {
    const std::lock_guard setup(setupMutex_); // an arming reads the buses this removes
    return SingleComponentEffect::terminate();
}

IPlugView* PLUGIN_API UtilityPlugin::createView(FIDString name) {
    return createEditorView(*this, name);
}

MeterSnapshot UtilityPlugin::readMeterSnapshot() const {
    return plugins::readMeterSnapshot(inputMeters_, *recorder_, publishedSampleRate_.load());
}

} // namespace quillwave::plugins
