#pragma once

// UtilityPlugin: the one plug-in class of the module family. A single-component effect whose
// ModuleKind, fixed at construction, selects its buses, parameters and signal path.

#include "plugin/module_kind.h"
#include "plugin/parameter_table.h"
#include "sdkext/single_component_effect.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace quillwave::plugins {

using namespace Steinberg;

class UtilityPlugin : public Vst::SingleComponentEffect {
public:
    static constexpr double kDefaultSampleRate = 48000.0;
    static constexpr std::int32_t kDefaultMaxBlockSize = 512;
    static constexpr std::int32_t kMaxBlockSizeLimit = 65536;
    static constexpr double kMinSampleRate = 8000.0;
    static constexpr double kMaxSampleRate = 384000.0;
    static constexpr std::uint32_t kProcessContextNeeds =
        Vst::IProcessContextRequirements::kNeedContinousTimeSamples |
        Vst::IProcessContextRequirements::kNeedTransportState;

    explicit UtilityPlugin(ModuleKind kind);
    ~UtilityPlugin() override;
    UtilityPlugin(const UtilityPlugin&) = delete;
    UtilityPlugin& operator=(const UtilityPlugin&) = delete;

    ModuleKind kind() const { return kind_; }
    const ParameterTable& table() const { return table_; }

    // The validating writer of the controller side and the editor.
    void setTableValue(Vst::ParamID id, double value) { table_.set(id, value); }

    // IPluginBase
    tresult PLUGIN_API initialize(FUnknown* context) override;

    // IEditController: values come from the shared table, so they include automation that the
    // audio thread applied.
    Vst::ParamValue PLUGIN_API getParamNormalized(Vst::ParamID id) override;
    tresult PLUGIN_API setParamNormalized(Vst::ParamID id, Vst::ParamValue value) override;

    // IAudioProcessor
    tresult PLUGIN_API setBusArrangements(Vst::SpeakerArrangement* inputs, int32 numIns,
                                          Vst::SpeakerArrangement* outputs,
                                          int32 numOuts) override;
    tresult PLUGIN_API getBusArrangement(Vst::BusDirection dir, int32 index,
                                         Vst::SpeakerArrangement& arr) override;
    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
    tresult PLUGIN_API setupProcessing(Vst::ProcessSetup& setup) override;
    tresult PLUGIN_API setProcessing(TBool state) override;
    uint32 PLUGIN_API getLatencySamples() override { return 0; }
    uint32 PLUGIN_API getTailSamples() override { return 0; }

    // Processing settings of the last accepted setup.
    double sampleRate() const { return sampleRate_; }
    double publishedSampleRate() const { return publishedSampleRate_.load(); }
    std::int32_t maxBlockSize() const { return maxBlockSize_; }
    bool processingOn() const { return processingOn_.load(); }

    // Channel count of declared input bus 0's arrangement, 0 when there is none.
    std::int32_t inputBusChannels() const;

private:
    void declareBuses();
    void registerParameters();

    const ModuleKind kind_;
    ParameterTable table_;

    double sampleRate_ = kDefaultSampleRate;
    std::atomic<double> publishedSampleRate_{kDefaultSampleRate};
    std::int32_t maxBlockSize_ = kDefaultMaxBlockSize;
    std::atomic<bool> processingOn_{false};

    // 64 channel buffers of maxBlockSize_ floats in one area, with a writable and a read-only
    // pointer table over it.
    std::vector<float> scratchArea_;
    std::array<float*, kMaxStrips> scratchWritable_{};
    std::array<const float*, kMaxStrips> scratchReadable_{};
};

} // namespace quillwave::plugins
