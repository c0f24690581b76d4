#pragma once

#include <string_view>

namespace quillwave::platform {

// Whether two paths spell the same name as the platform compares names: on Windows without
// regard to case and with either slash as separator; elsewhere byte for byte.
bool samePath(std::u16string_view a, std::u16string_view b);

} // namespace quillwave::platform
