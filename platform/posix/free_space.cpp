#include "platform/free_space.h"

#include "platform/posix/native_path.h"

#include <sys/statvfs.h>

namespace quillwave::platform {

std::optional<std::uint64_t> freeBytesForPath(const std::u16string& path) {
    const auto folder = folderOfPath(path);
    if (!folder) {
        return std::nullopt;
    }
    const auto native = toNativePath(*folder);
    if (!native) {
        return std::nullopt;
    }
    struct statvfs info {};
    if (::statvfs(native->c_str(), &info) != 0) {
        return std::nullopt;
    }
    // f_bavail: the blocks an unprivileged writer may still use, as a DAW runs.
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

} // namespace quillwave::platform
