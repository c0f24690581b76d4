#pragma once

#include "player/audio_clip.h"

#include <cstdint>
#include <string_view>

namespace quillwave::plugins {

// What the player preloads at most: the "data" payload in bytes, and the decoded samples at 4 bytes
// each.
inline constexpr std::uint64_t kPreloadLimitBytes = 536870912; // 512 MiB

// Reads the whole WAV file at `path` (UTF-16) into a clip. Throws std::runtime_error with the
// message the user sees ("Cannot open WAV file", "Only RIFF WAV supported", "Truncated WAV chunk",
// "Invalid WAV format", "Invalid extensible WAV", "WAV exceeds preload limit", "Unsupported WAV
// encoding/layout", "Decoded WAV exceeds preload limit"), std::filesystem::filesystem_error when
// the size query fails, std::bad_alloc when memory runs out. The file is closed in every case.
AudioClip decodeWavFile(std::u16string_view path, std::uint64_t limit);

} // namespace quillwave::plugins
