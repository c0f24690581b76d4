#pragma once

// What the installed zenity offers: zenity 3.90 and later (zenity 4) has no --attach and refuses
// any option it does not know, so it is asked for its version, once per program file and
// process, before the editor passes the option.

#include <optional>
#include <string>
#include <string_view>

namespace quillwave::plugins {

// Whether a zenity that printed versionOutput for --version takes --attach; false when the
// output names no version (a dialog without an owner still opens).
bool zenityTakesAttach(std::string_view versionOutput);

// What was learnt of the zenity at path in this process, if it was asked.
std::optional<bool> knownZenityAttach(const std::string& path);
void noteZenityVersion(const std::string& path, std::string_view versionOutput);

} // namespace quillwave::plugins
