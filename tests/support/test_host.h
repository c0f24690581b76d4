#pragma once

// An in-process host for one module: it negotiates buses and setup through the VST 3 interfaces
// and runs blocks with real parameter changes, event lists and a process context.

#include "support/plugin_instance.h"
#include "support/process_fixtures.h"
#include "support/wait_until.h"

#include <functional>

namespace quillwave::test {

class TestHost {
public:
    struct Config {
        plugins::ModuleKind kind = plugins::ModuleKind::Recorder;
        int inputChannels = 2;
        int outputChannels = 2;
        int maxBlock = 512;
        double sampleRate = 48000.0;
        bool wide = false; // 64-bit samples
        plugins::RecorderFileAccess recorderAccess; // how the recorder reaches the disk
    };

    explicit TestHost(Config config)
        : config_(config), plugin_(makePlugin(config.kind, true, config.recorderAccess)),
          in_(config.inputChannels, config.maxBlock), out_(config.outputChannels, config.maxBlock) {
        component = plugin_.get();
        processor = plugin_.get();
        controller = plugin_.get();
        const auto shape = plugins::busShape(config.kind);
        // Buses start inactive; a host switches on the ones it connects.
        for (int32 b = 0; b < shape.audioInputs; ++b) {
            component->activateBus(Vst::kAudio, Vst::kInput, b, true);
        }
        for (int32 b = 0; b < shape.audioOutputs; ++b) {
            component->activateBus(Vst::kAudio, Vst::kOutput, b, true);
        }
        std::vector<Vst::SpeakerArrangement> ins(static_cast<std::size_t>(shape.audioInputs),
                                                 arrangement(config.inputChannels));
        std::vector<Vst::SpeakerArrangement> outs(static_cast<std::size_t>(shape.audioOutputs),
                                                  arrangement(config.outputChannels));
        arranged = processor->setBusArrangements(ins.data(), shape.audioInputs, outs.data(),
                                                 shape.audioOutputs) == kResultOk;
        Vst::ProcessSetup setup{Vst::kRealtime, config.wide ? Vst::kSample64 : Vst::kSample32,
                                config.maxBlock, config.sampleRate};
        setUp = processor->setupProcessing(setup) == kResultOk;
        context.sampleRate = config.sampleRate;
    }

    static Vst::SpeakerArrangement arrangement(int channels) {
        return channels >= 64 ? ~Vst::SpeakerArrangement{0}
                              : (Vst::SpeakerArrangement{1} << channels) - 1;
    }

    plugins::UtilityPlugin& plugin() { return *plugin_; }
    BusBuffers& input() { return in_; }
    BusBuffers& output() { return out_; }

    // Runs one block of frames. The input is whatever the buffers hold; playing sets the
    // transport; continuous time is reported when timeValid.
    tresult run(int frames, bool playing = false) {
        context.state = (playing ? Vst::ProcessContext::kPlaying : 0) |
                        (timeValid ? Vst::ProcessContext::kContTimeValid : 0);
        Vst::AudioBusBuffers inBus = in_.view(config_.wide);
        Vst::AudioBusBuffers outBus = out_.view(config_.wide);
        Vst::ProcessData data{};
        data.processMode = Vst::kRealtime;
        data.symbolicSampleSize = config_.wide ? Vst::kSample64 : Vst::kSample32;
        data.numSamples = frames;
        data.numInputs =
            config_.inputChannels > 0 && config_.kind != plugins::ModuleKind::Player ? 1 : 0;
        data.numOutputs = 1;
        data.inputs = data.numInputs ? &inBus : nullptr;
        data.outputs = &outBus;
        data.inputParameterChanges = &changes;
        data.inputEvents = &inEvents;
        data.outputEvents = &outEvents;
        data.processContext = &context;
        if (processGuard) {
            processGuard(true);
        }
        const tresult result = processor->process(data);
        if (processGuard) {
            processGuard(false);
        }
        lastOutputSilence = outBus.silenceFlags;
        changes.clear();
        inEvents.clear();
        context.continousTimeSamples += frames;
        return result;
    }

    // Waits until the recorder's writer has finalized every take that ended (deactivation and
    // processing stops return at once and leave that to it); false on a time-out.
    bool waitForTakes() {
        return waitUntil([&] { return plugin_->recorder().takesFinalized(); });
    }

    // Fills frames of the input (both sample sizes) from f(frame, channel).
    void fillInput(int frames, const std::function<double(int, int)>& f) {
        for (int c = 0; c < in_.channels(); ++c) {
            for (int i = 0; i < frames; ++i) {
                const double v = f(i, c);
                in_.data32[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    static_cast<float>(v);
                in_.data64[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = v;
            }
        }
    }

    double outputAt(int channel, int frame) const {
        return config_.wide
                   ? out_.data64[static_cast<std::size_t>(channel)][static_cast<std::size_t>(frame)]
                   : out_.data32[static_cast<std::size_t>(channel)]
                                [static_cast<std::size_t>(frame)];
    }

    Vst::IComponent* component = nullptr;
    Vst::IAudioProcessor* processor = nullptr;
    Vst::IEditController* controller = nullptr;
    ParameterChanges changes;
    EventList inEvents;
    EventList outEvents;
    Vst::ProcessContext context{};
    bool timeValid = true;
    // Called right before and after process, e.g. to count heap use inside it alone.
    void (*processGuard)(bool inside) = nullptr;
    bool arranged = false;
    bool setUp = false;
    std::uint64_t lastOutputSilence = 0;

private:
    Config config_;
    IPtr<plugins::UtilityPlugin> plugin_;
    BusBuffers in_;
    BusBuffers out_;
};

} // namespace quillwave::test
