#include "platform/path_compare.h"

#include <string>

namespace quillwave::platform {
namespace {

// Repeated slashes and "." steps name the same file as the path without them; ".." steps are
// left alone, since through a link they lead somewhere else.
std::u16string withoutEmptySteps(std::u16string_view path) {
    std::u16string out;
    out.reserve(path.size());
    std::size_t i = 0;
    while (i < path.size()) {
        if (path[i] == u'/' && !out.empty() && out.back() == u'/') {
            ++i;
            continue;
        }
        if (path[i] == u'.' && (out.empty() || out.back() == u'/') &&
            (i + 1 == path.size() || path[i + 1] == u'/') && !out.empty()) {
            i += 2;
            continue;
        }
        out.push_back(path[i++]);
    }
    return out;
}

} // namespace

bool samePath(std::u16string_view a, std::u16string_view b) {
    return a == b || withoutEmptySteps(a) == withoutEmptySteps(b);
}

} // namespace quillwave::platform
