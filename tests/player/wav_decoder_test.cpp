// The chunk walk, the format checks and the sample conversions, fed from memory.
#include "player/byte_source.h"
#include "player/wav_decoder.h"
#include "player/wav_reader.h"
#include "support/heap_probe.h"
#include "tests/player/sample_values.h"
#include "tests/player/wav_bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

namespace quillwave::plugins {
namespace {

using test::Bytes;
using test::WavBuilder;

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;

AudioClip decode(const Bytes& bytes, std::uint64_t limit = kPreloadLimitBytes) {
    MemoryByteSource source(bytes);
    return decodeWav(source, limit);
}

// The refusal message, or "accepted".
std::string outcome(const Bytes& bytes, std::uint64_t limit = kPreloadLimitBytes) {
    try {
        decode(bytes, limit);
        return "accepted";
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

Bytes fmtChunkFile(const Bytes& format, const Bytes& data) {
    return WavBuilder().chunk("fmt ", format).chunk("data", data).bytes();
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

float bitsToFloat(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// --- Sample values ------------------------------------------------------------------------------

TEST(WavDecoderValues, Pcm16FullScaleIsHalfOpen) {
    const AudioClip clip =
        decode(test::wavFile(kPcm, 1, 44100, 16, test::pcm16({-32768, 32767, 0, 1, -1})));
    EXPECT_EQ(clip.channels, 1u);
    EXPECT_EQ(clip.sampleRateHz, 44100u);
    ASSERT_EQ(clip.samples.size(), 5u);
    EXPECT_EQ(clip.samples[0], -1.0f);
    EXPECT_EQ(clip.samples[1], 32767.0f / 32768.0f);
    EXPECT_EQ(clip.samples[2], 0.0f);
    EXPECT_EQ(clip.samples[3], 1.0f / 32768.0f);
    EXPECT_EQ(clip.samples[4], -1.0f / 32768.0f);
}

TEST(WavDecoderValues, Pcm24TakesItsSignFromBit23) {
    const AudioClip clip = decode(test::wavFile(
        kPcm, 1, 48000, 24, test::pcm24({0x800000, 0x7FFFFF, 0xFFFFFF, 0x000001, 0x400000})));
    ASSERT_EQ(clip.samples.size(), 5u);
    EXPECT_EQ(clip.samples[0], -1.0f);
    EXPECT_EQ(clip.samples[1], 8388607.0f / 8388608.0f);
    EXPECT_EQ(clip.samples[2], -1.0f / 8388608.0f);
    EXPECT_EQ(clip.samples[3], 1.0f / 8388608.0f);
    // The last sample is loaded without reading past the payload.
    EXPECT_EQ(clip.samples[4], 0.5f);
}

TEST(WavDecoderValues, Pcm32RoundsToFloatBeforeScaling) {
    const AudioClip clip = decode(test::wavFile(
        kPcm, 1, 96000, 32,
        test::pcm32({0x7FFFFFFF, -2147483648LL, 1, 2147483647 - 64, 2147483647 - 62, 0x40000000})));
    ASSERT_EQ(clip.samples.size(), 6u);
    EXPECT_EQ(clip.samples[0], 1.0f);
    EXPECT_EQ(clip.samples[1], -1.0f);
    EXPECT_EQ(clip.samples[2], std::ldexp(1.0f, -31));
    // 2^31 - 65 lies nearer to 2^31 - 128 (the float below 2^31) than to 2^31.
    EXPECT_EQ(clip.samples[3], 1.0f - std::ldexp(1.0f, -24));
    EXPECT_EQ(clip.samples[4], 1.0f);
    EXPECT_EQ(clip.samples[5], 0.5f);
}

TEST(WavDecoderValues, FloatIsKeptExceptNonFiniteValues) {
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float big = std::numeric_limits<float>::max();
    const Bytes data = concat(test::float32({0.25f, -0.0f, tiny, -big, 1.5f}),
                              concat(test::pcm32({0x7F800000, 0xFF800000, 0x7FC00000}),
                                     test::pcm32({0x7F800001, 0xFFFFFFFF})));
    const AudioClip clip = decode(test::wavFile(kFloat, 1, 8000, 32, data));
    ASSERT_EQ(clip.samples.size(), 10u);
    EXPECT_EQ(clip.samples[0], 0.25f);
    EXPECT_TRUE(std::signbit(clip.samples[1]));
    EXPECT_EQ(clip.samples[2], tiny);
    EXPECT_EQ(clip.samples[3], -big);
    EXPECT_EQ(clip.samples[4], 1.5f); // beyond full scale: no clipping
    for (std::size_t i = 5; i < 10; ++i) {
        EXPECT_EQ(clip.samples[i], 0.0f) << "sample " << i;
    }
}

// Mono payloads of each encoding (16-, 24-, 32-bit PCM, float) decode to the expected values.
void expectMonoDecodes(const std::array<Bytes, 4>& payloads,
                       const std::array<std::vector<float>, 4>& expected, std::size_t count) {
    constexpr std::uint16_t kTags[] = {kPcm, kPcm, kPcm, kFloat};
    constexpr std::uint16_t kBits[] = {16, 24, 32, 32};
    for (std::size_t e = 0; e < payloads.size(); ++e) {
        EXPECT_EQ(
            test::values(decode(test::wavFile(kTags[e], 1, 44100, kBits[e], payloads[e])).samples),
            expected[e])
            << kBits[e] << "-bit " << (kTags[e] == kFloat ? "float" : "PCM") << ", " << count
            << " samples";
    }
}

// Long enough for vectorized loops and their remainders; compared with a direct formula.
TEST(WavDecoderValues, EveryEncodingMatchesItsFormulaOverManyLengths) {
    for (std::size_t count = 1; count <= 67; ++count) {
        Bytes d16, d24, d32, dfl;
        std::vector<float> e16, e24, e32, efl;
        for (std::size_t i = 0; i < count; ++i) {
            const auto k = static_cast<std::int64_t>(i * 2654435761u % 65536) - 32768;
            test::appendLe16(d16, static_cast<std::uint32_t>(k));
            e16.push_back(static_cast<float>(static_cast<double>(k) / 32768.0));
            const std::int64_t k24 = k * 256 + static_cast<std::int64_t>(i % 256);
            test::appendLe24(d24, static_cast<std::uint32_t>(k24));
            e24.push_back(static_cast<float>(static_cast<double>(k24) / 8388608.0));
            const std::int64_t k32 = k24 * 256 + static_cast<std::int64_t>(i * 7 % 256);
            test::appendLe32(d32, static_cast<std::uint32_t>(k32));
            e32.push_back(static_cast<float>(k32) * std::ldexp(1.0f, -31));
            const float f = static_cast<float>(k) / 1000.0f;
            const Bytes one = test::float32({i % 5 == 3 ? bitsToFloat(0x7FC00001) : f});
            dfl.insert(dfl.end(), one.begin(), one.end());
            efl.push_back(i % 5 == 3 ? 0.0f : f);
        }
        expectMonoDecodes({d16, d24, d32, dfl}, {e16, e24, e32, efl}, count);
    }
}

// Long payloads are read in pieces and widened in place in blocks; neither piece nor block edges
// may lose or overwrite words.
TEST(WavDecoderValues, LongPayloadsSurviveTheInPlaceWidening) {
    for (std::size_t count : {2047u, 2048u, 2049u, 4099u, 20011u, 65535u, 65537u, 140001u}) {
        Bytes d16, d24, d32, dfl;
        std::vector<float> e16, e24, e32, efl;
        for (std::size_t i = 0; i < count; ++i) {
            const auto k = static_cast<std::int32_t>(i * 40503u % 65536) - 32768;
            test::appendLe16(d16, static_cast<std::uint32_t>(k));
            e16.push_back(static_cast<float>(k) / 32768.0f);
            test::appendLe24(d24, static_cast<std::uint32_t>(k * 256 + 255));
            e24.push_back(static_cast<float>(k * 256 + 255) / 8388608.0f);
            test::appendLe32(d32, static_cast<std::uint32_t>(k * 65536));
            e32.push_back(static_cast<float>(k) / 32768.0f);
            const bool poisoned = i % 997 == 5;
            const Bytes one = test::float32({poisoned ? bitsToFloat(0xFF800000) : k / 7.0f});
            dfl.insert(dfl.end(), one.begin(), one.end());
            efl.push_back(poisoned ? 0.0f : k / 7.0f);
        }
        expectMonoDecodes({d16, d24, d32, dfl}, {e16, e24, e32, efl}, count);
    }
}

TEST(WavDecoderValues, FramesStayInterleaved) {
    const AudioClip clip =
        decode(test::wavFile(kPcm, 3, 22050, 16, test::pcm16({1, 2, 3, 4, 5, 6})));
    EXPECT_EQ(clip.channels, 3u);
    EXPECT_EQ(clip.frameCount(), 2u);
    const std::vector<float> expected{1, 2, 3, 4, 5, 6};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(clip.samples[i], expected[i] / 32768.0f);
    }
}

// --- Accepted layouts ---------------------------------------------------------------------------

TEST(WavDecoderLayout, ExtensibleTakesItsTagFromTheSubFormat) {
    struct Case {
        std::uint16_t subTag;
        std::uint16_t bits;
        Bytes data;
    };
    const Case cases[] = {{kPcm, 16, test::pcm16({-32768, 0})},
                          {kPcm, 24, test::pcm24({0x800000, 0})},
                          {kPcm, 32, test::pcm32({-2147483648LL, 0})},
                          {kFloat, 32, test::float32({-1.0f, 0.0f})}};
    for (const Case& c : cases) {
        const AudioClip clip =
            decode(fmtChunkFile(test::extensiblePayload(c.subTag, 2, 48000, c.bits), c.data));
        EXPECT_EQ(clip.channels, 2u) << c.bits;
        EXPECT_EQ(test::values(clip.samples), (std::vector<float>{-1.0f, 0.0f})) << c.bits;
    }
    // Longer extensible payloads (and odd ones, with their pad byte) are fine too.
    EXPECT_EQ(
        outcome(fmtChunkFile(test::extensiblePayload(kPcm, 1, 48000, 16, 41), test::pcm16({1}))),
        "accepted");
}

TEST(WavDecoderLayout, FormatWithoutDataIsAnEmptyClip) {
    const AudioClip clip =
        decode(WavBuilder().chunk("fmt ", test::formatPayload(kFloat, 2, 48000, 32)).bytes());
    EXPECT_EQ(clip.channels, 2u);
    EXPECT_EQ(clip.sampleRateHz, 48000u);
    EXPECT_TRUE(clip.samples.empty());
}

TEST(WavDecoderLayout, LaterChunksReplaceEarlierOnes) {
    const Bytes bytes = WavBuilder()
                            .chunk("data", test::pcm32({1, 2, 3, 4}))
                            .chunk("fmt ", test::formatPayload(kPcm, 1, 8000, 16))
                            .chunk("fmt ", test::formatPayload(kPcm, 2, 16000, 16))
                            .chunk("data", test::pcm16({32767, -32768}))
                            .bytes();
    const AudioClip clip = decode(bytes);
    EXPECT_EQ(clip.channels, 2u);
    EXPECT_EQ(clip.sampleRateHz, 16000u);
    EXPECT_EQ(test::values(clip.samples), (std::vector<float>{32767.0f / 32768.0f, -1.0f}));
}

TEST(WavDecoderLayout, OddChunksAreFollowedByTheirPadByte) {
    const Bytes odd{std::byte{'a'}, std::byte{'b'}, std::byte{'c'}};
    const Bytes bytes = WavBuilder()
                            .chunk("LIST", odd)
                            .chunk("fmt ", test::formatPayload(kPcm, 1, 44100, 24))
                            .chunk("data", test::pcm24({0x400000})) // 3 bytes, padded
                            .chunk("junk", odd)
                            .bytes();
    EXPECT_EQ(test::values(decode(bytes).samples), std::vector<float>{0.5f});

    // An odd last chunk without its pad byte ends the walk cleanly.
    Bytes unpadded = WavBuilder()
                         .chunk("fmt ", test::formatPayload(kPcm, 1, 44100, 24))
                         .chunk("data", test::pcm24({0x400000}))
                         .bytes();
    unpadded.pop_back();
    EXPECT_EQ(test::values(decode(unpadded).samples), std::vector<float>{0.5f});
}

TEST(WavDecoderLayout, ChunkEndingExactlyAtTheEndIsAccepted) {
    const Bytes exact = WavBuilder()
                            .chunk("fmt ", test::formatPayload(kPcm, 1, 44100, 16))
                            .header("data", 4)
                            .raw(test::pcm16({1, 2}))
                            .bytes();
    EXPECT_EQ(outcome(exact), "accepted");
    const Bytes oneMore = WavBuilder()
                              .chunk("fmt ", test::formatPayload(kPcm, 1, 44100, 16))
                              .header("data", 5)
                              .raw(test::pcm16({1, 2}))
                              .bytes();
    EXPECT_EQ(outcome(oneMore), "Truncated WAV chunk");
}

TEST(WavDecoderLayout, TrailingBytesShorterThanAChunkHeaderAreIgnored) {
    for (std::size_t extra = 1; extra < 8; ++extra) {
        Bytes bytes = test::wavFile(kPcm, 1, 44100, 16, test::pcm16({7, 8}));
        bytes.resize(bytes.size() + extra, std::byte{0xFF});
        EXPECT_EQ(decode(bytes).samples.size(), 2u) << extra;
    }
}

TEST(WavDecoderLayout, RangeEndsAreAccepted) {
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 8000, 16, {})), "accepted");
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 384000, 16, {})), "accepted");
    EXPECT_EQ(decode(test::wavFile(kFloat, 64, 48000, 32, Bytes(64 * 4))).channels, 64u);
}

