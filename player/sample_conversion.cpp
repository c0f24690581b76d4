#include "player/sample_conversion.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

namespace quillwave::plugins {
namespace {

// The loops load sample words with memcpy, which reads them little-endian only on such hosts.
static_assert(std::endian::native == std::endian::little,
              "sample loads assume a little-endian host");

constexpr float kScale16 = 1.0f / 32768.0f;
constexpr float kScale24 = 1.0f / 8388608.0f;
constexpr float kScale32 = 1.0f / 2147483648.0f;

constexpr std::uint32_t kExponentMask = 0x7F800000u;

// Small enough to stay in the first-level cache with its output.
constexpr std::size_t kStagedSamples = 2048;

// The loops take restrict pointers: callers guarantee separate buffers, which lets the compiler
// vectorize without run-time overlap checks.
void pcm16(const std::byte* __restrict in, float* __restrict out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t word;
        std::memcpy(&word, in + 2 * i, sizeof word);
        out[i] = static_cast<float>(word) * kScale16;
    }
}

void pcm24(const std::byte* __restrict in, float* __restrict out, std::size_t count) {
    if (count == 0) {
        return;
    }
    // Every sample but the last is loaded as a 32-bit word whose top byte belongs to the next
    // sample: shifting it out and back in arithmetically leaves the sign-extended 24-bit value.
    for (std::size_t i = 0; i + 1 < count; ++i) {
        std::uint32_t word;
        std::memcpy(&word, in + 3 * i, sizeof word);
        out[i] = static_cast<float>(static_cast<std::int32_t>(word << 8) >> 8) * kScale24;
    }
    const std::byte* last = in + 3 * (count - 1);
    const std::uint32_t word = std::to_integer<std::uint32_t>(last[0]) << 8 |
                               std::to_integer<std::uint32_t>(last[1]) << 16 |
                               std::to_integer<std::uint32_t>(last[2]) << 24;
    out[count - 1] = static_cast<float>(static_cast<std::int32_t>(word) >> 8) * kScale24;
}

void pcm32(const std::byte* __restrict in, float* __restrict out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t word;
        std::memcpy(&word, in + 4 * i, sizeof word);
        // The conversion rounds to nearest; scaling by a power of two is then exact.
        out[i] = static_cast<float>(word) * kScale32;
    }
}

void float32(const std::byte* __restrict in, float* __restrict out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, in + 4 * i, sizeof bits);
        // An all-ones exponent is an infinity or a NaN. Testing the bits rather than the float
        // keeps the loop a branch-free select that the compiler vectorizes.
        bits = (bits & kExponentMask) == kExponentMask ? 0u : bits;
        std::memcpy(out + i, &bits, sizeof bits);
    }
}

void convert(SampleEncoding encoding, const std::byte* in, float* out, std::size_t count) {
    switch (encoding) {
    case SampleEncoding::Pcm16:
        pcm16(in, out, count);
        break;
    case SampleEncoding::Pcm24:
        pcm24(in, out, count);
        break;
    case SampleEncoding::Pcm32:
        pcm32(in, out, count);
        break;
    case SampleEncoding::Float32:
        float32(in, out, count);
        break;
    }
}

// 32-bit words already sit where their floats go: widen each in place, one pointer, no copy.
void pcm32InPlace(float* data, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t word;
        std::memcpy(&word, data + i, sizeof word);
        data[i] = static_cast<float>(word) * kScale32;
    }
}

// Non-finite floats are rare: each block is only read unless it holds one, which saves writing
// the whole clip back to memory.
void float32InPlace(float* data, std::size_t count) {
    constexpr std::size_t kBlock = 256;
    for (std::size_t start = 0; start < count; start += kBlock) {
        const std::size_t n = std::min(kBlock, count - start);
        float* block = data + start;
        std::uint32_t nonFinite = 0;
        for (std::size_t i = 0; i < n; ++i) {
            std::uint32_t bits;
            std::memcpy(&bits, block + i, sizeof bits);
            nonFinite |= (bits & kExponentMask) == kExponentMask ? 1u : 0u;
        }
        if (nonFinite != 0) {
            for (std::size_t i = 0; i < n; ++i) {
                std::uint32_t bits;
                std::memcpy(&bits, block + i, sizeof bits);
                if ((bits & kExponentMask) == kExponentMask) {
                    block[i] = 0.0f;
                }
            }
        }
    }
}

} // namespace

void convertSamples(SampleEncoding encoding, std::span<const std::byte> src, std::span<float> dst) {
    assert(src.size() / bytesPerSample(encoding) >= dst.size());
    convert(encoding, src.data(), dst.data(), dst.size());
}

void convertSampleRangeInPlace(SampleEncoding encoding, std::span<float> samples,
                               std::size_t wordsOffset, std::size_t first, std::size_t count) {
    const std::size_t wordBytes = bytesPerSample(encoding);
    [[maybe_unused]] const std::size_t total = samples.size();
    assert(first <= total && count <= total - first);
    assert(wordsOffset >= (4 - wordBytes) * total);
    assert(wordsOffset + wordBytes * total <= 4 * total);
    float* const out = samples.data() + first;
    if (wordBytes == 4) {
        // The precondition leaves 32-bit words exactly under their floats.
        if (encoding == SampleEncoding::Float32) {
            float32InPlace(out, count);
        } else {
            pcm32InPlace(out, count);
        }
        return;
    }
    const auto* words =
        reinterpret_cast<const std::byte*>(samples.data()) + wordsOffset + wordBytes * first;

    // Each block of words is copied aside before its floats are written. The floats of samples
    // [0, i + n) end at byte 4(i + n), and the words not yet copied begin at
    // wordsOffset + wordBytes(i + n), which the precondition puts at or after that.
    alignas(16) std::byte staged[kStagedSamples * 4];
    for (std::size_t i = 0; i < count; i += kStagedSamples) {
        const std::size_t n = std::min(kStagedSamples, count - i);
        std::memcpy(staged, words + wordBytes * i, wordBytes * n);
        convert(encoding, staged, out + i, n);
    }
}

} // namespace quillwave::plugins
