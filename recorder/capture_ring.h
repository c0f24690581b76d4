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
    // What a stalled disk may hold up: the writer's budget, never used for pre-record.
    static constexpr std::uint64_t kSecondsHeld = 5;
    // The longest pre-record, held on top of the writer's budget where the size limit allows.
    static constexpr std::uint64_t kMaxPreRecordSeconds = 10;

    // The ring a take of this format records through: kSecondsHeld plus kMaxPreRecordSeconds
    // seconds of it, rounded up to a power of two, within [kMinSamples, kMaxSamples]. Sized for
    // the longest pre-record whatever the setting, so that raising it never needs a new ring.
    static constexpr std::uint64_t samplesFor(std::uint32_t channels, std::uint32_t rate) {
        const std::uint64_t wanted =
            std::uint64_t{channels} * rate * (kSecondsHeld + kMaxPreRecordSeconds);
        std::uint64_t samples = kMinSamples;
        while (samples < wanted && samples < kMaxSamples) {
            samples *= 2;
        }
        return samples;
    }

    // Samples of a ring of this size that pre-record may keep at this format: what lies beyond
    // the writer's budget, whole frames, at most kMaxPreRecordSeconds.
    static constexpr std::uint64_t preRecordLimit(std::uint64_t samples, std::uint32_t channels,
                                                  std::uint32_t rate) {
        const std::uint64_t second = std::uint64_t{channels} * rate;
        const std::uint64_t held = second * kSecondsHeld;
        const std::uint64_t beyond = samples > held ? samples - held : 0;
        const std::uint64_t limit = beyond < second * kMaxPreRecordSeconds
                                        ? beyond
                                        : second * kMaxPreRecordSeconds;
        return channels == 0 ? 0 : limit - limit % channels;
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

static_assert(CaptureRing::samplesFor(1, 44100) == CaptureRing::kMinSamples);
static_assert(CaptureRing::samplesFor(2, 48000) == std::uint64_t{1} << 21);
static_assert(CaptureRing::samplesFor(64, 96000) == CaptureRing::kMaxSamples);
static_assert(CaptureRing::preRecordLimit(std::uint64_t{1} << 21, 2, 48000) == 2 * 48000 * 10);
static_assert(CaptureRing::preRecordLimit(CaptureRing::kMaxSamples, 64, 384000) == 0);

} // namespace quillwave::plugins
