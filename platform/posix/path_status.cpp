#include "platform/path_status.h"

#include "platform/posix/native_path.h"
#include "platform/utf.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace quillwave::platform {

PathStatus queryPathStatus(const std::u16string& path) {
    const auto native = toNativePath(path);
    if (!native) {
        return PathStatus::NotFound; // no file can carry that name
    }
    struct stat info {};
    // lstat: a dangling link still occupies the name.
    if (::lstat(native->c_str(), &info) == 0) {
        return PathStatus::Exists;
    }
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
        return PathStatus::NotFound;
    }
    throw std::filesystem::filesystem_error("exists", std::filesystem::path(*native),
                                            std::error_code(error, std::generic_category()));
}

} // namespace quillwave::platform
