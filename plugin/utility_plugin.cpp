#include "plugin/utility_plugin.h"

namespace quillwave::plugins {

UtilityPlugin::UtilityPlugin(ModuleKind kind) : kind_(kind) {
    setProcessContextRequirements(kProcessContextNeeds);
}

UtilityPlugin::~UtilityPlugin() = default;

tresult PLUGIN_API UtilityPlugin::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);
    if (result != kResultOk) {
        return result;
    }
    declareBuses();
    registerParameters();
    return kResultOk;
}

} // namespace quillwave::plugins
