#include "take_file.h"

#include <array>
#include <cstring>
#include <fstream>

namespace quillwave::host {
namespace {

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kBextTimeReference = 338; // in the bext payload: low, then high 32 bits

// Reads the 8-byte chunk header at the stream's position; false at the end of the file.
bool readChunkHeader(std::ifstream& in, std::array<unsigned char, kChunkHeaderBytes>& chunk) {
    return static_cast<bool>(in.read(reinterpret_cast<char*>(chunk.data()), chunk.size()));
}

} // namespace

std::optional<TakeHeader> readTakeHeader(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 12> riff{};
    if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size()) ||
        std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    TakeHeader header;
    std::array<unsigned char, kChunkHeaderBytes> chunk{};
    if (!readChunkHeader(in, chunk)) {
        return std::nullopt;
    }
    if (std::memcmp(chunk.data(), "bext", 4) == 0) {
        const std::uint32_t size = le32(&chunk[4]);
        std::array<unsigned char, 8> reference{};
        if (size < kBextTimeReference + 8 || !in.seekg(kBextTimeReference, std::ios::cur) ||
            !in.read(reinterpret_cast<char*>(reference.data()), reference.size())) {
            return std::nullopt;
        }
        header.timeReference = le32(&reference[0]) | std::uint64_t{le32(&reference[4])} << 32;
        in.seekg(std::streamoff{20} + size + (size & 1u));
        if (!readChunkHeader(in, chunk)) {
            return std::nullopt;
        }
    }
    std::array<unsigned char, 24> fmt{}; // 16 bytes of format, then the data chunk's header
    if (std::memcmp(chunk.data(), "fmt ", 4) != 0 || le32(&chunk[4]) != 16 ||
        !in.read(reinterpret_cast<char*>(fmt.data()), fmt.size()) ||
        std::memcmp(&fmt[16], "data", 4) != 0) {
        return std::nullopt;
    }
    header.formatTag = le16(&fmt[0]);
    header.channels = le16(&fmt[2]);
    header.sampleRate = le32(&fmt[4]);
    header.bitsPerSample = le16(&fmt[14]);
    header.dataBytes = le32(&fmt[20]);
    header.dataOffset = static_cast<std::uint64_t>(in.tellg());
    return header;
}

std::uint64_t framesOnDisk(const std::filesystem::path& path, std::uint32_t channels) {
    const std::optional<TakeHeader> header = readTakeHeader(path);
    // Asked through an open handle: a directory entry may report a stale size while the writer
    // extends the file.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (!header || size < static_cast<std::streamoff>(header->dataOffset) || channels == 0) {
        return 0;
    }
    return (static_cast<std::uint64_t>(size) - header->dataOffset) / (4 * std::uint64_t{channels});
}

} // namespace quillwave::host
