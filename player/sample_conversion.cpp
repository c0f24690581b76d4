#include "player/sample_conversion.h"

#include <bit>
#include <cassert>
#include <cstdint>
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

} // namespace

void convertPcm16(std::span<const std::byte> src, std::span<float> dst) {
    assert(src.size() / 2 >= dst.size());
    const std::byte* in = src.data();
    float* out = dst.data();
    const std::size_t count = dst.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t word;
        std::memcpy(&word, in + 2 * i, sizeof word);
        out[i] = static_cast<float>(word) * kScale16;
    }
}

void convertPcm24(std::span<const std::byte> src, std::span<float> dst) {
    assert(src.size() / 3 >= dst.size());
    const std::byte* in = src.data();
    float* out = dst.data();
    const std::size_t count = dst.size();
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

void convertPcm32(std::span<const std::byte> src, std::span<float> dst) {
    assert(src.size() / 4 >= dst.size());
    const std::byte* in = src.data();
    float* out = dst.data();
    const std::size_t count = dst.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t word;
        std::memcpy(&word, in + 4 * i, sizeof word);
        // The conversion rounds to nearest; scaling by a power of two is then exact.
        out[i] = static_cast<float>(word) * kScale32;
    }
}

void convertFloat32(std::span<const std::byte> src, std::span<float> dst) {
    assert(src.size() / 4 >= dst.size());
    const std::byte* in = src.data();
    float* out = dst.data();
    const std::size_t count = dst.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, in + 4 * i, sizeof bits);
        // An all-ones exponent is an infinity or a NaN. Testing the bits rather than the float
        // keeps the loop a branch-free select that the compiler vectorizes.
        bits = (bits & kExponentMask) == kExponentMask ? 0u : bits;
        std::memcpy(out + i, &bits, sizeof bits);
    }
}

} // namespace quillwave::plugins
