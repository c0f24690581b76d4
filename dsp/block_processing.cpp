// The audio callback: argument checks, the running sample position, parameter changes and sync
// messages in sample order, and the walk that hands each stretch to processSubBlock.

#include "dsp/sync_message.h"
#include "plugin/utility_plugin.h"

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <algorithm>
#include <cmath>

namespace quillwave::plugins {

namespace {

constexpr std::int32_t kMaxBuses = 64;
constexpr std::int32_t kMaxChannels = 64;

bool busesValid(const Vst::AudioBusBuffers* buses, int32 count) {
    for (int32 b = 0; b < count; ++b) {
        if (buses[b].numChannels < 0 || buses[b].numChannels > kMaxChannels) {
            return false;
        }
    }
    return true;
}

} // namespace

bool UtilityPlugin::acceptBlock(const Vst::ProcessData& data) const {
    if (data.numSamples < 0 || data.numSamples > maxBlockSize_) {
        return false;
    }
    if (data.numInputs < 0 || data.numInputs > kMaxBuses || data.numOutputs < 0 ||
        data.numOutputs > kMaxBuses) {
        return false;
    }
    if ((data.numInputs > 0 && !data.inputs) || (data.numOutputs > 0 && !data.outputs)) {
        return false;
    }
    if (!busesValid(data.inputs, data.numInputs) || !busesValid(data.outputs, data.numOutputs)) {
        return false;
    }
    return data.symbolicSampleSize == Vst::kSample32 || data.symbolicSampleSize == Vst::kSample64;
}

bool UtilityPlugin::declaredBusActive(Vst::BusDirection dir, std::int32_t index) const {
    const Vst::BusList& list = dir == Vst::kInput ? audioInputs : audioOutputs;
    return index >= 0 && index < static_cast<std::int32_t>(list.size()) &&
           list[static_cast<std::size_t>(index)]->isActive();
}

template <typename Sample> void UtilityPlugin::meterBlock(const Vst::ProcessData& data) {
    const Sample* const* channels = nullptr;
    std::int32_t width = 0;
    std::uint64_t silence = 0;
    if (data.numInputs > 0) {
        const Vst::AudioBusBuffers& bus = data.inputs[0];
        width = bus.numChannels;
        silence = bus.silenceFlags;
        if constexpr (std::is_same_v<Sample, float>) {
            channels = bus.channelBuffers32;
        } else {
            channels = bus.channelBuffers64;
        }
    }
    updateInputMeters<Sample>(inputMeters_, channels, width, silence,
                              declaredBusActive(Vst::kInput, 0), data.numSamples, sampleRate_);
}

void UtilityPlugin::collectParameterPoints(const Vst::ProcessData& data) {
    Vst::IParameterChanges* changes = data.inputParameterChanges;
    if (!changes) {
        return;
    }
    for (int32 q = 0;
         q < std::min(changes->getParameterCount(), kMaxParameterQueues) && !events_.full(); ++q) {
        Vst::IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue) {
            continue;
        }
        for (int32 p = 0;
             p < std::min(queue->getPointCount(), kMaxPointsPerQueue) && !events_.full(); ++p) {
            int32 offset = 0;
            Vst::ParamValue value = 0.0;
            if (queue->getPoint(p, offset, value) != kResultOk) {
                continue;
            }
            if (offset < 0 || offset > data.numSamples || !std::isfinite(value)) {
                continue;
            }
            const Vst::ParamID id = queue->getParameterId();
            events_.add({offset, id < kParameterSlots ? id : kHostPointOutsideTable, value});
        }
    }
}

void UtilityPlugin::collectSyncEvents(const Vst::ProcessData& data) {
    Vst::IEventList* list = data.inputEvents;
    if (kind_ != ModuleKind::Recorder || !list) {
        return;
    }
    for (int32 e = 0; e < std::min(list->getEventCount(), kMaxBlockEvents) && !events_.full();
         ++e) {
        Vst::Event event{};
        if (list->getEvent(e, event) != kResultOk || event.type != Vst::Event::kDataEvent ||
            event.data.type != Vst::DataEvent::kMidiSysEx) {
            continue;
        }
        if (event.sampleOffset < 0 || event.sampleOffset >= data.numSamples) {
            continue;
        }
        const std::uint8_t code = syncMessageCode(event.data.bytes, event.data.size);
        if (code != 0) {
            events_.add({event.sampleOffset, 600u + code, 0.0});
        }
    }
}

