#include "recorder/take_name.h"

#include <string>

namespace quillwave::plugins {
namespace {

bool isSeparator(char16_t c, PathStyle style) {
    return c == u'/' || (style == PathStyle::Windows && c == u'\\');
}

bool hasDriveDesignator(std::u16string_view path, PathStyle style) {
    if (style != PathStyle::Windows || path.size() < 2 || path[1] != u':') {
        return false;
    }
    const char16_t d = path[0];
    return (d >= u'A' && d <= u'Z') || (d >= u'a' && d <= u'z');
}

std::u16string_view stemOf(std::u16string_view fileName, PathStyle style) {
    if (style == PathStyle::Windows) {
        // "name:stream" names a stream of the file "name".
        if (const auto colon = fileName.find(u':'); colon != std::u16string_view::npos) {
            fileName = fileName.substr(0, colon);
        }
    }
    if (fileName == u"." || fileName == u"..") {
        return fileName;
    }
    const auto dot = fileName.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0) {
        return fileName; // no extension; a leading dot starts the name, not an extension
    }
    return fileName.substr(0, dot);
}

std::u16string decimal(std::uint32_t n) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
    } while (n != 0);
    return digits;
}

// Where the file name begins: after the last separator, or after a leading drive designator.
std::size_t fileNameStart(std::u16string_view path, PathStyle style) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1], style)) {
            return i;
        }
    }
    return hasDriveDesignator(path, style) ? 2 : 0;
}

// path's folder and stem, then marker, n and ".wav".
std::u16string numberedName(std::u16string_view path, std::u16string_view marker, std::uint32_t n,
                            PathStyle style) {
    const std::size_t nameStart = fileNameStart(path, style);
    const bool drive = hasDriveDesignator(path, style);

    // Folder: up to the file name, without trailing separators, except the root's own one.
    std::size_t rootLength = drive ? 2 : 0;
    if (rootLength < path.size() && isSeparator(path[rootLength], style)) {
        ++rootLength;
    }
    std::size_t folderLength = nameStart;
    while (folderLength > rootLength && isSeparator(path[folderLength - 1], style)) {
        --folderLength;
    }
    const std::u16string_view folder = path.substr(0, folderLength);

    std::u16string result(folder);
    const bool bareDrive = drive && folderLength == 2;
    if (!folder.empty() && !isSeparator(folder.back(), style) && !bareDrive) {
        result.push_back(style == PathStyle::Windows ? u'\\' : u'/');
    }
    result += stemOf(path.substr(nameStart), style);
    result += marker;
    result += decimal(n);
    result += u".wav";
    return result;
}

} // namespace

std::u16string takeNameBase(std::u16string_view path, PathStyle style) {
    const std::size_t nameStart = fileNameStart(path, style);
    const std::u16string_view name = path.substr(nameStart);
    constexpr std::u16string_view kExtension = u".wav";
    constexpr std::u16string_view kMarker = u"-take";
    if (name.size() <= kExtension.size() || !name.ends_with(kExtension)) {
        return std::u16string(path);
    }
    const std::u16string_view stem = name.substr(0, name.size() - kExtension.size());
    std::size_t digits = 0;
    while (digits < stem.size() && stem[stem.size() - 1 - digits] >= u'0' &&
           stem[stem.size() - 1 - digits] <= u'9') {
        ++digits;
    }
    const std::size_t markerEnd = stem.size() - digits;
    if (digits == 0 || digits > 5 || stem[markerEnd] == u'0' || markerEnd <= kMarker.size() ||
        stem.substr(markerEnd - kMarker.size(), kMarker.size()) != kMarker) {
        return std::u16string(path);
    }
    std::u16string base(path.substr(0, nameStart));
    base += stem.substr(0, markerEnd - kMarker.size());
    base += kExtension;
    return base;
}

std::u16string takeName(std::u16string_view path, std::uint32_t n, PathStyle style) {
    return numberedName(path, u"-take", n, style);
}

std::u16string partName(std::u16string_view firstFile, std::uint32_t n, PathStyle style) {
    return numberedName(firstFile, u"-part", n, style);
}

} // namespace quillwave::plugins