// --- Refusals -----------------------------------------------------------------------------------

TEST(WavDecoderRefusal, HeaderMustBeRiffWave) {
    const Bytes good = test::wavFile(kPcm, 1, 44100, 16, test::pcm16({0}));
    EXPECT_EQ(outcome({}), "Only RIFF WAV supported");
    EXPECT_EQ(outcome(Bytes(good.begin(), good.begin() + 11)), "Only RIFF WAV supported");
    Bytes rifx = good;
    rifx[3] = std::byte{'X'};
    EXPECT_EQ(outcome(rifx), "Only RIFF WAV supported");
    Bytes wavf = good;
    wavf[11] = std::byte{'F'};
    EXPECT_EQ(outcome(wavf), "Only RIFF WAV supported");
}

TEST(WavDecoderRefusal, FilesShorterThanOneChunkHeaderHaveNoFormat) {
    const Bytes good = WavBuilder().chunk("fmt ", test::formatPayload(kPcm, 1, 44100, 16)).bytes();
    for (std::size_t size = 12; size < 20; ++size) {
        EXPECT_EQ(outcome(Bytes(good.begin(), good.begin() + static_cast<long>(size))),
                  "Unsupported WAV encoding/layout")
            << size;
    }
}

TEST(WavDecoderRefusal, FormatChunkSizeIsBounded) {
    Bytes format = test::formatPayload(kPcm, 1, 44100, 16);
    format.pop_back();
    EXPECT_EQ(outcome(fmtChunkFile(format, {})), "Invalid WAV format");
    format = test::formatPayload(kPcm, 1, 44100, 16);
    format.resize(4097);
    EXPECT_EQ(outcome(fmtChunkFile(format, {})), "Invalid WAV format");
    format.resize(4096);
    EXPECT_EQ(outcome(fmtChunkFile(format, test::pcm16({1}))), "accepted");
}

