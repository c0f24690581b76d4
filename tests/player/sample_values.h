#pragma once

#include "player/audio_clip.h"

#include <vector>

namespace quillwave::test {

// A clip's samples as a plain vector, for comparisons in test expectations.
inline std::vector<float> values(const plugins::SampleVector& samples) {
    return {samples.begin(), samples.end()};
}

} // namespace quillwave::test
