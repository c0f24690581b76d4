#include "platform/path_compare.h"

#include <windows.h>

#include <climits>
#include <string>

namespace quillwave::platform {
namespace {

std::wstring withBackslashes(std::u16string_view path) {
    std::wstring text(path.begin(), path.end());
    for (wchar_t& c : text) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return text;
}

} // namespace

bool samePath(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size() || a.size() > INT_MAX) {
        return a == b;
    }
    const std::wstring left = withBackslashes(a);
    const std::wstring right = withBackslashes(b);
    // The ordinal, case-insensitive comparison is the one the file system applies to names.
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

} // namespace quillwave::platform
