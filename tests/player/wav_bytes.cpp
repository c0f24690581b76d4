#include "tests/player/wav_bytes.h"

#include <cstring>

namespace quillwave::test {

void appendLe16(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 2; ++i) {
        out.push_back(static_cast<std::byte>(value >> (8 * i)));
    }
}

void appendLe24(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 3; ++i) {
        out.push_back(static_cast<std::byte>(value >> (8 * i)));
    }
}

void appendLe32(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::byte>(value >> (8 * i)));
    }
}

namespace {

void appendId(Bytes& out, std::string_view id) {
    for (std::size_t i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::byte>(i < id.size() ? id[i] : ' '));
    }
}

} // namespace

WavBuilder::WavBuilder() {
    appendId(bytes_, "RIFF");
    appendLe32(bytes_, 0);
    appendId(bytes_, "WAVE");
}

WavBuilder& WavBuilder::chunk(std::string_view id, std::span<const std::byte> payload) {
    header(id, static_cast<std::uint32_t>(payload.size()));
    raw(payload);
    if (payload.size() % 2 != 0) {
        bytes_.push_back(std::byte{0});
    }
    return *this;
}

WavBuilder& WavBuilder::header(std::string_view id, std::uint32_t declaredSize) {
    appendId(bytes_, id);
    appendLe32(bytes_, declaredSize);
    return *this;
}

WavBuilder& WavBuilder::raw(std::span<const std::byte> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes WavBuilder::bytes() const {
    Bytes out = bytes_;
    const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = static_cast<std::byte>(riffSize >> (8 * i));
    }
    return out;
}

Bytes formatPayload(std::uint16_t tag, std::uint16_t channels, std::uint32_t rateHz,
                    std::uint16_t bits, int blockAlign) {
    const std::uint32_t align =
        blockAlign >= 0 ? static_cast<std::uint32_t>(blockAlign) : channels * ((bits + 7u) / 8u);
    Bytes out;
    appendLe16(out, tag);
    appendLe16(out, channels);
    appendLe32(out, rateHz);
    appendLe32(out, rateHz * align);
    appendLe16(out, align);
    appendLe16(out, bits);
    return out;
}

Bytes extensiblePayload(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rateHz,
                        std::uint16_t bits, std::size_t size) {
    Bytes out = formatPayload(0xFFFE, channels, rateHz, bits);
    appendLe16(out, 22);   // extension size
    appendLe16(out, bits); // valid bits
    appendLe32(out, 0x3);  // channel mask
    appendLe16(out, subTag);
    // The rest of the KSDATAFORMAT GUID.
    const unsigned char guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    for (unsigned char b : guidTail) {
        out.push_back(static_cast<std::byte>(b));
    }
    out.resize(size);
    return out;
}

Bytes pcm16(std::initializer_list<std::int32_t> samples) {
    Bytes out;
    for (std::int32_t s : samples) {
        appendLe16(out, static_cast<std::uint32_t>(s));
    }
    return out;
}

Bytes pcm24(std::initializer_list<std::int32_t> samples) {
    Bytes out;
    for (std::int32_t s : samples) {
        appendLe24(out, static_cast<std::uint32_t>(s));
    }
    return out;
}

Bytes pcm32(std::initializer_list<std::int64_t> samples) {
    Bytes out;
    for (std::int64_t s : samples) {
        appendLe32(out, static_cast<std::uint32_t>(s));
    }
    return out;
}

Bytes float32(std::initializer_list<float> samples) {
    return float32(std::span<const float>(samples.begin(), samples.size()));
}

Bytes float32(std::span<const float> samples) {
    Bytes out;
    for (float s : samples) {
        std::uint32_t bits;
        std::memcpy(&bits, &s, sizeof bits);
        appendLe32(out, bits);
    }
    return out;
}

Bytes wavFile(std::uint16_t tag, std::uint16_t channels, std::uint32_t rateHz, std::uint16_t bits,
              std::span<const std::byte> data) {
    return WavBuilder()
        .chunk("fmt ", formatPayload(tag, channels, rateHz, bits))
        .chunk("data", data)
        .bytes();
}

} // namespace quillwave::test
