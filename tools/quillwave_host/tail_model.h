#pragma once

// How long the recorder's take should be, worked out by the host from the input it plays and the
// documented tail rule: after the stop, capture goes on until the input has stayed at or below
// -80 dBFS (a linear peak of 1.0e-4 per frame) for the silence time, or the maximum tail is
// reached; the frame that ends the tail is not stored.

#include "input_signal.h"

#include <cstdint>

namespace quillwave::host {

struct TailSettings {
    std::uint64_t silenceFrames = 0;
    std::uint64_t maxTailFrames = 0;
};

// Settings from the normalized parameter values (silence time × 10 s, maximum tail × 3600 s,
// each at least 0.01 s) at the file's sample rate.
TailSettings tailSettings(double silenceNormalized, double maxTailNormalized, double sampleRate);

// Frames stored after the stop at frame `stop` of the input (silence past its end).
std::uint64_t expectedTailFrames(const InputSignal& input, std::uint64_t stop,
                                 const TailSettings& settings);

} // namespace quillwave::host
