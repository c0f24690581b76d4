#pragma once

// The host context handed to the plug-in's initialize: it names the host and creates nothing.

#include "pluginterfaces/vst/ivsthostapplication.h"

#include <cstring>

namespace quillwave::host {

class HostApplication : public Steinberg::Vst::IHostApplication {
public:
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override {
        static constexpr char kName[] = "Quillwave Host";
        for (std::size_t i = 0; i < sizeof kName; ++i) {
            name[i] = static_cast<Steinberg::Vst::TChar>(kName[i]);
        }
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID, Steinberg::TUID,
                                                 void** obj) override {
        *obj = nullptr;
        return Steinberg::kNotImplemented;
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::Vst::IHostApplication::iid)) {
            *obj = this;
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    // Lives as long as the program's main; plug-ins only borrow it.
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

} // namespace quillwave::host
