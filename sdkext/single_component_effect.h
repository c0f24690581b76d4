#pragma once

// A single object that is component, audio processor and edit controller at once, with the public
// behaviour of the SDK's SingleComponentEffect.

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace Steinberg::Vst {

namespace detail {

// IComponent's getState/setState share their signatures with IEditController's. This facet gives
// the component side its own final overriders, so the controller side can keep the edit
// controller's answer (kNotImplemented) while the component side reaches componentGetState and
// componentSetState.
class ComponentStateFacet : public IComponent {
public:
    tresult PLUGIN_API setState(IBStream* state) final { return componentSetState(state); }
    tresult PLUGIN_API getState(IBStream* state) final { return componentGetState(state); }

protected:
    virtual tresult componentSetState(IBStream* state) = 0;
    virtual tresult componentGetState(IBStream* state) = 0;
};

} // namespace detail

class SingleComponentEffect : public EditControllerEx1,
                              public detail::ComponentStateFacet,
                              public IAudioProcessor,
                              public IProcessContextRequirements {
public:
    SingleComponentEffect();
    ~SingleComponentEffect() override;

    // Bus declaration, used from initialize.
    AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                            int32 flags = BusInfo::kDefaultActive);
    AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                             int32 flags = BusInfo::kDefaultActive);
    EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                            int32 flags = BusInfo::kDefaultActive);
    EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                             int32 flags = BusInfo::kDefaultActive);
    tresult removeAudioBusses();
    tresult removeEventBusses();
    tresult removeAllBusses();

    // IPluginBase
    tresult PLUGIN_API initialize(FUnknown* context) override;
    tresult PLUGIN_API terminate() override;

    // IComponent
    tresult PLUGIN_API getControllerClassId(TUID classID) override;
    tresult PLUGIN_API setIoMode(IoMode mode) override;
    int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) override;
    tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index,
                                  BusInfo& bus) override;
    tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override;
    tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index,
                                   TBool state) override;
    tresult PLUGIN_API setActive(TBool state) override;

    // IAudioProcessor
    tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                          SpeakerArrangement* outputs, int32 numOuts) override;
    tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index,
                                         SpeakerArrangement& arr) override;
    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 PLUGIN_API getLatencySamples() override;
    tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
    tresult PLUGIN_API setProcessing(TBool state) override;
    tresult PLUGIN_API process(ProcessData& data) override;
    uint32 PLUGIN_API getTailSamples() override;

    // IProcessContextRequirements
    uint32 PLUGIN_API getProcessContextRequirements() override;

    // FUnknown: one reference count for the whole object.
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
    uint32 PLUGIN_API addRef() override { return EditControllerEx1::addRef(); }
    uint32 PLUGIN_API release() override { return EditControllerEx1::release(); }

    OBJ_METHODS(SingleComponentEffect, EditControllerEx1)

protected:
    // The component side's state; the defaults report kNotImplemented.
    tresult componentSetState(IBStream* state) override;
    tresult componentGetState(IBStream* state) override;

    BusList* getBusList(MediaType type, BusDirection dir);
    void setProcessContextRequirements(uint32 flags) { processContextRequirements_ = flags; }

    ProcessSetup processSetup;
    BusList audioInputs;
    BusList audioOutputs;
    BusList eventInputs;
    BusList eventOutputs;

private:
    uint32 processContextRequirements_ = 0;
};

} // namespace Steinberg::Vst
