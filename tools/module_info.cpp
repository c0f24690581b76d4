// Loads a built module through its entry points and prints what a host would see of it: the
// factory, its classes, and the parameters of each class; or writes the module information file
// of its bundle.
//
// Usage: module_info <module file>
//        module_info --moduleinfo <module file> <output moduleinfo.json>
// The module file is QuillwaveRecorder.vst3 (Windows) or QuillwaveRecorder.so (Linux) inside the
// bundle's Contents/<architecture>/ folder.

#include "tools/module_info_json.h"
#include "tools/module_library.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

using namespace Steinberg;

namespace {

template <typename Char> std::string narrow(const Char* text) {
    std::string out;
    for (; text && *text; ++text) {
        out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    }
    return out;
}

void printParameters(Vst::IEditController& controller) {
    const int32 count = controller.getParameterCount();
    std::printf("  parameters: %d\n", count);
    for (int32 i = 0; i < count; ++i) {
        Vst::ParameterInfo info{};
        if (controller.getParameterInfo(i, info) != kResultOk) {
            continue;
        }
        Vst::String128 shown{};
        controller.getParamStringByValue(info.id, info.defaultNormalizedValue, shown);
        std::printf("    [%u] %-24s unit '%s'  range %g .. %g  steps %d  default %s (%.10g)\n",
                    info.id, narrow(info.title).c_str(), narrow(info.units).c_str(),
                    controller.normalizedParamToPlain(info.id, 0.0),
                    controller.normalizedParamToPlain(info.id, 1.0), info.stepCount,
                    narrow(shown).c_str(), info.defaultNormalizedValue);
    }
}

// The module's name as hosts know it: its file name without the extension, which is also the
// bundle's name without ".vst3".
std::string moduleName(const std::string& modulePath) {
    const auto slash = modulePath.find_last_of("/\\");
    std::string name = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
    return name.substr(0, name.rfind('.'));
}

int writeModuleInfo(IPluginFactory& factory, const std::string& modulePath,
                    const std::string& outputPath) {
    std::string text;
    try {
        text = quillwave::tools::describeModule(factory, moduleName(modulePath)).dump(2) + "\n";
    } catch (const std::exception& e) {
        std::fprintf(stderr, "module_info: %s\n", e.what());
        return 1;
    }
    std::ofstream out(std::filesystem::path(quillwave::tools::systemPath(outputPath)),
                      std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "module_info: cannot write %s\n", outputPath.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool moduleInfo = argc == 4 && std::string(argv[1]) == "--moduleinfo";
    if (argc != 2 && !moduleInfo) {
        std::fprintf(stderr, "usage: module_info <module file>\n"
                             "       module_info --moduleinfo <module file> <output json>\n");
        return 2;
    }
    const std::string modulePath = moduleInfo ? argv[2] : argv[1];
    quillwave::tools::ModuleLibrary library(modulePath);
    auto getFactory = library.symbol<IPluginFactory*(PLUGIN_API*)()>("GetPluginFactory");
    if (!getFactory) {
        std::fprintf(stderr, "module_info: cannot load %s as a VST 3 module\n", modulePath.c_str());
        return 1;
    }
    IPtr<IPluginFactory> factory(getFactory(), false);
    if (factory && moduleInfo) {
        return writeModuleInfo(*factory, modulePath, argv[3]);
    }
    PFactoryInfo factoryInfo;
    if (!factory || factory->getFactoryInfo(&factoryInfo) != kResultOk) {
        std::fprintf(stderr, "module_info: the module has no factory\n");
        return 1;
    }
    std::printf("factory: vendor '%s', url '%s', email '%s', flags %d\n", factoryInfo.vendor,
                factoryInfo.url, factoryInfo.email, factoryInfo.flags);
    FUnknownPtr<IPluginFactory2> factory2(factory);
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfo2 info;
        if (!factory2 || factory2->getClassInfo2(i, &info) != kResultOk) {
            continue;
        }
        char cid[33] = {};
        FUID::fromTUID(info.cid).toString(cid);
        std::printf("class %d: '%s' category '%s' sub-categories '%s' version '%s' sdk '%s'\n  "
                    "cid %s\n",
                    i, info.name, info.category, info.subCategories, info.version, info.sdkVersion,
                    cid);
        Vst::IComponent* raw = nullptr;
        if (factory->createInstance(info.cid, Vst::IComponent::iid,
                                    reinterpret_cast<void**>(&raw)) != kResultOk) {
            std::fprintf(stderr, "module_info: cannot create '%s'\n", info.name);
            return 1;
        }
        IPtr<Vst::IComponent> component(raw, false);
        if (component->initialize(nullptr) != kResultOk) {
            std::fprintf(stderr, "module_info: '%s' refused to initialize\n", info.name);
            return 1;
        }
        if (FUnknownPtr<Vst::IEditController> controller(component); controller) {
            printParameters(*controller);
        }
        component->terminate();
    }
    return 0;
}
