#include "recorder/recording_limits.h"
#include "recorder/wav_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillwave::plugins {
namespace {

std::vector<std::uint8_t> le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

std::vector<std::uint8_t> expectedHeader(std::uint16_t channels, std::uint32_t rate,
                                         std::uint32_t dataBytes, std::uint32_t byteRate,
                                         std::uint16_t blockAlign) {
    std::vector<std::uint8_t> h;
    auto text = [&](const char* s) {
        for (int i = 0; i < 4; ++i) {
            h.push_back(static_cast<std::uint8_t>(s[i]));
        }
    };
    auto u32 = [&](std::uint32_t v) {
        for (std::uint8_t b : le32(v)) {
            h.push_back(b);
        }
    };
    auto u16 = [&](std::uint16_t v) {
        h.push_back(static_cast<std::uint8_t>(v));
        h.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    text("RIFF");
    u32(dataBytes + 36);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(3);
    u16(channels);
    u32(rate);
    u32(byteRate);
    u16(blockAlign);
    u16(32);
    text("data");
    u32(dataBytes);
    return h;
}

std::vector<std::uint8_t> header(std::uint32_t channels, std::uint32_t rate, std::uint32_t data) {
    const auto a = makeWavHeader(channels, rate, data);
    return {a.begin(), a.end()};
}

TEST(WavHeader, BytesForOneThreeAndSixtyFourChannels) {
    EXPECT_EQ(header(1, 44100, 176400), expectedHeader(1, 44100, 176400, 176400, 4));
    EXPECT_EQ(header(3, 48000, 0), expectedHeader(3, 48000, 0, 576000, 12));
    EXPECT_EQ(header(64, 384000, 256), expectedHeader(64, 384000, 256, 98304000, 256));
    // One second of mono at 44.1 kHz.
    const auto h = header(1, 44100, 176400);
    EXPECT_EQ(h[4] | h[5] << 8 | h[6] << 16, 176436);
}

TEST(WavHeader, LargestDataChunkStillFitsTheRiffSize) {
    const auto h = header(2, 48000, static_cast<std::uint32_t>(kMaxDataBytes));
    EXPECT_EQ(h[4] & h[5] & h[6] & h[7], 0xFF);
    EXPECT_EQ(sampleLimit(2), 1073741814u);
    EXPECT_EQ(sampleLimit(1), 1073741814u);
    EXPECT_EQ(sampleLimit(3) % 3, 0u);
    EXPECT_LE(sampleLimit(64) * 4, kMaxDataBytes);
    EXPECT_GT((sampleLimit(64) + 64) * 4, kMaxDataBytes);
}

} // namespace
} // namespace quillwave::plugins
