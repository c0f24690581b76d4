#include "platform/free_space.h"

namespace quillwave::platform {

std::optional<std::u16string> folderOfPath(const std::u16string& path) {
    const std::size_t separator = path.find_last_of(u"\\/");
    if (separator == std::u16string::npos) {
        return std::nullopt;
    }
    // "/take.wav" and "C:\take.wav" live in a root, whose name keeps its separator.
    const bool root = separator == 0 || (separator == 2 && path[1] == u':');
    return path.substr(0, root ? separator + 1 : separator);
}

} // namespace quillwave::platform
