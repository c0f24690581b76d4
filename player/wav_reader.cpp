#include "player/wav_reader.h"

#include "platform/file_reader.h"
#include "player/byte_source.h"
#include "player/wav_decoder.h"

#include <stdexcept>
#include <string>

namespace quillwave::plugins {
namespace {

class FileByteSource final : public ByteSource {
public:
    FileByteSource(platform::FileReader& reader, std::u16string_view path)
        : reader_(reader), path_(path) {}

    std::size_t read(std::span<std::byte> dst) override { return reader_.read(dst); }
    bool seek(std::uint64_t offset) override { return reader_.seek(offset); }
    std::uint64_t size() override { return platform::fileSize(path_); }

private:
    platform::FileReader& reader_;
    std::u16string_view path_;
};

} // namespace

AudioClip decodeWavFile(std::u16string_view path, std::uint64_t limit) {
    auto reader = platform::FileReader::open(path);
    if (!reader) {
        throw std::runtime_error("Cannot open WAV file");
    }
    FileByteSource source(*reader, path);
    return decodeWav(source, limit);
}

} // namespace quillwave::plugins
