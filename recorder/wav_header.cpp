#include "recorder/wav_header.h"

#include <cstring>

namespace quillwave::plugins {
namespace {

class HeaderBuilder {
public:
    void text(const char* fourOrEight) {
        const std::size_t n = std::strlen(fourOrEight);
        std::memcpy(bytes_.data() + at_, fourOrEight, n);
        at_ += n;
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes_[at_++] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }
    void u16(std::uint32_t v) {
        bytes_[at_++] = static_cast<std::uint8_t>(v);
        bytes_[at_++] = static_cast<std::uint8_t>(v >> 8);
    }
    const std::array<std::uint8_t, kWavHeaderBytes>& bytes() const { return bytes_; }

private:
    std::array<std::uint8_t, kWavHeaderBytes> bytes_{};
    std::size_t at_ = 0;
};

} // namespace

std::array<std::uint8_t, kWavHeaderBytes>
makeWavHeader(std::uint32_t channels, std::uint32_t sampleRate, std::uint32_t dataBytes) {
    constexpr std::uint32_t kBytesPerSample = 4;
    constexpr std::uint32_t kFormatIeeeFloat = 3;
    HeaderBuilder h;
    h.text("RIFF");
    h.u32(dataBytes + 36);
    h.text("WAVEfmt ");
    h.u32(16);
    h.u16(kFormatIeeeFloat);
    h.u16(channels);
    h.u32(sampleRate);
    h.u32(channels * sampleRate * kBytesPerSample);
    h.u16(channels * kBytesPerSample);
    h.u16(8 * kBytesPerSample);
    h.text("data");
    h.u32(dataBytes);
    return h.bytes();
}

std::vector<std::uint8_t> makeTakeHeader(std::uint32_t channels, std::uint32_t sampleRate,
                                         std::uint32_t dataBytes,
                                         const std::optional<TakeTimeStamp>& stamp) {
    const auto plain = makeWavHeader(channels, sampleRate, dataBytes);
    if (!stamp) {
        return {plain.begin(), plain.end()};
    }
    constexpr std::size_t kFormType = 12; // "RIFF", its size, "WAVE"
    const auto bext = makeBextChunk(*stamp);
    std::vector<std::uint8_t> header(plain.begin(), plain.begin() + kFormType);
    header.insert(header.end(), bext.begin(), bext.end());
    header.insert(header.end(), plain.begin() + kFormType, plain.end());
    const std::uint32_t riffSize = dataBytes + 36 + static_cast<std::uint32_t>(kBextChunkBytes);
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    }
    return header;
}

void writeWavHeader(RecordingStream& stream, std::uint32_t channels, std::uint32_t sampleRate,
                    std::uint32_t dataBytes, const std::optional<TakeTimeStamp>& stamp) {
    const auto header = makeTakeHeader(channels, sampleRate, dataBytes, stamp);
    stream.seekToStart();
    stream.write(header.data(), 1, header.size());
}

} // namespace quillwave::plugins
