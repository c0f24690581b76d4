#pragma once

// The framing of the saved document in the host's stream: a 32-bit little-endian byte count, then
// the text without a terminating zero.

#include "pluginterfaces/base/ibstream.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillwave::plugins {

// Largest document text accepted when loading.
inline constexpr std::int32_t kMaxStateBytes = 1048576;

// Writes the count and the text; false when either write fails or comes up short (a partial
// document may then be in the stream).
bool writeFramedText(Steinberg::IBStream& stream, std::string_view text);

// Reads one framed text of 1..kMaxStateBytes bytes; std::nullopt when the count is out of range
// or the stream fails or ends early.
std::optional<std::string> readFramedText(Steinberg::IBStream& stream);

} // namespace quillwave::plugins
