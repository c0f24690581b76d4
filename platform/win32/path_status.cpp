#include "platform/path_status.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

namespace quillwave::platform {
namespace {

bool meansNotFound(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
        return true;
    default:
        return false;
    }
}

} // namespace

PathStatus queryPathStatus(const std::u16string& path) {
    // The API would read only up to a NUL and so query another name; no file has such a name.
    if (path.find(u'\0') != std::u16string::npos) {
        return PathStatus::NotFound;
    }
    const std::wstring wide(reinterpret_cast<const wchar_t*>(path.data()), path.size());
    // The attributes of a link itself, not its target: a dangling link still occupies the name.
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return PathStatus::Exists;
    }
    const DWORD error = GetLastError();
    if (meansNotFound(error)) {
        return PathStatus::NotFound;
    }
    throw std::filesystem::filesystem_error(
        "exists", std::filesystem::path(wide),
        std::error_code(static_cast<int>(error), std::system_category()));
}

} // namespace quillwave::platform
