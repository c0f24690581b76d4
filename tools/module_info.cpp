// Loads a built module through its entry points and prints what a host would see of it: the
// factory, its classes, and the parameters of each class.
//
// Usage: module_info <path to QuillwaveRecorder.vst3 (Windows) or QuillwaveRecorder.so (Linux)>

#include "tools/module_library.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdio>
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: module_info <module file>\n");
        return 2;
    }
    quillwave::tools::ModuleLibrary library(argv[1]);
    auto getFactory = library.symbol<IPluginFactory*(PLUGIN_API*)()>("GetPluginFactory");
    if (!getFactory) {
        std::fprintf(stderr, "module_info: cannot load %s as a VST 3 module\n", argv[1]);
        return 1;
    }
    IPtr<IPluginFactory> factory(getFactory(), false);
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