void UtilityPlugin::beginRecorderTail() {
    const double silence = table_.get(ParamId::TailSilenceTime) * 10.0;
    const double maxTail = table_.get(ParamId::MaximumTail) * 3600.0;
    // fmax also turns a non-number into the minimum.
    recorder_->beginTail(samplePosition_, std::fmax(silence, 0.01), std::fmax(maxTail, 0.01),
                         -80.0);
}

void UtilityPlugin::startRecorderTake() {
    TakeStart take;
    if (blockProjectTime_ >= 0) {
        take.projectTime =
            blockProjectTime_ + static_cast<std::int64_t>(samplePosition_ - blockStartPosition_);
    }
    take.timeStamped = timeStampedTakes();
    recorder_->start(samplePosition_, take);
}

void UtilityPlugin::applyEvent(const BlockEvent& event) {
    if (event.id == kSyncStart) {
        table_.store(ParamId::FollowTransport, 0.0);
        table_.store(ParamId::PlayRecord, 1.0);
        wasRunning_ = true;
        syncTakeMode();
        startRecorderTake();
    } else if (event.id == kSyncStop) {
        table_.store(ParamId::FollowTransport, 0.0);
        table_.store(ParamId::PlayRecord, 0.0);
        wasRunning_ = false;
        beginRecorderTail();
    } else if (event.id < kParameterSlots) {
        table_.set(event.id, event.value);
    }
}

tresult PLUGIN_API UtilityPlugin::process(Vst::ProcessData& data) {
    if (!acceptBlock(data)) {
        return kInvalidArgument;
    }
    const bool wide = data.symbolicSampleSize == Vst::kSample64;
    if (kind_ == ModuleKind::Recorder && processingOn_.load()) {
        wide ? meterBlock<double>(data) : meterBlock<float>(data);
    }
    if (const Vst::ProcessContext* context = data.processContext;
        context && (context->state & Vst::ProcessContext::kContTimeValid) &&
        context->continousTimeSamples >= 0) {
        samplePosition_ = static_cast<std::uint64_t>(context->continousTimeSamples);
    }
    // Project time has no validity flag: it is there whenever the context is. A negative one (a
    // pre-roll before the project's start) is no position a file can carry.
    blockProjectTime_ = data.processContext
                            ? std::max<std::int64_t>(data.processContext->projectTimeSamples, -1)
                            : -1;
    blockStartPosition_ = samplePosition_;

    aliasing_.find(data);
    events_.clear();
    collectParameterPoints(data);
    collectSyncEvents(data);
    events_.sortByOffset();
    audibleChannels_.fill(0);

    const std::int32_t n = data.numSamples;
    std::int32_t cursor = 0;
    std::int32_t next = 0;
    while (true) {
        while (next < events_.size() && events_[next].offset == cursor) {
            applyEvent(events_[next++]);
        }
        const std::int32_t end = next < events_.size() ? events_[next].offset : n;
        if (cursor < end) {
            wide ? processSubBlock<double>(data, cursor, end - cursor)
                 : processSubBlock<float>(data, cursor, end - cursor);
            samplePosition_ += static_cast<std::uint64_t>(end - cursor);
        }
        if (end == n) {
            break;
        }
        cursor = end;
    }

    // A channel is flagged silent when every sample written to it in the whole block was zero.
    for (int32 k = 0; k < data.numOutputs; ++k) {
        Vst::AudioBusBuffers& bus = data.outputs[k];
        std::uint64_t flags = 0;
        for (int32 l = 0; l < bus.numChannels; ++l) {
            const bool present = wide ? (bus.channelBuffers64 && bus.channelBuffers64[l])
                                      : (bus.channelBuffers32 && bus.channelBuffers32[l]);
            if (present && !(audibleChannels_[static_cast<std::size_t>(k)] >> l & 1u)) {
                flags |= std::uint64_t{1} << l;
            }
        }
        bus.silenceFlags = flags;
    }
    return kResultOk;
}

} // namespace quillwave::plugins
