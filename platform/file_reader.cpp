#include "platform/file_reader.h"

#include "platform/utf.h"

#include <filesystem>
#include <limits>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <share.h>
#endif

namespace quillwave::platform {
namespace {

std::filesystem::path nativePath(std::u16string_view path) {
#ifdef _WIN32
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return std::filesystem::path(
        std::wstring(reinterpret_cast<const wchar_t*>(path.data()), path.size()));
#else
    return std::filesystem::path(utf16ToUtf8(path));
#endif
}

std::FILE* openForReading(std::u16string_view path) {
#ifdef _WIN32
    // _wfsopen with _SH_DENYNO: a file that another program (or a recorder) holds open can still
    // be read.
    const std::wstring wide(reinterpret_cast<const wchar_t*>(path.data()), path.size());
    return _wfsopen(wide.c_str(), L"rb", _SH_DENYNO);
#else
    return std::fopen(utf16ToUtf8(path).c_str(), "rb");
#endif
}

} // namespace

std::optional<FileReader> FileReader::open(std::u16string_view path) {
    // An embedded NUL would silently open a different, shorter name.
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;
    }
    std::FILE* file = openForReading(path);
    if (file == nullptr) {
        return std::nullopt;
    }
    return FileReader(file);
}

std::size_t FileReader::read(std::span<std::byte> dst) {
    if (dst.empty()) {
        return 0;
    }
    return std::fread(dst.data(), 1, dst.size(), file_.get());
}

bool FileReader::seek(std::uint64_t offset) {
#ifdef _WIN32
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<__int64>::max())) {
        return false;
    }
    return _fseeki64(file_.get(), static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        return false;
    }
    return fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::uint64_t fileSize(std::u16string_view path) {
    const std::filesystem::path native = nativePath(path);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(native, error);
    if (error) {
        // Named after the operation so that the text the user sees says what failed, whichever
        // standard library wrote the rest of it.
        throw std::filesystem::filesystem_error("file_size", native, error);
    }
    return size;
}

std::optional<std::vector<std::byte>> readWholeFile(std::u16string_view path) {
    auto reader = FileReader::open(path);
    if (!reader) {
        return std::nullopt;
    }
    std::vector<std::byte> content;
    std::byte block[65536];
    for (;;) {
        const std::size_t got = reader->read(block);
        content.insert(content.end(), block, block + got);
        if (got < sizeof block) {
            break;
        }
    }
    // A short read that is not the end of the file is an input error, not the content.
    if (reader->hasError()) {
        return std::nullopt;
    }
    return content;
}

} // namespace quillwave::platform
