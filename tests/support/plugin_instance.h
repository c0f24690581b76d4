#pragma once

#include "plugin/bus_shape.h"
#include "plugin/utility_plugin.h"

#include "base/source/fobject.h"

namespace quillwave::test {

// A UtilityPlugin of the given kind, owned through its reference count.
inline Steinberg::IPtr<plugins::UtilityPlugin>
makePlugin(plugins::ModuleKind kind, bool initialize = true,
           plugins::RecorderFileAccess recorderAccess = {}) {
    Steinberg::IPtr<plugins::UtilityPlugin> plugin(
        new plugins::UtilityPlugin(kind, std::move(recorderAccess)), false);
    if (initialize) {
        plugin->initialize(nullptr);
    }
    return plugin;
}

inline constexpr plugins::ModuleKind kAllKinds[] = {
    plugins::ModuleKind::Input,     plugins::ModuleKind::Output,     plugins::ModuleKind::Summing,
    plugins::ModuleKind::Breakout,  plugins::ModuleKind::Player,     plugins::ModuleKind::Recorder,
    plugins::ModuleKind::FaderBank, plugins::ModuleKind::Distributor};

} // namespace quillwave::test
