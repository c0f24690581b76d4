#include "dsp/buffer_aliasing.h"

#include <algorithm>

namespace quillwave::plugins {

namespace {

// Channel c of a bus in the sample size of the call, 0 when the bus has no such pointer.
std::uintptr_t channelAddress(const Steinberg::Vst::AudioBusBuffers& bus, bool wide,
                              std::int32_t c) {
    if (wide) {
        return bus.channelBuffers64 ? reinterpret_cast<std::uintptr_t>(bus.channelBuffers64[c]) : 0;
    }
    return bus.channelBuffers32 ? reinterpret_cast<std::uintptr_t>(bus.channelBuffers32[c]) : 0;
}

} // namespace

bool BufferAliasing::sameBuffersAsBefore(const Steinberg::Vst::ProcessData& data, bool wide) {
    std::size_t n = 0;
    bool same = true;
    const auto record = [&](std::uintptr_t value) {
        same = same && n < searchedSize_ && searched_[n] == value;
        searched_[n++] = value;
    };
    record(wide ? 1 : 0);
    record(static_cast<std::uintptr_t>(data.numInputs));
    record(static_cast<std::uintptr_t>(data.numOutputs));
    for (const auto& [buses, count] :
         {std::pair{data.inputs, data.numInputs}, std::pair{data.outputs, data.numOutputs}}) {
        for (std::int32_t b = 0; b < count; ++b) {
            record(static_cast<std::uintptr_t>(buses[b].numChannels));
            for (std::int32_t c = 0; c < buses[b].numChannels; ++c) {
                record(channelAddress(buses[b], wide, c));
            }
        }
    }
    same = same && n == searchedSize_;
    searchedSize_ = n;
    return same;
}

void BufferAliasing::find(const Steinberg::Vst::ProcessData& data) {
    if (data.numSamples <= 0 || data.numInputs <= 0 || data.numOutputs <= 0) {
        inputCount_ = 0;
        searchedSize_ = 0; // nothing searched
        return;
    }
    const bool wide = data.symbolicSampleSize == Steinberg::Vst::kSample64;
    if (sameBuffersAsBefore(data, wide)) {
        return;
    }
    inputCount_ = 0;
    std::int32_t outputCount = 0;
    std::int32_t index = 0;
    for (std::int32_t k = 0; k < data.numOutputs; ++k) {
        for (std::int32_t l = 0; l < data.outputs[k].numChannels; ++l, ++index) {
            if (const std::uintptr_t address = channelAddress(data.outputs[k], wide, l)) {
                outputs_[static_cast<std::size_t>(outputCount++)] = {address, index};
            }
        }
    }
    // By address, and by write order among outputs that share one buffer.
    const auto end = outputs_.begin() + outputCount;
    std::sort(outputs_.begin(), end, [](const OutputChannel& a, const OutputChannel& b) {
        return a.address != b.address ? a.address < b.address : a.index < b.index;
    });
    for (std::int32_t b = 0; b < data.numInputs; ++b) {
        for (std::int32_t c = 0; c < data.inputs[b].numChannels; ++c) {
            const std::uintptr_t address = channelAddress(data.inputs[b], wide, c);
            const auto first = std::lower_bound(
                outputs_.begin(), end, address,
                [](const OutputChannel& o, std::uintptr_t a) { return o.address < a; });
            if (address != 0 && first != end && first->address == address) {
                inputs_[static_cast<std::size_t>(inputCount_++)] = {b, c, first->index, -1};
            }
        }
    }
}

} // namespace quillwave::plugins
