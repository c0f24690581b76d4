// processSubBlock: one stretch of a block between two events. The gain step, the run-state edges
// that start and stop the player and the recorder, the player's rendering and sync messages, the
// recorder's capture, and every output channel by the routing rule of the kind.

#include "dsp/buffer_aliasing.h"
#include "dsp/gain_law.h"
#include "dsp/sync_message.h"
#include "plugin/utility_plugin.h"

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace quillwave::plugins {

// The host's input channels for one call: a channel that is missing, flagged silent, beyond the
// bus's width or on an inactive bus reads as silence.
template <typename Sample> struct InputView {
    struct Bus {
        Sample* const* channels = nullptr;
        std::int32_t width = 0;   // numChannels the host passed
        std::uint64_t usable = 0; // bit c: channel c may be read
        std::uint64_t copied = 0; // bit c: channel c is read from its copy
    };
    std::array<Bus, kMaxStrips> bus{};
    std::int32_t buses = 0;
    // Channels that an earlier output channel overwrites are read from copies of the stretch.
    const BufferAliasing* aliasing = nullptr;
    const Sample* copies = nullptr;
    std::int32_t copyStride = 0;

    // Channel min(l, width - 1) of a bus, channel 0 of an empty one.
    std::int32_t folded(std::int32_t b, std::int32_t l) const {
        const std::int32_t w = bus[static_cast<std::size_t>(b)].width;
        return w == 0 ? 0 : std::min(l, w - 1);
    }
    // Frame 0 of the stretch at offset in channel c of bus b; null when the channel is not usable.
    const Sample* source(std::int32_t b, std::int32_t c, std::int32_t offset) const {
        if (b >= buses) {
            return nullptr;
        }
        const Bus& view = bus[static_cast<std::size_t>(b)];
        if (!(view.usable >> c & 1u)) {
            return nullptr;
        }
        if (view.copied >> c & 1u) {
            for (std::int32_t i = 0; i < aliasing->count(); ++i) {
                const AliasedInput& a = (*aliasing)[i];
                if (a.bus == b && a.channel == c) {
                    return copies + static_cast<std::ptrdiff_t>(a.copySlot) * copyStride;
                }
            }
        }
        return view.channels[c] + offset;
    }
};

namespace {

template <typename Sample> Sample* const* channelsOf(const Vst::AudioBusBuffers& bus) {
    if constexpr (std::is_same_v<Sample, float>) {
        return bus.channelBuffers32;
    } else {
        return bus.channelBuffers64;
    }
}

// Position of output channel l of bus k in the order the kernel writes outputs.
std::int32_t writeIndex(const Vst::ProcessData& data, std::int32_t k, std::int32_t l) {
    for (std::int32_t j = 0; j < k; ++j) {
        l += data.outputs[j].numChannels;
    }
    return l;
}

// The last output channel, in write order, whose routing reads input channel c of bus b; -1 when
// none does. Kinds that spread a narrow input read its last channel on every wider output channel.
std::int32_t lastReader(ModuleKind kind, const Vst::ProcessData& data, std::int32_t active,
                        std::int32_t b, std::int32_t c) {
    const std::int32_t outs = data.numOutputs;
    const std::int32_t inWidth = data.inputs[b].numChannels;
    const auto spreadReader = [&](std::int32_t k) {
        const std::int32_t width = data.outputs[k].numChannels;
        return c >= width ? -1 : writeIndex(data, k, c == inWidth - 1 ? width - 1 : c);
    };
    switch (kind) {
    case ModuleKind::Summing:
        return b < std::min(data.numInputs, active) ? spreadReader(0) : -1;
    case ModuleKind::Breakout:
        return b == 0 && c < std::min(outs, active) && data.outputs[c].numChannels > 0
                   ? writeIndex(data, c, data.outputs[c].numChannels - 1)
                   : -1;
    case ModuleKind::Distributor:
        for (std::int32_t k = std::min(outs, active) - 1; b == 0 && k >= 0; --k) {
            if (const std::int32_t reader = spreadReader(k); reader >= 0) {
                return reader;
            }
        }
        return -1;
    case ModuleKind::Player:
        return -1;
    case ModuleKind::FaderBank:
        return b < outs && c < data.outputs[b].numChannels ? writeIndex(data, b, c) : -1;
    default:
        return b == 0 && c < data.outputs[0].numChannels ? writeIndex(data, 0, c) : -1;
    }
}

// Moves a call's start gains on by frames smoothing steps, exactly as the per-frame curves do. A
// settled gain stays exactly where it is, so its steps are skipped.
void advanceGainCall(GainCall& gains, const GainTargets& targets, std::int32_t frames) {
    const auto advance = [&](double& gain, double target) {
        for (std::int32_t i = 0; i < frames && gain != target; ++i) {
            gain = smoothGain(gain, target, gains.k);
        }
    };
    advance(gains.masterStart, targets.master);
    for (std::size_t s = 0; s < kMaxStrips; ++s) {
        advance(gains.stripStart[s], targets.strip[s]);
    }
}

void addSyncEvent(Vst::IEventList* list, std::int32_t offset, bool start) {
    if (!list) {
        return;
    }
    Vst::Event event{};
    event.busIndex = 0;
    event.sampleOffset = offset;
    event.ppqPosition = 0;
    event.flags = 0;
    event.type = Vst::Event::kDataEvent;
    event.data.size = static_cast<uint32>(kSyncMessageSize);
    event.data.type = Vst::DataEvent::kMidiSysEx;
    event.data.bytes = start ? kSyncStartMessage.data() : kSyncStopMessage.data();
    list->addEvent(event);
}

template <typename Sample> Sample finiteOrZero(double v) {
    const auto x = static_cast<Sample>(v);
    // x - x is 0 exactly for finite x and NaN otherwise; unlike isfinite it vectorizes.
    return x - x == Sample{0} ? x : Sample{0};
}

// What one output channel plays for one call: at most one of the three sources, times a gain
// curve that starts at gainStart and glides toward gainTarget by one smoothing step per frame.
template <typename Sample> struct ChannelRoute {
    const Sample* single; // a host input channel
    const double* mixed;  // the summing bus's mix
    double gainStart;
    double gainTarget;
    const float* player = nullptr; // the player's rendered channel
};

template <typename Sample, typename Source>
bool applyGainCurve(Sample* to, std::int32_t length, const Source* from, double g, double target,
                    double k) {
    Sample audible{0};
    if (g == target) {
        // Settled: every step leaves the gain exactly where it is.
        for (std::int32_t i = 0; i < length; ++i) {
            const Sample v = finiteOrZero<Sample>(target * static_cast<double>(from[i]));
            to[i] = v;
            audible = audible != Sample{0} ? audible : v;
        }
    } else {
        for (std::int32_t i = 0; i < length; ++i) {
            g = smoothGain(g, target, k);
            const Sample v = finiteOrZero<Sample>(g * static_cast<double>(from[i]));
            to[i] = v;
            audible = audible != Sample{0} ? audible : v;
        }
    }
    return audible != Sample{0};
}

// Writes one output channel; true when any written sample is not zero.
template <typename Sample>
bool renderChannel(Sample* to, std::int32_t length, const ChannelRoute<Sample>& route, double k) {
    if (route.single) {
        return applyGainCurve(to, length, route.single, route.gainStart, route.gainTarget, k);
    }
    if (route.mixed) {
        return applyGainCurve(to, length, route.mixed, route.gainStart, route.gainTarget, k);
    }
    if (route.player) {
        return applyGainCurve(to, length, route.player, 1.0, 1.0, k);
    }
    std::fill(to, to + length, Sample{0});
    return false;
}

} // namespace

void UtilityPlugin::runPlayerAndSync(Vst::ProcessData& data, std::int32_t offset,
                                     std::int32_t length) {
    const bool wasPlaying = player_->playing();
    if (playerHeard_ && !wasPlaying) {
        // Stopped off the audio thread since the last stretch: whoever follows this player
        // hears the stop at the first frame that fell silent.
        addSyncEvent(data.outputEvents, offset, false);
    }
    const auto width =
        static_cast<std::uint32_t>(data.numOutputs > 0 ? data.outputs[0].numChannels : 0);
    player_->renderPlayback(scratchWritable_.data(), width, static_cast<std::uint32_t>(length),
                            sampleRate_, samplePosition_);
    const std::uint64_t end = player_->endPosition();
    if (wasPlaying && !player_->playing() && end >= samplePosition_ &&
        end < samplePosition_ + static_cast<std::uint64_t>(length)) {
        addSyncEvent(data.outputEvents, offset + static_cast<std::int32_t>(end - samplePosition_),
                     false);
    }
    playerHeard_ = player_->playing();
}

template <typename Sample>
void UtilityPlugin::captureInput(const Vst::ProcessData& data, std::int32_t offset,
                                 std::int32_t length) {
    std::int32_t width = 0;
    Sample* const* channels = nullptr;
    std::uint64_t silence = 0;
    if (data.numInputs > 0) {
        width = std::min<std::int32_t>(data.inputs[0].numChannels, kMaxStrips);
        channels = channelsOf<Sample>(data.inputs[0]);
        silence = data.inputs[0].silenceFlags;
    }
    const bool busUsable = declaredBusActive(Vst::kInput, 0);
    auto usable = [&](std::int32_t c) -> const Sample* {
        return busUsable && channels && !(silence >> c & 1u) ? channels[c] : nullptr;
    };
    if constexpr (std::is_same_v<Sample, float>) {
        // The recorder stores non-finite samples as 0 and unusable channels as silence itself, so
        // float input goes straight from the host's buffers into the ring, in one pass. The copy
        // is made within capture, before any output (possibly the same buffer) is written.
        std::array<const float*, kMaxStrips> sources{};
        for (std::int32_t c = 0; c < width; ++c) {
            const float* from = usable(c);
            sources[static_cast<std::size_t>(c)] = from ? from + offset : nullptr;
        }
        recorder_->capture(sources.data(), static_cast<std::uint32_t>(width),
                           static_cast<std::uint32_t>(length), samplePosition_);
        return;
    }
    for (std::int32_t c = 0; c < width; ++c) {
        float* to = scratchWritable_[static_cast<std::size_t>(c)];
        const Sample* from = usable(c);
        if (!from) {
            std::fill(to, to + length, 0.0f);
            continue;
        }
        for (std::int32_t i = 0; i < length; ++i) {
            const Sample x = from[offset + i];
            // Test before narrowing: a large finite double is still refused only if not finite.
            to[i] = std::isfinite(x) ? static_cast<float>(x) : 0.0f;
        }
    }
    recorder_->capture(scratchReadable_.data(), static_cast<std::uint32_t>(width),
                       static_cast<std::uint32_t>(length), samplePosition_);
}

template <typename Sample>
void UtilityPlugin::writeOutputs(Vst::ProcessData& data, std::int32_t offset, std::int32_t length,
                                 const GainTargets& targets, const GainCall& gains) {
    InputView<Sample> in;
    in.aliasing = &aliasing_;
    in.buses = data.numInputs;
    for (std::int32_t b = 0; b < data.numInputs; ++b) {
        const Vst::AudioBusBuffers& host = data.inputs[b];
        auto& view = in.bus[static_cast<std::size_t>(b)];
        view.width = host.numChannels;
        view.channels = channelsOf<Sample>(host);
        if (!view.channels || !declaredBusActive(Vst::kInput, b)) {
            continue;
        }
        for (std::int32_t c = 0; c < host.numChannels; ++c) {
            if (!(host.silenceFlags >> c & 1u) && view.channels[c]) {
                view.usable |= std::uint64_t{1} << c;
            }
        }
    }

    // An input channel that an output channel overwrites before its last reader reads it is
    // copied first. channelScratch is free here: the recorder has captured from it already, and
    // the player, which renders into it, reads no inputs. Reading and writing one buffer frame by
    // frame is safe, so the usual in-place shapes make no copy.
    std::int32_t copyCount = 0;
    for (std::int32_t i = 0; i < aliasing_.count(); ++i) {
        AliasedInput& a = aliasing_[i];
        a.copySlot = -1;
        auto& view = in.bus[static_cast<std::size_t>(a.bus)];
        if ((view.usable >> a.channel & 1u) &&
            lastReader(kind_, data, targets.activeCount, a.bus, a.channel) > a.firstWriter) {
            a.copySlot = copyCount++;
            view.copied |= std::uint64_t{1} << a.channel;
        }
    }
    if (copyCount == 0) {
        routeOutputs(data, in, offset, length, targets, gains);
        return;
    }
    // Whole stretches fit unless dozens of channels need copies; then it goes in pieces.
    const auto capacity = scratchArea_.size() * sizeof(float) / sizeof(Sample);
    const auto piece =
        static_cast<std::int32_t>(std::min<std::size_t>(capacity / copyCount, length));
    auto* copyArea = reinterpret_cast<Sample*>(scratchArea_.data());
    in.copies = copyArea;
    in.copyStride = piece;
    GainCall pieceGains = gains;
    for (std::int32_t done = 0; done < length;) {
        const std::int32_t n = std::min(piece, length - done);
        for (std::int32_t i = 0; i < aliasing_.count(); ++i) {
            const AliasedInput& a = aliasing_[i];
            if (a.copySlot >= 0) {
                std::memcpy(copyArea + static_cast<std::ptrdiff_t>(a.copySlot) * piece,
                            channelsOf<Sample>(data.inputs[a.bus])[a.channel] + offset + done,
                            static_cast<std::size_t>(n) * sizeof(Sample));
            }
        }
        routeOutputs(data, in, offset + done, n, targets, pieceGains);
        done += n;
        if (done < length) {
            advanceGainCall(pieceGains, targets, n);
        }
    }
}

template <typename Sample>
void UtilityPlugin::routeOutputs(Vst::ProcessData& data, const InputView<Sample>& in,
                                 std::int32_t offset, std::int32_t length,
                                 const GainTargets& targets, const GainCall& gains) {
    auto source = [&](std::int32_t b, std::int32_t c) { return in.source(b, c, offset); };

    const int active = targets.activeCount;
    for (std::int32_t bus = 0; bus < data.numOutputs; ++bus) {
        Vst::AudioBusBuffers& out = data.outputs[bus];
        Sample* const* ptrs = channelsOf<Sample>(out);
        if (!ptrs) {
            continue;
        }
        const bool busActive = declaredBusActive(Vst::kOutput, bus);
        const auto strip = static_cast<std::size_t>(bus);
        for (std::int32_t l = 0; l < out.numChannels; ++l) {
            if (!ptrs[l]) {
                continue;
            }
            Sample* to = ptrs[l] + offset;
            // The routing rule picks one source channel and one gain curve per output channel;
            // the summing bus first mixes its sources. A null source is silence.
            ChannelRoute<Sample> route{nullptr, nullptr, gains.masterStart, targets.master};
            if (busActive) {
                switch (kind_) {
                case ModuleKind::Summing: {
                    const std::int32_t count = std::min<std::int32_t>(in.buses, active);
                    double* mix = mixScratch_.data();
                    std::fill(mix, mix + length, 0.0);
                    bool any = false;
                    for (std::int32_t b = 0; b < count; ++b) {
                        if (const Sample* from = source(b, in.folded(b, l))) {
                            any = true;
                            for (std::int32_t i = 0; i < length; ++i) {
                                mix[i] += static_cast<double>(from[i]);
                            }
                        }
                    }
                    route.mixed = any ? mix : nullptr;
                    break;
                }
                case ModuleKind::Breakout:
                    route.single = bus < active ? source(0, bus) : nullptr;
                    break;
                case ModuleKind::Player:
                    route.player = scratchWritable_[static_cast<std::size_t>(l)];
                    route.gainStart = route.gainTarget = 1.0; // the file plays as it is
                    break;
                case ModuleKind::FaderBank:
                    route.single = source(bus, l);
                    route.gainStart = gains.stripStart[strip];
                    route.gainTarget = targets.strip[strip];
                    break;
                case ModuleKind::Distributor:
                    route.single = bus < active ? source(0, in.folded(0, l)) : nullptr;
                    break;
                default:
                    route.single = source(0, l);
                    break;
                }
            }
            if (renderChannel(to, length, route, gains.k)) {
                audibleChannels_[strip] |= std::uint64_t{1} << l;
            }
        }
    }
}

template <typename Sample>
void UtilityPlugin::processSubBlock(Vst::ProcessData& data, std::int32_t offset,
                                    std::int32_t length) {
    const GainTargets targets = computeGainTargets(table_);
    const GainCall gains =
        advanceGainState(gainState_, targets, sampleRate_, static_cast<std::uint32_t>(length));

    const bool hostPlaying =
        data.processContext && (data.processContext->state & Vst::ProcessContext::kPlaying);
    const bool running = table_.get(ParamId::FollowTransport) > 0.5
                             ? hostPlaying
                             : table_.get(ParamId::PlayRecord) > 0.5;
    const bool isPlayer = kind_ == ModuleKind::Player;
    const bool isRecorder = kind_ == ModuleKind::Recorder;
    if (isRecorder) {
        syncTakeMode(); // one store: the take that ends next knows whether another follows
    }
    if (running && !wasRunning_) {
        if (isPlayer) {
            player_->startPlayback(samplePosition_, 0);
            addSyncEvent(data.outputEvents, offset, true);
            if (player_->frameCount() == 0) {
                addSyncEvent(data.outputEvents, offset, false);
            }
        } else if (isRecorder) {
            startRecorderTake();
        }
    } else if (!running && wasRunning_) {
        player_->stopPlayback();
        playerHeard_ = false;
        if (isPlayer) {
            addSyncEvent(data.outputEvents, offset, false);
        } else if (isRecorder) {
            beginRecorderTail();
        }
    }
    wasRunning_ = running;

    if (isPlayer) {
        runPlayerAndSync(data, offset, length);
    } else if (isRecorder) {
        captureInput<Sample>(data, offset, length);
    }
    writeOutputs<Sample>(data, offset, length, targets, gains);
}

template void UtilityPlugin::processSubBlock<float>(Vst::ProcessData&, std::int32_t, std::int32_t);
template void UtilityPlugin::processSubBlock<double>(Vst::ProcessData&, std::int32_t, std::int32_t);

} // namespace quillwave::plugins
