#include "input_signal.h"

#include <cmath>
#include <numbers>

namespace quillwave::host {
namespace {

float sineSample(double frequencyHz, double sampleRate, std::uint64_t n, std::uint32_t c) {
    const double phase =
        2.0 * std::numbers::pi * frequencyHz * static_cast<double>(n) / sampleRate +
        static_cast<double>(c) * std::numbers::pi / 7.0;
    return static_cast<float>(0.5 * std::sin(phase));
}

float rampSample(std::uint64_t n, std::uint32_t c) {
    constexpr std::uint64_t kPeriod = 1000;
    const auto step = static_cast<double>((n + 131 * static_cast<std::uint64_t>(c)) % kPeriod);
    return static_cast<float>(-0.8 + 1.6 * step / static_cast<double>(kPeriod));
}

// xorshift64*: small, fast and identical on every compiler.
class NoiseGenerator {
public:
    explicit NoiseGenerator(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    float next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const std::uint64_t bits = (state_ * 0x2545F4914F6CDD1Dull) >> 40; // 24 bits
        return static_cast<float>(bits) / 16777216.0f - 0.5f;
    }

private:
    std::uint64_t state_;
};

} // namespace

InputSignal generateSignal(Waveform waveform, double frequencyHz, std::uint32_t seed, int channels,
                           double sampleRate, double seconds) {
    InputSignal signal;
    signal.channels = static_cast<std::uint32_t>(channels);
    signal.sampleRate = sampleRate;
    signal.frames = static_cast<std::uint64_t>(std::llround(seconds * sampleRate));
    signal.planar.assign(signal.channels, std::vector<float>(signal.frames));
    NoiseGenerator noise(seed);
    for (std::uint64_t n = 0; n < signal.frames; ++n) {
        for (std::uint32_t c = 0; c < signal.channels; ++c) {
            float x = 0.0f;
            switch (waveform) {
            case Waveform::Sine:
                x = sineSample(frequencyHz, sampleRate, n, c);
                break;
            case Waveform::Ramp:
                x = rampSample(n, c);
                break;
            case Waveform::Noise:
                x = noise.next();
                break;
            }
            signal.planar[c][static_cast<std::size_t>(n)] = x;
        }
    }
    return signal;
}

} // namespace quillwave::host
