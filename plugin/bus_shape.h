#pragma once

#include "plugin/module_kind.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <cstdint>

namespace quillwave::plugins {

// What a kind declares to the host: bus counts, the widest arrangement each bus accepts and the
// arrangement its output buses start with.
struct BusShape {
    std::int32_t audioInputs;
    std::int32_t audioOutputs;
    std::int32_t maxInputChannels;
    std::int32_t maxOutputChannels;
    Steinberg::Vst::SpeakerArrangement outputArrangement;
    bool syncInput;  // "Recorder Sync"
    bool syncOutput; // "Player Sync"
};

constexpr BusShape busShape(ModuleKind kind) {
    using namespace Steinberg::Vst::SpeakerArr;
    switch (kind) {
    case ModuleKind::Input:
    case ModuleKind::Output:
        return {1, 1, 64, 64, kStereo, false, false};
    case ModuleKind::Summing:
        return {64, 1, 2, 2, kStereo, false, false};
    case ModuleKind::Breakout:
        return {1, 64, 64, 1, kMono, false, false};
    case ModuleKind::Player:
        return {0, 1, 0, 64, kStereo, false, true};
    case ModuleKind::Recorder:
        return {1, 1, 64, 64, kStereo, true, false};
    case ModuleKind::FaderBank:
        return {64, 64, 2, 2, kStereo, false, false};
    case ModuleKind::Distributor:
        return {1, 64, 2, 2, kStereo, false, false};
    }
    return {1, 1, 2, 2, kStereo, false, false};
}

} // namespace quillwave::plugins
