#include "editor/posix/zenity_version.h"

#include <charconv>
#include <map>
#include <mutex>

namespace quillwave::plugins {
namespace {

// The first release without --attach.
constexpr int kNoAttachMajor = 3;
constexpr int kNoAttachMinor = 90;

std::mutex knownMutex;
std::map<std::string, bool, std::less<>> known; // under knownMutex

} // namespace

bool zenityTakesAttach(std::string_view versionOutput) {
    const std::string_view line = versionOutput.substr(0, versionOutput.find('\n'));
    int major = 0;
    int minor = 0;
    const char* end = line.data() + line.size();
    const auto first = std::from_chars(line.data(), end, major);
    if (first.ec != std::errc() || first.ptr == end || *first.ptr != '.' ||
        std::from_chars(first.ptr + 1, end, minor).ec != std::errc()) {
        return false;
    }
    return major < kNoAttachMajor || (major == kNoAttachMajor && minor < kNoAttachMinor);
}

std::optional<bool> knownZenityAttach(const std::string& path) {
    const std::lock_guard lock(knownMutex);
    const auto found = known.find(path);
    return found != known.end() ? std::optional<bool>(found->second) : std::nullopt;
}

void noteZenityVersion(const std::string& path, std::string_view versionOutput) {
    const std::lock_guard lock(knownMutex);
    known[path] = zenityTakesAttach(versionOutput);
}

} // namespace quillwave::plugins
