// GetPluginFactory: the module's one class, the recorder kind of UtilityPlugin.

#include "entry/class_info.h"
#include "plugin/utility_plugin.h"
#include "sdkext/plugin_factory.h"

#include <mutex>

using namespace Steinberg;

namespace {

FUnknown* createRecorder(void* /*context*/) {
    auto* plugin = new quillwave::plugins::UtilityPlugin(quillwave::plugins::ModuleKind::Recorder);
    return static_cast<Vst::IComponent*>(plugin);
}

} // namespace

extern "C" SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
    if (gPluginFactory) {
        gPluginFactory->addRef();
        return gPluginFactory;
    }
    static PClassInfo2 classInfo;
    static std::once_flag filled;
    std::call_once(filled, [] { classInfo = quillwave::entry::recorderClassInfo(); });

    auto* factory = new CPluginFactory(quillwave::entry::factoryInfo());
    factory->registerClass(&classInfo, createRecorder, nullptr);
    gPluginFactory = factory;
    return gPluginFactory;
}
