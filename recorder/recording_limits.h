#pragma once

#include <cstdint>

namespace quillwave::plugins {

inline constexpr std::uint32_t kMinRecordingChannels = 1;
inline constexpr std::uint32_t kMaxRecordingChannels = 64;
inline constexpr std::uint32_t kMinRecordingRate = 8000;
inline constexpr std::uint32_t kMaxRecordingRate = 384000;

// The largest data chunk after a header of headerBytes: the RIFF chunk size, which counts every
// byte of the file after its first 8, must still fit 32 bits.
constexpr std::uint64_t maxDataBytesAfter(std::uint64_t headerBytes) {
    return 0xFFFFFFFFull - (headerBytes - 8);
}

// The largest data chunk after the 44-byte header: data bytes + 36 fit the RIFF chunk size.
inline constexpr std::uint64_t kMaxDataBytes = maxDataBytesAfter(44);
static_assert(kMaxDataBytes == 4294967259ull); // 2^32 - 37

// The writer's largest single write, in samples (256 KiB), cut to whole frames per take: a slow
// write then holds back at most this much of the ring.
inline constexpr std::uint64_t kWriteChunkSamples = 65536;

constexpr std::uint64_t writeChunkSamples(std::uint32_t channels) {
    return channels == 0 ? 0 : kWriteChunkSamples / channels * channels;
}

// The most samples a take of this width may hold within byteLimit: a whole number of frames.
constexpr std::uint64_t sampleLimit(std::uint32_t channels,
                                    std::uint64_t byteLimit = kMaxDataBytes) {
    return channels == 0 ? 0 : byteLimit / (4ull * channels) * channels;
}

static_assert(sampleLimit(1) == 1073741814ull);
static_assert(sampleLimit(2) == 2ull * 536870907ull);

} // namespace quillwave::plugins
