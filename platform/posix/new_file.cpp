#include "platform/new_file.h"

#include "platform/posix/native_path.h"

#include <fcntl.h>
#include <unistd.h>

namespace quillwave::platform {

UniqueFile createNewFile(const std::u16string& path) {
    const auto native = toNativePath(path);
    if (!native) {
        return nullptr;
    }
    // O_EXCL with O_CREAT also refuses a name that is a link, dangling or not.
    const int fd = ::open(native->c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, "w+b");
    if (stream == nullptr) {
        ::close(fd);
        return nullptr;
    }
    return UniqueFile(stream);
}

bool removeCreatedFile(const std::u16string& path) {
    const auto native = toNativePath(path);
    return native && ::unlink(native->c_str()) == 0;
}

} // namespace quillwave::platform
