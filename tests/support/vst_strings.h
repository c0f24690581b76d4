#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <string>

namespace quillwave::test {

// UTF-16 text of the SDK (ASCII content) as a narrow string, for readable assertions.
template <typename Char> std::string narrow(const Char* text) {
    std::string out;
    for (; text && *text; ++text) {
        out.push_back(static_cast<char>(*text));
    }
    return out;
}

} // namespace quillwave::test
