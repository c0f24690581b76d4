#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillwave::platform {

// The UTF-8 file-system name of a UTF-16 path. Refused (nullopt) when the path holds an unpaired
// surrogate, which no UTF-8 name can carry, or a NUL, which would cut the name short: a lossy
// conversion could name a different file than the one the user chose.
std::optional<std::string> toNativePath(std::u16string_view path);

} // namespace quillwave::platform
