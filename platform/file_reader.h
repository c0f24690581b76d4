#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillwave::platform {

// A file opened by wide path for reading raw bytes (no text translation). Other processes may
// keep reading and writing it meanwhile. Closed when the reader goes away.
class FileReader {
public:
    // std::nullopt when the file cannot be opened.
    static std::optional<FileReader> open(std::u16string_view path);

    // Reads up to dst.size() bytes at the current position and returns how many arrived; fewer
    // means end of file or an input error.
    std::size_t read(std::span<std::byte> dst);

    // Moves to an absolute byte offset; false when the stream refuses.
    bool seek(std::uint64_t offset);

    // True once a read has failed for a reason other than the end of the file.
    bool hasError() const { return std::ferror(file_.get()) != 0; }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    explicit FileReader(std::FILE* file) : file_(file) {}

    std::unique_ptr<std::FILE, Closer> file_;
};

// Size of the file in bytes as the file system reports it. Throws std::filesystem::filesystem_error
// for the operation "file_size" when it cannot.
std::uint64_t fileSize(std::u16string_view path);

// The whole content of a file; std::nullopt when it cannot be opened or read completely.
std::optional<std::vector<std::byte>> readWholeFile(std::u16string_view path);

} // namespace quillwave::platform
