#pragma once

// A VST 3 module file loaded as a host loads it: the library, its module entry call, and its
// factory. Destruction releases the factory, calls the module's exit and unloads it, so every
// object created through the factory must be gone by then.

#include "tools/module_library.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <filesystem>
#include <memory>

namespace quillwave::host {

class LoadedModule {
public:
    // Accepts the bundle folder (QuillwaveRecorder.vst3/) or the module file itself. Throws
    // std::runtime_error when the module cannot be loaded or refuses to start.
    explicit LoadedModule(const std::filesystem::path& path);
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    Steinberg::IPluginFactory& factory() const { return *factory_; }

private:
    // Calls the module's exit entry once, if its entry succeeded.
    void leave();

    std::unique_ptr<tools::ModuleLibrary> library_;
    Steinberg::IPtr<Steinberg::IPluginFactory> factory_;
    bool entered_ = false;
};

} // namespace quillwave::host
