#pragma once

// What the host can see of a take from outside the module: the file on disk and its header.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quillwave::host {

struct TakeHeader {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t dataBytes = 0;
    std::uint64_t dataOffset = 0; // where the samples begin
    // The bext chunk's TimeReference of a time-stamped (Broadcast WAV) take.
    std::optional<std::uint64_t> timeReference;
};

// The header of a take: its chunks up to "data", of which "fmt " must come first or right after
// a "bext" chunk. std::nullopt when the file is missing or not laid out as a take.
std::optional<TakeHeader> readTakeHeader(const std::filesystem::path& path);

// Frames the file holds so far (header excluded, whole frames only); 0 when it cannot be read.
// While the take runs this trails what was captured by what the writer has not yet written.
std::uint64_t framesOnDisk(const std::filesystem::path& path, std::uint32_t channels);

// The provisional header declares no data; the writer rewrites it with the final size when the
// take is finalized.
inline bool declaresData(const std::optional<TakeHeader>& header) {
    return header && header->dataBytes > 0;
}

} // namespace quillwave::host
