#pragma once

// The audio the host plays into the recorder: planar 32-bit float channels at one rate.

#include "host_options.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quillwave::host {

struct InputSignal {
    std::uint32_t channels = 0;
    double sampleRate = 0.0;
    std::uint64_t frames = 0;
    std::vector<std::vector<float>> planar; // channels × frames

    // Sample of a frame, or silence past the end.
    float at(std::uint64_t frame, std::uint32_t channel) const {
        return frame < frames ? planar[channel][static_cast<std::size_t>(frame)] : 0.0f;
    }
};

// A generated test signal, the same on every platform for the same arguments: a sine of
// amplitude 0.5 (each channel shifted in phase), a ramp from -0.8 to 0.8 repeating every 1000
// frames (each channel shifted by 131 frames), or uniform noise in [-0.5, 0.5) from a seeded
// generator.
InputSignal generateSignal(Waveform waveform, double frequencyHz, std::uint32_t seed, int channels,
                           double sampleRate, double seconds);

// Reads a WAV file with the module family's own reader. Throws std::runtime_error with its
// message when the file cannot be read.
InputSignal readWavSignal(const std::filesystem::path& path);

} // namespace quillwave::host