TEST(WavDecoderRefusal, ExtensibleNeedsItsSubFormat) {
    for (std::size_t size : {16u, 18u, 39u}) {
        EXPECT_EQ(outcome(fmtChunkFile(test::extensiblePayload(kPcm, 1, 44100, 16, size), {})),
                  "Invalid extensible WAV")
            << size;
    }
    EXPECT_EQ(outcome(fmtChunkFile(test::extensiblePayload(kPcm, 1, 44100, 8), test::pcm16({0}))),
              "Unsupported WAV encoding/layout");
    EXPECT_EQ(outcome(fmtChunkFile(test::extensiblePayload(kFloat, 1, 44100, 64), Bytes(8))),
              "Unsupported WAV encoding/layout");
    EXPECT_EQ(outcome(fmtChunkFile(test::extensiblePayload(2, 1, 44100, 16), test::pcm16({0}))),
              "Unsupported WAV encoding/layout");
    // The extensible tag itself is not a sub-format.
    EXPECT_EQ(
        outcome(fmtChunkFile(test::extensiblePayload(kExtensible, 1, 44100, 16), test::pcm16({0}))),
        "Unsupported WAV encoding/layout");
}

TEST(WavDecoderRefusal, UnsupportedEncodings) {
    const std::string unsupported = "Unsupported WAV encoding/layout";
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 8, Bytes(2))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 40, Bytes(10))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 12, Bytes(4))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kFloat, 1, 44100, 64, Bytes(16))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kFloat, 1, 44100, 16, Bytes(4))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(2, 1, 44100, 16, Bytes(4))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(0, 1, 44100, 16, Bytes(4))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 0, {})), unsupported);
}

