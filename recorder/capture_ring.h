#pragma once

#include <cstdint>
#include <memory>

namespace quillwave::plugins {

// The sample storage of the recorder's capture ring: a power of two of 32-bit floats, zeroed, its
// pages committed before the audio thread first writes them. Its size never changes; a recorder
// replaces the whole ring when a take of another format needs another size.
class CaptureRing {
public:
    static constexpr std::uint64_t kMinSamples = std::uint64_t{1} << 20; // 4 MiB
    static constexpr std::uint64_t kMaxSamples = std::uint64_t{1} << 26; // 256 MiB
    static constexpr std::uint64_t kSecondsHeld = 5;

    // The ring a take of this format records through: at least kSecondsHeld seconds of it,
    // rounded up to a power of two, within [kMinSamples, kMaxSamples].
    static constexpr std::uint64_t samplesFor(std::uint32_t channels, std::uint32_t rate) {
        const std::uint64_t wanted = std::uint64_t{channels} * rate * kSecondsHeld;
        std::uint64_t samples = kMinSamples;
        while (samples < wanted && samples < kMaxSamples) {
            samples *= 2;
        }
        return samples;
    }

    // A zeroed ring of samples slots (a power of two), or null when the memory is not available.
    static std::unique_ptr<CaptureRing> allocate(std::uint64_t samples) noexcept;

    float* data() const noexcept { return data_; }
    std::uint64_t samples() const noexcept { return samples_; }
    std::uint64_t mask() const noexcept { return samples_ - 1; }

    CaptureRing(const CaptureRing&) = delete;
    CaptureRing& operator=(const CaptureRing&) = delete;

private:
    CaptureRing(std::unique_ptr<float[]> storage, float* data, std::uint64_t samples)
        : storage_(std::move(storage)), data_(data), samples_(samples) {}

    std::unique_ptr<float[]> storage_;
    float* data_;
    std::uint64_t samples_;
};

static_assert(CaptureRing::samplesFor(2, 48000) == CaptureRing::kMinSamples);
static_assert(CaptureRing::samplesFor(64, 96000) == std::uint64_t{1} << 25);
static_assert(CaptureRing::samplesFor(64, 384000) == CaptureRing::kMaxSamples);

} // namespace quillwave::plugins
