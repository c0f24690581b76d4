#pragma once

#include <array>
#include <cstdint>

namespace quillwave::plugins {

// The 7-byte SysEx a player sends on its "Player Sync" output and a recorder accepts on its
// "Recorder Sync" input: F0 7D 'Q' 'W' 'K' n F7, n = 1 start, 2 stop. 0x7D is the manufacturer id
// reserved for non-commercial use.
inline constexpr std::size_t kSyncMessageSize = 7;
inline constexpr std::uint8_t kSyncStartCode = 1;
inline constexpr std::uint8_t kSyncStopCode = 2;

inline constexpr std::array<std::uint8_t, kSyncMessageSize> kSyncStartMessage = {
    0xF0, 0x7D, 0x51, 0x57, 0x4B, kSyncStartCode, 0xF7};
inline constexpr std::array<std::uint8_t, kSyncMessageSize> kSyncStopMessage = {
    0xF0, 0x7D, 0x51, 0x57, 0x4B, kSyncStopCode, 0xF7};

// The code (1 or 2) of a sync message, 0 for anything else.
inline std::uint8_t syncMessageCode(const std::uint8_t* bytes, std::uint32_t size) {
    if (!bytes || size != kSyncMessageSize) {
        return 0;
    }
    for (std::size_t i = 0; i < kSyncMessageSize; ++i) {
        if (i != 5 && bytes[i] != kSyncStartMessage[i]) {
            return 0;
        }
    }
    return bytes[5] == kSyncStartCode || bytes[5] == kSyncStopCode ? bytes[5] : 0;
}

} // namespace quillwave::plugins