TEST(WavDecoderRefusal, ChannelsAndRateOutOfRange) {
    const std::string unsupported = "Unsupported WAV encoding/layout";
    EXPECT_EQ(outcome(test::wavFile(kPcm, 65, 44100, 16, Bytes(130))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 0, 44100, 16, {})), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 7999, 16, Bytes(2))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 384001, 16, Bytes(2))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 0, 16, Bytes(2))), unsupported);
}

TEST(WavDecoderRefusal, BlockAlignMustMatchAndDataMustBeWholeFrames) {
    const std::string unsupported = "Unsupported WAV encoding/layout";
    EXPECT_EQ(outcome(fmtChunkFile(test::formatPayload(kPcm, 2, 44100, 16, 2), Bytes(8))),
              unsupported);
    EXPECT_EQ(outcome(fmtChunkFile(test::formatPayload(kPcm, 2, 44100, 16, 8), Bytes(8))),
              unsupported);
    EXPECT_EQ(outcome(fmtChunkFile(test::formatPayload(kPcm, 1, 44100, 16, 0), Bytes(8))),
              unsupported);
    // 24-bit stereo: frames of 6 bytes; 8 bytes are one frame and a part.
    EXPECT_EQ(outcome(test::wavFile(kPcm, 2, 44100, 24, Bytes(8))), unsupported);
    EXPECT_EQ(outcome(test::wavFile(kPcm, 2, 44100, 24, Bytes(12))), "accepted");
    EXPECT_EQ(outcome(test::wavFile(kPcm, 2, 44100, 16, Bytes(3))), unsupported);
}

