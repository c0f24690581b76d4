#include "block_feeder.h"

#include <stdexcept>

namespace quillwave::host {

using namespace Steinberg;

BlockFeeder::BlockFeeder(HostedRecorder& recorder, const InputSignal& input, std::int32_t maxBlock,
                         bool realtime)
    : recorder_(recorder), input_(input), maxBlock_(maxBlock), realtime_(realtime),
      inputArea_(static_cast<std::size_t>(maxBlock) * input.channels),
      outputArea_(inputArea_.size()) {
    for (std::uint32_t c = 0; c < input.channels; ++c) {
        inputChannels_.push_back(inputArea_.data() + static_cast<std::size_t>(c) * maxBlock);
        outputChannels_.push_back(outputArea_.data() + static_cast<std::size_t>(c) * maxBlock);
    }
    context_.sampleRate = input.sampleRate;
    context_.tempo = 120.0;
    context_.timeSigNumerator = 4;
    context_.timeSigDenominator = 4;
}

void BlockFeeder::automate(Vst::ParamID id, double value) {
    int32 index = 0;
    if (Vst::IParamValueQueue* queue = changes_.addParameterData(id, index)) {
        queue->addPoint(0, value, index);
    }
}

void BlockFeeder::feed(std::uint64_t inputFrame, std::int32_t frames, bool playing) {
    if (frames < 1 || frames > maxBlock_) {
        throw std::logic_error("block larger than the processing setup");
    }
    for (std::uint32_t c = 0; c < input_.channels; ++c) {
        for (std::int32_t i = 0; i < frames; ++i) {
            inputChannels_[c][i] = input_.at(inputFrame + static_cast<std::uint64_t>(i), c);
        }
    }
    Vst::AudioBusBuffers in{};
    in.numChannels = static_cast<int32>(input_.channels);
    in.channelBuffers32 = inputChannels_.data();
    Vst::AudioBusBuffers out{};
    out.numChannels = static_cast<int32>(input_.channels);
    out.channelBuffers32 = outputChannels_.data();

    context_.state = Vst::ProcessContext::kContTimeValid | Vst::ProcessContext::kTempoValid |
                     Vst::ProcessContext::kTimeSigValid |
                     (playing ? Vst::ProcessContext::kPlaying : 0);
    context_.projectTimeSamples = static_cast<int64>(inputFrame);
    context_.continousTimeSamples = static_cast<int64>(position_);

    Vst::ProcessData data{};
    data.processMode = realtime_ ? Vst::kRealtime : Vst::kOffline;
    data.symbolicSampleSize = Vst::kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = &changes_;
    data.processContext = &context_;
    const tresult result = recorder_.process(data);
    changes_.clear();
    if (result != kResultOk) {
        throw std::runtime_error("the plug-in refused to process a block");
    }
    position_ += static_cast<std::uint64_t>(frames);
}

} // namespace quillwave::host
