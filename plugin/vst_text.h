#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <string>
#include <string_view>

namespace quillwave::plugins {

// The SDK's UTF-16 character type: wchar_t on Windows, char16_t elsewhere.
using VstString = std::basic_string<Steinberg::Vst::TChar>;

// Widens ASCII text (titles, bus names) to the SDK's string type.
inline VstString vstText(std::string_view ascii) {
    return VstString(ascii.begin(), ascii.end());
}

} // namespace quillwave::plugins
