#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillwave::platform {

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD, so any path can be shown or saved.
std::string utf16ToUtf8(std::u16string_view text);

// Strict UTF-8 to UTF-16: overlong forms, surrogates, code points above U+10FFFF and truncated
// sequences are refused with std::nullopt.
std::optional<std::u16string> utf8ToUtf16(std::string_view text);

} // namespace quillwave::platform
