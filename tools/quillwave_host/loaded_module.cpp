#include "loaded_module.h"

#include "host_paths.h"

#include <stdexcept>

namespace quillwave::host {
namespace {

using namespace Steinberg;

#ifdef _WIN32
constexpr const char* kArchitectureFolder = "x86_64-win";
constexpr const char* kModuleExtension = ".vst3";
#else
constexpr const char* kArchitectureFolder = "x86_64-linux";
constexpr const char* kModuleExtension = ".so";
#endif

// A bundle keeps the module file for each platform under Contents/<architecture>/.
std::filesystem::path moduleFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        return path;
    }
    const std::filesystem::path bundle = path.has_filename() ? path : path.parent_path();
    return bundle / "Contents" / kArchitectureFolder / (pathText(bundle.stem()) + kModuleExtension);
}

} // namespace

LoadedModule::LoadedModule(const std::filesystem::path& path) {
    const std::filesystem::path file = moduleFile(path);
    library_ = std::make_unique<tools::ModuleLibrary>(pathText(file));
    if (!library_->loaded()) {
        throw std::runtime_error("cannot load the module " + pathText(file));
    }
#ifdef _WIN32
    auto enter = library_->symbol<bool (*)()>("InitDll");
    const bool started = enter != nullptr && enter();
#else
    auto enter = library_->symbol<bool (*)(void*)>("ModuleEntry");
    const bool started = enter != nullptr && enter(library_->nativeHandle());
#endif
    if (!started) {
        throw std::runtime_error("the module " + pathText(file) + " did not start");
    }
    entered_ = true;
    auto getFactory = library_->symbol<IPluginFactory*(PLUGIN_API*)()>("GetPluginFactory");
    factory_ = IPtr<IPluginFactory>(getFactory ? getFactory() : nullptr, false);
    if (!factory_) {
        leave();
        throw std::runtime_error("the module " + pathText(file) + " has no plug-in factory");
    }
}

LoadedModule::~LoadedModule() {
    factory_ = nullptr;
    leave();
}

void LoadedModule::leave() {
    if (!entered_) {
        return;
    }
    entered_ = false;
#ifdef _WIN32
    auto exit = library_->symbol<bool (*)()>("ExitDll");
#else
    auto exit = library_->symbol<bool (*)()>("ModuleExit");
#endif
    if (exit) {
        exit();
    }
}

} // namespace quillwave::host
