#pragma once

#include "player/audio_clip.h"
#include "player/byte_source.h"

#include <cstdint>

namespace quillwave::plugins {

// Walks a RIFF/WAVE stream and decodes its samples into a clip: PCM 16, 24 or 32-bit or 32-bit
// float, 1..64 channels, 8000..384000 Hz. `limit` bounds the "data" payload in bytes and the
// decoded samples at 4 bytes each. Throws std::runtime_error with the user-facing message on any
// refusal; nothing is allocated beyond those bounds, whatever the chunk sizes claim.
AudioClip decodeWav(ByteSource& source, std::uint64_t limit);

} // namespace quillwave::plugins
