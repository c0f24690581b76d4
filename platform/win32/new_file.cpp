#include "platform/new_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <sys/stat.h>

namespace quillwave::platform {

UniqueFile createNewFile(const std::u16string& path) {
    // A NUL inside the name would cut it short and create a different file.
    if (path.find(u'\0') != std::u16string::npos) {
        return nullptr;
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(path.c_str());
    int fd = -1;
    // Exclusive creation: fails when the name exists. Others may read the take but not write it.
    if (_wsopen_s(&fd, wide, _O_CREAT | _O_EXCL | _O_BINARY | _O_RDWR, _SH_DENYWR,
                  _S_IREAD | _S_IWRITE) != 0 ||
        fd < 0) {
        return nullptr;
    }
    std::FILE* stream = _wfdopen(fd, L"w+b");
    if (stream == nullptr) {
        _close(fd);
        return nullptr;
    }
    return UniqueFile(stream);
}

bool removeCreatedFile(const std::u16string& path) {
    if (path.find(u'\0') != std::u16string::npos) {
        return false;
    }
    return _wremove(reinterpret_cast<const wchar_t*>(path.c_str())) == 0;
}

} // namespace quillwave::platform
