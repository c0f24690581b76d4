#pragma once

#include "dsp/input_meters.h"
#include "recorder/recorder_status.h"

#include <array>
#include <cstdint>

namespace quillwave::plugins {

class DiskRecorder;

// The editor's copy of the input meters, with the recorder's status.
struct MeterSnapshot {
    std::uint32_t meteredChannels = 0;
    std::array<float, kMeterChannels> peak{};
    std::array<float, kMeterChannels> rms{};
    std::array<std::uint8_t, kMeterChannels> clip{};
    RecorderStatus recorder;
};

// At most four attempts at a consistent copy of the meters; never waits. When every attempt
// meets a writer, the meters of the result are empty rather than mixed from two blocks. The
// recorder part is left at its defaults.
MeterSnapshot readMeterSnapshot(const InputMeters& meters) noexcept;

// The meters as above, then the recorder's status (capturedSeconds at publishedSampleRate).
MeterSnapshot readMeterSnapshot(const InputMeters& meters, const DiskRecorder& recorder,
                                double publishedSampleRate) noexcept;

} // namespace quillwave::plugins
