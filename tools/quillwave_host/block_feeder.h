#pragma once

// Feeds the input to the plug-in block by block, as a host's audio engine does: one input and one
// output bus of the input's width, a process context with the transport state and a continuous
// sample clock, and the block's automation points.

#include "hosted_recorder.h"
#include "input_signal.h"
#include "parameter_changes.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <cstdint>
#include <vector>

namespace quillwave::host {

class BlockFeeder {
public:
    BlockFeeder(HostedRecorder& recorder, const InputSignal& input, std::int32_t maxBlock,
                bool realtime);

    // Sends value (normalized) for id at the start of the next block.
    void automate(Steinberg::Vst::ParamID id, double value);

    // Processes frames of the input from inputFrame on (silence past its end), with the transport
    // playing or stopped. Throws std::runtime_error when the plug-in refuses the block.
    void feed(std::uint64_t inputFrame, std::int32_t frames, bool playing);

    // Frames processed so far: the host's continuous sample clock.
    std::uint64_t position() const { return position_; }

private:
    HostedRecorder& recorder_;
    const InputSignal& input_;
    std::int32_t maxBlock_;
    bool realtime_;
    std::vector<float> inputArea_;
    std::vector<float> outputArea_;
    std::vector<float*> inputChannels_;
    std::vector<float*> outputChannels_;
    BlockParameterChanges changes_;
    Steinberg::Vst::ProcessContext context_{};
    std::uint64_t position_ = 0;
};

} // namespace quillwave::host