TEST(WavDecoderRefusal, NoFormatChunk) {
    EXPECT_EQ(outcome(WavBuilder().chunk("data", test::pcm16({1, 2})).bytes()),
              "Unsupported WAV encoding/layout");
    EXPECT_EQ(outcome(WavBuilder().bytes()), "Unsupported WAV encoding/layout");
}

TEST(WavDecoderRefusal, PreloadLimits) {
    // Float: data and decoded sizes are equal, so the data limit decides.
    EXPECT_EQ(outcome(test::wavFile(kFloat, 1, 44100, 32, Bytes(64)), 64), "accepted");
    EXPECT_EQ(outcome(test::wavFile(kFloat, 1, 44100, 32, Bytes(68)), 64),
              "WAV exceeds preload limit");
    // 16-bit: 64 bytes are 32 samples, 128 bytes decoded.
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 16, Bytes(32)), 64), "accepted");
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 16, Bytes(34)), 64),
              "Decoded WAV exceeds preload limit");
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 24, Bytes(48)), 64), "accepted");
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 24, Bytes(51)), 64),
              "Decoded WAV exceeds preload limit");
    // A limit that is no multiple of 4 admits only whole samples below it.
    EXPECT_EQ(outcome(test::wavFile(kFloat, 1, 44100, 32, Bytes(8)), 11), "accepted");
    EXPECT_EQ(outcome(test::wavFile(kPcm, 1, 44100, 16, Bytes(6)), 11),
              "Decoded WAV exceeds preload limit");
    // A data chunk over the limit is refused even when a later one would fit.
    const Bytes twoData = WavBuilder()
                              .chunk("fmt ", test::formatPayload(kFloat, 1, 44100, 32))
                              .chunk("data", Bytes(128))
                              .chunk("data", Bytes(4))
                              .bytes();
    EXPECT_EQ(outcome(twoData, 64), "WAV exceeds preload limit");
}

