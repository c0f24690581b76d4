#pragma once

#include "recorder/bext_chunk.h"
#include "recorder/recording_stream.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillwave::plugins {

inline constexpr std::size_t kWavHeaderBytes = 44;
// A time-stamped take: the same header with the bext chunk between "WAVE" and "fmt ".
inline constexpr std::size_t kBroadcastWavHeaderBytes = kWavHeaderBytes + kBextChunkBytes;
static_assert(kBroadcastWavHeaderBytes % 4 == 0, "the data chunk starts 4-byte aligned");

// Where a take's header keeps what a repair reads and rewrites.
struct TakeHeaderLayout {
    std::size_t fmtChunk;      // offset of the "fmt " chunk id
    std::size_t dataSizeField; // offset of the data chunk's size
    std::size_t bytes;         // header size: the samples start here
};
inline constexpr TakeHeaderLayout kPlainTakeLayout{12, 40, kWavHeaderBytes};
inline constexpr TakeHeaderLayout kBroadcastTakeLayout{12 + kBextChunkBytes, 40 + kBextChunkBytes,
                                                       kBroadcastWavHeaderBytes};

// The 44-byte header of a 32-bit IEEE float WAV file: RIFF, a plain 16-byte fmt chunk with format
// tag 3, then the data chunk header. Sizes and rates are 32-bit unsigned arithmetic; 16-bit
// fields take the low 16 bits.
std::array<std::uint8_t, kWavHeaderBytes>
makeWavHeader(std::uint32_t channels, std::uint32_t sampleRate, std::uint32_t dataBytes);

// The header of a take file: the 44-byte one, or with a time stamp the Broadcast WAV one, whose
// RIFF size counts the bext chunk too.
std::vector<std::uint8_t> makeTakeHeader(std::uint32_t channels, std::uint32_t sampleRate,
                                         std::uint32_t dataBytes,
                                         const std::optional<TakeTimeStamp>& stamp);

// Seeks to offset 0 and writes the take header there. Tests no error itself: the caller
// inspects stream.failed() afterwards.
void writeWavHeader(RecordingStream& stream, std::uint32_t channels, std::uint32_t sampleRate,
                    std::uint32_t dataBytes, const std::optional<TakeTimeStamp>& stamp = {});

} // namespace quillwave::plugins
