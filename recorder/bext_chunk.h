#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillwave::plugins {

// Where a take file's first frame lies: on the host's timeline and on the user's clock.
struct TakeTimeStamp {
    // The host's project time of the first frame in samples; none when the host gave no valid
    // project time (the file then says so and its TimeReference is 0).
    std::optional<std::uint64_t> projectTime;
    std::chrono::system_clock::time_point recordedAt{};
    std::uint32_t part = 1;   // 1 for a take's first file, else its continuation part number
    std::uint32_t takeId = 0; // tells takes recorded in the same second apart
};

// The Broadcast WAV bext chunk (EBU Tech 3285, version 1): 602 bytes of fixed fields, then an
// empty coding history of two zero bytes, which keeps the chunk's size even and the data chunk
// after it 4-byte aligned.
inline constexpr std::size_t kBextPayloadBytes = 604;
inline constexpr std::size_t kBextChunkBytes = 8 + kBextPayloadBytes;

// Offsets in the payload.
inline constexpr std::size_t kBextDescription = 0;           // 256 bytes of ASCII
inline constexpr std::size_t kBextOriginator = 256;          // 32
inline constexpr std::size_t kBextOriginatorReference = 288; // 32
inline constexpr std::size_t kBextOriginationDate = 320;     // 10, "yyyy-mm-dd"
inline constexpr std::size_t kBextOriginationTime = 330;     // 8, "hh-mm-ss"
inline constexpr std::size_t kBextTimeReference = 338;       // low then high 32 bits
inline constexpr std::size_t kBextVersion = 346;             // 16 bits

// The whole chunk, id and size included. Texts are NUL-padded ASCII; the date and time are the
// local ones of recordedAt; UMID, loudness and reserved bytes are zero.
std::array<std::uint8_t, kBextChunkBytes> makeBextChunk(const TakeTimeStamp& stamp);

} // namespace quillwave::plugins