// --- Hostile sizes ------------------------------------------------------------------------------

TEST(WavDecoderHostile, ChunkSizesNearTwoToThe32AllocateNothingLarge) {
    const Bytes format = test::formatPayload(kPcm, 1, 44100, 16);
    for (std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF8u, 0x80000000u, 0x7FFFFFFFu}) {
        for (const char* id : {"fmt ", "data", "LIST"}) {
            const Bytes bytes =
                WavBuilder().chunk("fmt ", format).header(id, size).raw(Bytes(64)).bytes();
            test::resetLargestAllocation();
            EXPECT_EQ(outcome(bytes), "Truncated WAV chunk") << id << ' ' << size;
            EXPECT_LT(test::largestAllocation(), 8192u) << id << ' ' << size;
        }
    }
}

TEST(WavDecoderHostile, DataAllocationIsBoundedByTheLimitAndTheFile) {
    // A data chunk that claims most of a large file but sits in a small limit.
    Bytes bytes = WavBuilder()
                      .chunk("fmt ", test::formatPayload(kFloat, 1, 44100, 32))
                      .chunk("data", Bytes(1 << 20))
                      .bytes();
    test::resetLargestAllocation();
    EXPECT_EQ(outcome(bytes, 4096), "WAV exceeds preload limit");
    EXPECT_LT(test::largestAllocation(), 8192u);
}

TEST(WavDecoderHostile, EndingInsideAnyHeaderNeverReadsPastTheEnd) {
    // Every prefix of a valid file decodes or is refused with one of the messages; the in-memory
    // source refuses to read past its end, and the sanitizer builds watch the rest.
    const Bytes whole = WavBuilder()
                            .chunk("LIST", Bytes(5))
                            .chunk("fmt ", test::extensiblePayload(kPcm, 2, 44100, 24))
                            .chunk("data", test::pcm24({1, 2, 3, 4}))
                            .bytes();
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(size));
        const std::string result = outcome(prefix);
        if (size < 12) {
            EXPECT_EQ(result, "Only RIFF WAV supported") << size;
        } else if (size == whole.size()) {
            EXPECT_EQ(result, "accepted");
        } else if (result == "accepted") {
            // Cut inside the data chunk's header: the format alone, no samples.
            EXPECT_TRUE(decode(prefix).samples.empty()) << size;
        } else {
            EXPECT_TRUE(result == "Truncated WAV chunk" ||
                        result == "Unsupported WAV encoding/layout")
                << size << ": " << result;
        }
    }
}

// A source whose storage reports more bytes than it can deliver: the file shrank after its size
// was taken, or the device failed.
class ShrunkSource final : public ByteSource {
public:
    ShrunkSource(Bytes bytes, std::uint64_t claimedSize)
        : bytes_(std::move(bytes)), claimed_(claimedSize) {}
    std::size_t read(std::span<std::byte> dst) override { return inner_.read(dst); }
    bool seek(std::uint64_t offset) override { return inner_.seek(offset); }
    std::uint64_t size() override { return claimed_; }

private:
    Bytes bytes_;
    std::uint64_t claimed_;
    MemoryByteSource inner_{bytes_};
};

