#include "hosted_recorder.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "public.sdk/source/common/memorystream.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <stdexcept>

namespace quillwave::host {
namespace {

using namespace Steinberg;

// The first class of the factory that is an audio effect.
PClassInfo audioEffectClass(IPluginFactory& factory) {
    for (int32 i = 0; i < factory.countClasses(); ++i) {
        PClassInfo info{};
        if (factory.getClassInfo(i, &info) == kResultOk &&
            std::strcmp(info.category, kVstAudioEffectClass) == 0) {
            return info;
        }
    }
    throw std::runtime_error("the module holds no audio effect class");
}

Vst::SpeakerArrangement channelMask(std::uint32_t channels) {
    return channels >= 64 ? ~Vst::SpeakerArrangement{0}
                          : (Vst::SpeakerArrangement{1} << channels) - 1;
}

// The document inside a saved state: the text after the 32-bit length.
nlohmann::json parseDocument(const std::string& bytes) {
    if (bytes.size() < 4) {
        throw std::runtime_error("the module wrote a state without a document");
    }
    try {
        return nlohmann::json::parse(bytes.begin() + 4, bytes.end());
    } catch (const nlohmann::json::exception&) {
        throw std::runtime_error("the module wrote a state that is not JSON");
    }
}

std::string framedDocument(const nlohmann::json& document) {
    const std::string text = document.dump();
    const auto n = static_cast<std::uint32_t>(text.size());
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    }
    return bytes + text;
}

} // namespace

HostedRecorder::HostedRecorder(IPluginFactory& factory, FUnknown* hostContext) {
    const PClassInfo info = audioEffectClass(factory);
    name_ = info.name;
    Vst::IComponent* component = nullptr;
    if (factory.createInstance(info.cid, Vst::IComponent::iid,
                               reinterpret_cast<void**>(&component)) != kResultOk ||
        component == nullptr) {
        throw std::runtime_error("the module cannot create '" + name_ + "'");
    }
    component_ = IPtr<Vst::IComponent>(component, false);
    if (component_->initialize(hostContext) != kResultOk) {
        throw std::runtime_error("'" + name_ + "' refused to initialize");
    }
    initialized_ = true;
    // A single-component effect answers for its processor and controller itself.
    processor_ = FUnknownPtr<Vst::IAudioProcessor>(component_);
    controller_ = FUnknownPtr<Vst::IEditController>(component_);
    if (!processor_ || !controller_) {
        throw std::runtime_error("'" + name_ + "' is not a single-component audio effect");
    }
}

HostedRecorder::~HostedRecorder() {
    stop();
    if (initialized_) {
        component_->terminate();
    }
}

void HostedRecorder::configure(std::uint32_t channels, double rate, std::int32_t maxBlock,
                               bool realtime) {
    component_->activateBus(Vst::kAudio, Vst::kInput, 0, true);
    component_->activateBus(Vst::kAudio, Vst::kOutput, 0, true);
    Vst::SpeakerArrangement in = channelMask(channels);
    Vst::SpeakerArrangement out = channelMask(channels);
    if (processor_->setBusArrangements(&in, 1, &out, 1) != kResultOk) {
        throw std::runtime_error("'" + name_ + "' refused " + std::to_string(channels) +
                                 " channels");
    }
    if (processor_->canProcessSampleSize(Vst::kSample32) != kResultOk) {
        throw std::runtime_error("'" + name_ + "' cannot process 32-bit samples");
    }
    // Running ahead of the clock is offline rendering in VST 3 terms.
    Vst::ProcessSetup setup{realtime ? Vst::kRealtime : Vst::kOffline, Vst::kSample32, maxBlock,
                            rate};
    if (processor_->setupProcessing(setup) != kResultOk) {
        throw std::runtime_error("'" + name_ + "' refused " + std::to_string(rate) +
                                 " Hz with blocks of " + std::to_string(maxBlock));
    }
}

std::string HostedRecorder::saveState() {
    MemoryStream stream;
    if (component_->getState(&stream) != kResultOk) {
        throw std::runtime_error("'" + name_ + "' could not save its state");
    }
    return {stream.getData(), static_cast<std::size_t>(stream.getSize())};
}

void HostedRecorder::loadState(const std::string& bytes) {
    MemoryStream stream;
    int32 written = 0;
    stream.write(const_cast<char*>(bytes.data()), static_cast<int32>(bytes.size()), &written);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    if (written != static_cast<int32>(bytes.size()) || component_->setState(&stream) != kResultOk) {
        throw std::runtime_error("'" + name_ + "' refused the state");
    }
    // A single-component plug-in is its own controller; hosts still hand the state over.
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    controller_->setComponentState(&stream);
}

std::string HostedRecorder::statePath() {
    const nlohmann::json document = parseDocument(saveState());
    const auto path = document.find("path");
    return path != document.end() && path->is_string() ? path->get<std::string>() : std::string();
}

void HostedRecorder::setDestination(const std::string& utf8Path) {
    nlohmann::json document = parseDocument(saveState());
    document["path"] = utf8Path;
    loadState(framedDocument(document));
}

void HostedRecorder::activate() {
    // A name that is taken already is not the new take's, even before the module has moved on.
    const std::string named = statePath();
    std::error_code error;
    const bool taken = std::filesystem::exists(std::filesystem::u8path(named), error);
    if (component_->setActive(true) != kResultOk) {
        throw std::runtime_error("cannot prepare a new take file at " + statePath());
    }
    active_ = true;
    // The module arms at once and its writer makes the file meanwhile, under the first free
    // name, which then becomes the module's path. This host reads the take from that file, so
    // it waits for it; a file that does not appear could not be made.
    const auto deadline = std::chrono::steady_clock::now() + kArmLimit;
    for (;;) {
        const std::string path = statePath();
        if (!(taken && path == named) && std::filesystem::exists(std::filesystem::u8path(path), error)) {
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("cannot prepare a new take file at " + path);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void HostedRecorder::startProcessing() {
    processor_->setProcessing(true);
    processing_ = true;
}

tresult HostedRecorder::process(Vst::ProcessData& data) {
    return processor_->process(data);
}

void HostedRecorder::stop() {
    if (processing_) {
        processor_->setProcessing(false);
        processing_ = false;
    }
    if (active_) {
        component_->setActive(false);
        active_ = false;
    }
}

double HostedRecorder::parameter(Vst::ParamID id) const {
    return controller_->getParamNormalized(id);
}

void HostedRecorder::setParameter(Vst::ParamID id, double value) {
    if (controller_->setParamNormalized(id, value) != kResultOk) {
        throw std::runtime_error("the plug-in has no parameter " + std::to_string(id));
    }
}

} // namespace quillwave::host
