#pragma once

#include <chrono>

// One recorder instance created through a module's factory and driven only through its VST 3
// interfaces: component, audio processor and edit controller.

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdint>
#include <string>

namespace quillwave::host {

class HostedRecorder {
public:
    // How long activation may take to make the take's file.
    static constexpr auto kArmLimit = std::chrono::seconds(3);

    // Creates and initializes the factory's first audio effect class. Throws std::runtime_error.
    HostedRecorder(Steinberg::IPluginFactory& factory, Steinberg::FUnknown* hostContext);
    // Stops processing, deactivates and terminates whatever is still running.
    ~HostedRecorder();
    HostedRecorder(const HostedRecorder&) = delete;
    HostedRecorder& operator=(const HostedRecorder&) = delete;

    const std::string& name() const { return name_; }

    // Main buses on, both set to `channels` channels, 32-bit processing at rate with blocks of at
    // most maxBlock frames. Throws when the plug-in refuses.
    void configure(std::uint32_t channels, double rate, std::int32_t maxBlock, bool realtime);

    // The saved state as the stream holds it: 32-bit length, then the document. Throws when the
    // plug-in refuses to write or to load it.
    std::string saveState();
    void loadState(const std::string& bytes);

    // The "path" of the module's state document (UTF-8, as saved).
    std::string statePath();
    // Hands the destination over the way a host restores a project: a state document whose path
    // names it, everything else as the module has it now.
    void setDestination(const std::string& utf8Path);

    // setActive(true), which prepares the take file; throws when it cannot.
    void activate();
    void startProcessing();
    Steinberg::tresult process(Steinberg::Vst::ProcessData& data);
    // setProcessing(false), then setActive(false), which waits until the take is finalized.
    void stop();

    double parameter(Steinberg::Vst::ParamID id) const;
    // Sets a parameter as a host's generic editor does. Throws when the plug-in refuses.
    void setParameter(Steinberg::Vst::ParamID id, double value);

private:
    Steinberg::IPtr<Steinberg::Vst::IComponent> component_;
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processor_;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller_;
    std::string name_;
    bool initialized_ = false;
    bool active_ = false;
    bool processing_ = false;
};

} // namespace quillwave::host
