#include "platform/posix/native_path.h"

#include "platform/utf.h"

namespace quillwave::platform {

std::optional<std::string> toNativePath(std::u16string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char16_t u = path[i];
        if (u == 0) {
            return std::nullopt;
        }
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= path.size() || path[i + 1] < 0xDC00 || path[i + 1] > 0xDFFF) {
                return std::nullopt;
            }
            ++i;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return std::nullopt;
        }
    }
    return utf16ToUtf8(path);
}

} // namespace quillwave::platform
