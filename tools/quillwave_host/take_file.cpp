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

constexpr std::size_t kHeaderBytes = 44;

} // namespace

std::optional<TakeHeader> readTakeHeader(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, kHeaderBytes> b{};
    if (!in.read(reinterpret_cast<char*>(b.data()), b.size())) {
        return std::nullopt;
    }
    if (std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0 ||
        le32(&b[16]) != 16 || std::memcmp(b.data() + 36, "data", 4) != 0) {
        return std::nullopt;
    }
    TakeHeader header;
    header.formatTag = le16(&b[20]);
    header.channels = le16(&b[22]);
    header.sampleRate = le32(&b[24]);
    header.bitsPerSample = le16(&b[34]);
    header.dataBytes = le32(&b[40]);
    return header;
}

std::uint64_t framesOnDisk(const std::filesystem::path& path, std::uint32_t channels) {
    // Asked through an open handle: a directory entry may report a stale size while the writer
    // extends the file.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < static_cast<std::streamoff>(kHeaderBytes) || channels == 0) {
        return 0;
    }
    return (static_cast<std::uint64_t>(size) - kHeaderBytes) / (4 * std::uint64_t{channels});
}

} // namespace quillwave::host
