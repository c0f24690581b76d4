#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace quillwave::test {

using Bytes = std::vector<std::byte>;

void appendLe16(Bytes& out, std::uint32_t value);
void appendLe24(Bytes& out, std::uint32_t value);
void appendLe32(Bytes& out, std::uint32_t value);

// A RIFF/WAVE file assembled chunk by chunk; sizes are declared exactly unless stated otherwise.
class WavBuilder {
public:
    WavBuilder();

    // id, payload size, payload, and the pad byte after an odd payload.
    WavBuilder& chunk(std::string_view id, std::span<const std::byte> payload);
    // A chunk header that declares `declaredSize` whatever follows it; no pad byte.
    WavBuilder& header(std::string_view id, std::uint32_t declaredSize);
    // Anything, verbatim.
    WavBuilder& raw(std::span<const std::byte> bytes);

    // The bytes with the RIFF size field filled in.
    Bytes bytes() const;

private:
    Bytes bytes_;
};

// A 16-byte "fmt " payload; block align defaults to channels * ceil(bits / 8).
Bytes formatPayload(std::uint16_t tag, std::uint16_t channels, std::uint32_t rateHz,
                    std::uint16_t bits, int blockAlign = -1);
// An extensible "fmt " payload of `size` bytes (40 for the full form) naming `subTag` in its GUID.
Bytes extensiblePayload(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rateHz,
                        std::uint16_t bits, std::size_t size = 40);

Bytes pcm16(std::initializer_list<std::int32_t> samples);
Bytes pcm24(std::initializer_list<std::int32_t> samples);
Bytes pcm32(std::initializer_list<std::int64_t> samples);
Bytes float32(std::initializer_list<float> samples);
Bytes float32(std::span<const float> samples);

// A complete file: "fmt " then "data".
Bytes wavFile(std::uint16_t tag, std::uint16_t channels, std::uint32_t rateHz, std::uint16_t bits,
              std::span<const std::byte> data);

} // namespace quillwave::test
