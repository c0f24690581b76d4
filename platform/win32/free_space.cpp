#include "platform/free_space.h"

#include <windows.h>

namespace quillwave::platform {

std::optional<std::uint64_t> freeBytesForPath(const std::u16string& path) {
    auto folder = folderOfPath(path);
    // The API would read only up to a NUL and so ask about another folder.
    if (!folder || folder->find(u'\0') != std::u16string::npos) {
        return std::nullopt;
    }
    // A share (\\server\share) is only taken with its trailing separator; any folder takes one.
    if (folder->back() != u'\\' && folder->back() != u'/') {
        folder->push_back(u'\\');
    }
    const std::wstring wide(reinterpret_cast<const wchar_t*>(folder->data()), folder->size());
    ULARGE_INTEGER available{};
    // The bytes available to this user, which honours disk quotas.
    if (!GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(available.QuadPart);
}

} // namespace quillwave::platform
