#include "plugin/state_stream.h"

#include <array>
#include <limits>

namespace quillwave::plugins {

using Steinberg::int32;
using Steinberg::kResultOk;

bool writeFramedText(Steinberg::IBStream& stream, std::string_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int32>::max())) {
        return false;
    }
    const auto length = static_cast<std::uint32_t>(text.size());
    std::array<unsigned char, 4> prefix{};
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        prefix[i] = static_cast<unsigned char>(length >> (8 * i));
    }
    int32 written = 0;
    if (stream.write(prefix.data(), 4, &written) != kResultOk || written != 4) {
        return false;
    }
    written = 0;
    const auto size = static_cast<int32>(text.size());
    // The SDK's streams take a non-const buffer, but writing does not modify it.
    return stream.write(const_cast<char*>(text.data()), size, &written) == kResultOk &&
           written == size;
}

std::optional<std::string> readFramedText(Steinberg::IBStream& stream) {
    std::array<unsigned char, 4> prefix{};
    int32 read = 0;
    if (stream.read(prefix.data(), 4, &read) != kResultOk || read != 4) {
        return std::nullopt;
    }
    const std::uint32_t raw = prefix[0] | (prefix[1] << 8) | (prefix[2] << 16) |
                              (static_cast<std::uint32_t>(prefix[3]) << 24);
    const auto length = static_cast<std::int32_t>(raw);
    if (length < 1 || length > kMaxStateBytes) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    read = 0;
    if (stream.read(text.data(), length, &read) != kResultOk || read != length) {
        return std::nullopt;
    }
    return text;
}

} // namespace quillwave::plugins
