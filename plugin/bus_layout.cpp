#include "plugin/bus_shape.h"
#include "plugin/utility_plugin.h"
#include "plugin/vst_text.h"

#include <algorithm>
#include <bit>
#include <string>

namespace quillwave::plugins {
namespace {

VstString busName(std::string_view prefix, int number) {
    return vstText(std::string(prefix) + std::to_string(number));
}

std::int32_t channelCount(Vst::SpeakerArrangement arr) {
    return std::popcount(static_cast<std::uint64_t>(arr));
}

bool arrangementsFit(const Vst::SpeakerArrangement* arrs, int32 count, std::int32_t limit) {
    for (int32 i = 0; i < count; ++i) {
        if (arrs[i] == 0 || channelCount(arrs[i]) > limit) {
            return false;
        }
    }
    return true;
}

} // namespace

void UtilityPlugin::declareBuses() {
    const BusShape shape = busShape(kind_);
    for (int k = 1; k <= shape.audioInputs; ++k) {
        const bool main = k == 1;
        addAudioInput(busName("Input ", k).c_str(), Vst::SpeakerArr::kStereo,
                      main ? Vst::kMain : Vst::kAux, main ? Vst::BusInfo::kDefaultActive : 0);
    }
    for (int k = 1; k <= shape.audioOutputs; ++k) {
        const bool main = k == 1;
        addAudioOutput(busName("Output ", k).c_str(), shape.outputArrangement,
                       main ? Vst::kMain : Vst::kAux, main ? Vst::BusInfo::kDefaultActive : 0);
    }
    if (shape.syncInput) {
        addEventInput(STR16("Recorder Sync"), 1, Vst::kMain, Vst::BusInfo::kDefaultActive);
    }
    if (shape.syncOutput) {
        addEventOutput(STR16("Player Sync"), 1, Vst::kMain, Vst::BusInfo::kDefaultActive);
    }
}

std::int32_t UtilityPlugin::inputBusChannels() const {
    if (audioInputs.empty()) {
        return 0;
    }
    const auto* bus = FCast<Vst::AudioBus>(audioInputs.front().get());
    return bus ? channelCount(bus->getArrangement()) : 0;
}

tresult PLUGIN_API UtilityPlugin::setBusArrangements(Vst::SpeakerArrangement* inputs, int32 numIns,
                                                     Vst::SpeakerArrangement* outputs,
                                                     int32 numOuts) {
    if (processingOn_.load()) {
        return kResultFalse;
    }
    const std::lock_guard setup(setupMutex_); // an arming reads the input bus
    if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) {
        return kResultFalse;
    }
    // Before initialize and after terminate there are no buses to arrange, so an empty
    // arrangement would match them.
    if (audioInputs.empty() && audioOutputs.empty()) {
        return kResultFalse;
    }
    if (numIns != static_cast<int32>(audioInputs.size()) ||
        numOuts != static_cast<int32>(audioOutputs.size())) {
        return kResultFalse;
    }
    const BusShape shape = busShape(kind_);
    if (!arrangementsFit(inputs, numIns, shape.maxInputChannels) ||
        !arrangementsFit(outputs, numOuts, shape.maxOutputChannels)) {
        return kResultFalse;
    }
    if (kind_ == ModuleKind::FaderBank) {
        // Each strip keeps its channel layout from input to output.
        for (int32 k = 0; k < numIns; ++k) {
            if (outputs[k] != inputs[k]) {
                return kResultFalse;
            }
        }
    }
    return SingleComponentEffect::setBusArrangements(inputs, numIns, outputs, numOuts) ==
                   kResultTrue
               ? kResultOk
               : kResultFalse;
}

tresult PLUGIN_API UtilityPlugin::getBusArrangement(Vst::BusDirection dir, int32 index,
                                                    Vst::SpeakerArrangement& arr) {
    if (dir != Vst::kInput && dir != Vst::kOutput) {
        return kInvalidArgument;
    }
    return SingleComponentEffect::getBusArrangement(dir, index, arr);
}

tresult PLUGIN_API UtilityPlugin::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == Vst::kSample32 || symbolicSampleSize == Vst::kSample64
               ? kResultOk
               : kResultFalse;
}

tresult PLUGIN_API UtilityPlugin::setupProcessing(Vst::ProcessSetup& setup) {
    if (setup.maxSamplesPerBlock < 1 || setup.maxSamplesPerBlock > kMaxBlockSizeLimit ||
        !(setup.sampleRate >= kMinSampleRate && setup.sampleRate <= kMaxSampleRate) ||
        (setup.symbolicSampleSize != Vst::kSample32 &&
         setup.symbolicSampleSize != Vst::kSample64)) {
        return kInvalidArgument;
    }
    const std::lock_guard setupLock(setupMutex_); // an arming reads the rate
    const tresult base = SingleComponentEffect::setupProcessing(setup);
    if (base != kResultOk) {
        return base;
    }
    sampleRate_ = setup.sampleRate;
    publishedSampleRate_.store(sampleRate_);
    maxBlockSize_ = setup.maxSamplesPerBlock;
    resizeScratch(maxBlockSize_);
    resetInputMeters(inputMeters_);
    return kResultOk;
}

void UtilityPlugin::resizeScratch(std::int32_t blockSize) {
    const auto block = static_cast<std::size_t>(blockSize);
    constexpr std::size_t kOneDoublePerChannel = BufferAliasing::kMaxChannels * 2;
    scratchArea_.assign(std::max(block * kMaxStrips, kOneDoublePerChannel), 0.0f);
    mixScratch_.assign(block, 0.0);
    for (std::size_t k = 0; k < kMaxStrips; ++k) {
        scratchWritable_[k] = scratchArea_.data() + k * block;
        scratchReadable_[k] = scratchWritable_[k];
    }
}

tresult PLUGIN_API UtilityPlugin::setProcessing(TBool state) {
    processingOn_.exchange(state != 0);
    recorder_->setProcessing(state != 0);
    if (!state) {
        player_->stopPlayback();
        syncTakeMode();
        recorder_->finish(); // the writer finalizes on its own; nothing here waits
        table_.store(ParamId::PlayRecord, 0.0);
        wasRunning_ = false;
        playerHeard_ = false;
        invalidateGainState(gainState_);
        resetInputMeters(inputMeters_);
    }
    return kResultOk;
}

} // namespace quillwave::plugins