std::string outcome(ByteSource& source) {
    try {
        decodeWav(source, kPreloadLimitBytes);
        return "accepted";
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

TEST(WavDecoderHostile, ShortPayloadReadsKeepOnlyWhatArrived) {
    // The data chunk declares 8 bytes but only 4 arrive: two whole frames of what was read.
    Bytes bytes = WavBuilder()
                      .chunk("fmt ", test::formatPayload(kPcm, 1, 44100, 16))
                      .header("data", 8)
                      .raw(test::pcm16({-32768, 16384}))
                      .bytes();
    ShrunkSource whole(bytes, bytes.size() + 4);
    EXPECT_EQ(test::values(decodeWav(whole, kPreloadLimitBytes).samples),
              (std::vector<float>{-1.0f, 0.5f}));

    // The same for 24-bit words, which are moved to their new place before widening.
    const Bytes wide = WavBuilder()
                           .chunk("fmt ", test::formatPayload(kPcm, 1, 44100, 24))
                           .header("data", 12)
                           .raw(test::pcm24({0x400000, 0x800000}))
                           .bytes();
    ShrunkSource wideWhole(wide, wide.size() + 6);
    EXPECT_EQ(test::values(decodeWav(wideWhole, kPreloadLimitBytes).samples),
              (std::vector<float>{0.5f, -1.0f}));

    // The payload runs out two pieces into a long read: every sample that arrived is kept, in
    // order, and nothing after it.
    constexpr std::uint32_t kDeclaredFrames = 100000;
    constexpr std::uint32_t kArrivedFrames = 70001;
    Bytes payload;
    std::vector<float> expected;
    for (std::uint32_t i = 0; i < 2 * kArrivedFrames; ++i) {
        const std::uint32_t word = (i * 2654435761u) >> 8;
        test::appendLe24(payload, word);
        expected.push_back(static_cast<float>(static_cast<std::int32_t>(word << 8) >> 8) /
                           8388608.0f);
    }
    const Bytes longWide = WavBuilder()
                               .chunk("fmt ", test::formatPayload(kPcm, 2, 44100, 24))
                               .header("data", 6 * kDeclaredFrames)
                               .raw(payload)
                               .bytes();
    ShrunkSource longWhole(longWide, longWide.size() + 6 * (kDeclaredFrames - kArrivedFrames));
    const AudioClip longClip = decodeWav(longWhole, kPreloadLimitBytes);
    EXPECT_EQ(longClip.frameCount(), kArrivedFrames);
    EXPECT_EQ(test::values(longClip.samples), expected);

    // Three bytes arrive: a partial frame is refused, never padded with invented samples.
    bytes.pop_back();
    ShrunkSource partial(bytes, bytes.size() + 5);
    EXPECT_EQ(outcome(partial), "Unsupported WAV encoding/layout");

    // A format chunk cut short reads as zeros where nothing arrived: no sample size.
    const Bytes format = test::formatPayload(kPcm, 1, 44100, 16);
    const Bytes cut = WavBuilder().header("fmt ", 16).raw(std::span(format).first(10)).bytes();
    ShrunkSource shortFormat(cut, cut.size() + 6);
    EXPECT_EQ(outcome(shortFormat), "Unsupported WAV encoding/layout");
}

TEST(WavDecoderHostile, SizeQueryErrorsPropagate) {
    class FailingSize final : public ByteSource {
    public:
        std::size_t read(std::span<std::byte> dst) override { return inner_.read(dst); }
        bool seek(std::uint64_t offset) override { return inner_.seek(offset); }
        std::uint64_t size() override { throw std::logic_error("size unknown"); }

    private:
        Bytes bytes_ = test::wavFile(kPcm, 1, 44100, 16, test::pcm16({1}));
        MemoryByteSource inner_{bytes_};
    } source;
    EXPECT_THROW(decodeWav(source, kPreloadLimitBytes), std::logic_error);
}

} // namespace
} // namespace quillwave::plugins
