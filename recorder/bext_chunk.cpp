#include "recorder/bext_chunk.h"

#include "platform/local_time.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace quillwave::plugins {
namespace {

using Chunk = std::array<std::uint8_t, kBextChunkBytes>;
constexpr std::size_t kPayload = 8;

// Copies text into a fixed field of the payload; the rest of the field stays zero.
void putText(Chunk& chunk, std::size_t field, std::size_t width, const std::string& text) {
    std::copy_n(text.begin(), std::min(width, text.size()), chunk.begin() + kPayload + field);
}

void putLe(Chunk& chunk, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        chunk[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::string printed(const char* format, auto... values) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, values...);
    return n > 0 ? std::string(text, std::min<std::size_t>(n, sizeof text - 1)) : std::string();
}

std::string description(const TakeTimeStamp& stamp) {
    std::string text = stamp.part > 1 ? printed("Part %u of a take", stamp.part) : "A take";
    text += " recorded by Quillwave Recorder. ";
    text += stamp.projectTime
                ? "TimeReference is the host's project time of its first frame."
                : "The host gave no project time, so TimeReference 0 is not its position.";
    return text;
}

} // namespace

Chunk makeBextChunk(const TakeTimeStamp& stamp) {
    Chunk chunk{};
    std::copy_n("bext", 4, chunk.begin());
    putLe(chunk, 4, kBextPayloadBytes, 4);

    const platform::LocalDateTime t =
        platform::localDateTime(std::chrono::system_clock::to_time_t(stamp.recordedAt));
    putText(chunk, kBextDescription, 256, description(stamp));
    putText(chunk, kBextOriginator, 32, "Quillwave Recorder");
    putText(chunk, kBextOriginatorReference, 32,
            printed("QWR%04d%02d%02d%02d%02d%02d%08XP%u", t.year, t.month, t.day, t.hour, t.minute,
                    t.second, stamp.takeId, stamp.part));
    putText(chunk, kBextOriginationDate, 10, printed("%04d-%02d-%02d", t.year, t.month, t.day));
    putText(chunk, kBextOriginationTime, 8, printed("%02d-%02d-%02d", t.hour, t.minute, t.second));
    putLe(chunk, kPayload + kBextTimeReference, stamp.projectTime.value_or(0), 8);
    putLe(chunk, kPayload + kBextVersion, 1, 2);
    return chunk;
}

} // namespace quillwave::plugins
