#pragma once

// Input channels whose buffer the host also hands out as an output channel of the same call.
// VST 3 allows processing in place, so an output written early can be an input read later.

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <array>
#include <cstdint>

namespace quillwave::plugins {

// One input channel that is also an output channel, and the first output channel that is it.
struct AliasedInput {
    std::int32_t bus;
    std::int32_t channel;
    // Output channels count bus by bus, channel by channel, the order the kernel writes them in.
    std::int32_t firstWriter;
    // Its place among the copies of the current stretch, -1 when it is read in place.
    std::int32_t copySlot;
};

class BufferAliasing {
public:
    static constexpr std::int32_t kMaxChannels = 64 * 64;

    // Finds every input channel of data that is an output channel too. Audio thread; neither
    // allocates nor fails. Hosts mostly pass the same buffers block after block: the search,
    // a sort of the output channels, runs again only when a channel pointer changed.
    void find(const Steinberg::Vst::ProcessData& data);

    std::int32_t count() const { return inputCount_; }
    AliasedInput& operator[](std::int32_t i) { return inputs_[static_cast<std::size_t>(i)]; }
    const AliasedInput& operator[](std::int32_t i) const {
        return inputs_[static_cast<std::size_t>(i)];
    }

private:
    struct OutputChannel {
        std::uintptr_t address;
        std::int32_t index;
    };
    // Whether data has the bus shapes and channel pointers of the last search; records them.
    bool sameBuffersAsBefore(const Steinberg::Vst::ProcessData& data, bool wide);

    // The last search's sample size, bus counts, and each bus's width and channel pointers.
    std::array<std::uintptr_t, 3 + 2 * 64 + 2 * kMaxChannels> searched_{};
    std::size_t searchedSize_ = 0;
    std::array<OutputChannel, kMaxChannels> outputs_{};
    std::array<AliasedInput, kMaxChannels> inputs_{};
    std::int32_t inputCount_ = 0;
};

} // namespace quillwave::plugins
