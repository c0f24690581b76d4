#pragma once

#include "recorder/recording_stream.h"

#include <array>
#include <cstdint>

namespace quillwave::plugins {

inline constexpr std::size_t kWavHeaderBytes = 44;

// The 44-byte header of a 32-bit IEEE float WAV file: RIFF, a plain 16-byte fmt chunk with format
// tag 3, then the data chunk header. Sizes and rates are 32-bit unsigned arithmetic; 16-bit
// fields take the low 16 bits.
std::array<std::uint8_t, kWavHeaderBytes>
makeWavHeader(std::uint32_t channels, std::uint32_t sampleRate, std::uint32_t dataBytes);

// Seeks to offset 0 and writes the header there. Tests no error itself: the caller inspects
// stream.failed() afterwards.
void writeWavHeader(RecordingStream& stream, std::uint32_t channels, std::uint32_t sampleRate,
                    std::uint32_t dataBytes);

} // namespace quillwave::plugins
