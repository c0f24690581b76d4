// Feeds process blocks of any shape, decoded from the fuzzer's bytes: kind, sample size, block
// length, bus and channel counts, missing buffers, silence flags, parameter queues with points at
// any offset, events of any type, size and offset, and the transport. Well-formed blocks must be
// processed, malformed ones refused; no input may crash or touch memory outside the buffers
// (AddressSanitizer), and no output may be a non-number.

#include "plugin/bus_shape.h"
#include "support/plugin_instance.h"
#include "support/process_fixtures.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace quillwave;
using namespace quillwave::test;

namespace {

constexpr int kMaxBlock = 128;

// One persistent module per kind, as a host keeps its instances across blocks.
plugins::UtilityPlugin& moduleOf(plugins::ModuleKind kind) {
    static std::array<IPtr<plugins::UtilityPlugin>, 8> modules;
    auto& slot = modules[static_cast<std::size_t>(kind) - 1];
    if (!slot) {
        slot = makePlugin(kind);
        for (int b = 0; b < 64; ++b) {
            slot->activateBus(Vst::kAudio, Vst::kInput, b, b % 3 != 2);
            slot->activateBus(Vst::kAudio, Vst::kOutput, b, b % 5 != 4);
        }
        Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample64, kMaxBlock, 48000};
        slot->setupProcessing(setup);
        slot->setProcessing(true);
    }
    return *slot;
}

struct Bus {
    std::vector<std::vector<double>> storage; // doubles hold either sample size
    std::vector<float*> p32;
    std::vector<double*> p64;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider in(bytes, size);
    const auto kind = static_cast<plugins::ModuleKind>(in.ConsumeIntegralInRange<int>(1, 8));
    plugins::UtilityPlugin& module = moduleOf(kind);
    const bool wide = in.ConsumeBool();
    const int frames = in.ConsumeIntegralInRange<int>(-1, kMaxBlock + 1);
    const int numIns = in.ConsumeIntegralInRange<int>(0, 65);
    const int numOuts = in.ConsumeIntegralInRange<int>(0, 65);

    std::vector<Bus> buses(static_cast<std::size_t>(numIns + numOuts));
    std::vector<Vst::AudioBusBuffers> views(buses.size());
    for (std::size_t b = 0; b < buses.size(); ++b) {
        const int width = in.ConsumeIntegralInRange<int>(-1, 65);
        const int real = std::clamp(width, 0, 64);
        Bus& bus = buses[b];
        bus.storage.assign(static_cast<std::size_t>(real), std::vector<double>(kMaxBlock));
        for (int c = 0; c < real; ++c) {
            auto& data = bus.storage[static_cast<std::size_t>(c)];
            const double value = in.ConsumeFloatingPoint<double>();
            for (int i = 0; i < kMaxBlock; ++i) {
                data[static_cast<std::size_t>(i)] = value * ((i & 1) ? -1.0 : 1.0);
            }
            auto* f = reinterpret_cast<float*>(data.data());
            for (int i = 0; i < kMaxBlock; ++i) {
                f[i] = static_cast<float>(value);
            }
            const bool missing = in.ConsumeIntegralInRange<int>(0, 7) == 0;
            bus.p32.push_back(missing ? nullptr : f);
            bus.p64.push_back(missing ? nullptr : data.data());
        }
        Vst::AudioBusBuffers& view = views[b];
        view.numChannels = width;
        view.silenceFlags = in.ConsumeIntegral<std::uint64_t>();
        if (!in.ConsumeBool() || real > 0) {
            if (wide) {
                view.channelBuffers64 = bus.p64.data();
            } else {
                view.channelBuffers32 = bus.p32.data();
            }
        }
    }

    ParameterChanges changes;
    for (int q = in.ConsumeIntegralInRange<int>(0, 6); q > 0; --q) {
        auto& queue = changes.queue(in.ConsumeIntegralInRange<Vst::ParamID>(0, 1024));
        for (int p = in.ConsumeIntegralInRange<int>(0, 8); p > 0; --p) {
            queue.add(in.ConsumeIntegralInRange<int>(-2, kMaxBlock + 2),
                      in.ConsumeFloatingPoint<double>());
        }
    }
    EventList events, outEvents;
    std::vector<std::vector<std::uint8_t>> payloads;
    for (int e = in.ConsumeIntegralInRange<int>(0, 6); e > 0; --e) {
        payloads.push_back(in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<int>(0, 9)));
        Vst::Event event = sysExEvent(in.ConsumeIntegralInRange<int>(-2, kMaxBlock + 2),
                                      payloads.back().empty() ? nullptr : payloads.back().data(),
                                      in.ConsumeIntegralInRange<uint32>(0, 9));
        event.data.size =
            std::min<uint32>(event.data.size, static_cast<uint32>(payloads.back().size()));
        event.type = static_cast<uint16>(in.ConsumeIntegralInRange<int>(0, 12));
        if (event.type != Vst::Event::kDataEvent) {
            event.data = {}; // other event types carry other union members
        }
        events.addEvent(event);
    }
    Vst::ProcessContext context{};
    context.state = in.ConsumeIntegral<uint32>();
    context.continousTimeSamples = in.ConsumeIntegral<int64>();

    Vst::ProcessData data{};
    data.symbolicSampleSize = wide ? Vst::kSample64 : Vst::kSample32;
    data.numSamples = frames;
    data.numInputs = numIns;
    data.numOutputs = numOuts;
    data.inputs = numIns ? views.data() : nullptr;
    data.outputs = numOuts ? views.data() + numIns : nullptr;
    data.inputParameterChanges = in.ConsumeBool() ? &changes : nullptr;
    data.inputEvents = in.ConsumeBool() ? &events : nullptr;
    data.outputEvents = in.ConsumeBool() ? &outEvents : nullptr;
    data.processContext = in.ConsumeBool() ? &context : nullptr;

    bool malformed = frames < 0 || frames > kMaxBlock || numIns > 64 || numOuts > 64;
    for (const auto& view : views) {
        malformed |= view.numChannels < 0 || view.numChannels > 64;
    }
    const tresult result = module.process(data);
    if (result != (malformed ? kInvalidArgument : kResultOk)) {
        std::abort();
    }
    if (!malformed) {
        for (int b = numIns; b < numIns + numOuts; ++b) {
            const auto& view = views[static_cast<std::size_t>(b)];
            for (int c = 0; c < view.numChannels; ++c) {
                for (int i = 0; i < frames; ++i) {
                    const double v = wide ? (view.channelBuffers64 && view.channelBuffers64[c]
                                                 ? view.channelBuffers64[c][i]
                                                 : 0.0)
                                          : (view.channelBuffers32 && view.channelBuffers32[c]
                                                 ? view.channelBuffers32[c][i]
                                                 : 0.0f);
                    if (!std::isfinite(v)) {
                        std::abort();
                    }
                }
            }
        }
    }
    return 0;
}
