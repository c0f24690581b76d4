#pragma once

// The module information file that hosts since VST 3.7.5 read from Contents/Resources/
// moduleinfo.json to list a module's classes without loading it.

#include "pluginterfaces/base/ipluginbase.h"

#include <nlohmann/json.hpp>

#include <string>

namespace quillwave::tools {

// Describes the factory as the module information format lays it out: "Name", "Version",
// "Factory Info" and "Classes". moduleName is the bundle's name without ".vst3". The module's
// version is the version its classes share; a factory whose classes disagree, or that has no
// class, has none and is refused with std::runtime_error. Snapshots and compatibility entries
// are left out: the module has neither.
nlohmann::ordered_json describeModule(Steinberg::IPluginFactory& factory,
                                      const std::string& moduleName);

} // namespace quillwave::tools
