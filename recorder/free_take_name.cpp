#include "recorder/free_take_name.h"

#include "platform/path_status.h"
#include "recorder/take_name.h"

namespace quillwave::plugins {

std::u16string firstFreeDestination(const std::u16string& path) {
    const std::u16string base = takeNameBase(path);
    std::u16string candidate = path;
    for (std::uint32_t n = 1;; ++n) {
        if (platform::queryPathStatus(candidate) == platform::PathStatus::NotFound ||
            n > kMaxTakeNumber) {
            return candidate;
        }
        candidate = takeName(base, n);
    }
}

std::optional<FreePart> firstFreePart(const std::u16string& firstFile, std::uint32_t from) {
    for (std::uint32_t n = from; n <= kMaxTakeNumber; ++n) {
        std::u16string candidate = partName(firstFile, n);
        if (platform::queryPathStatus(candidate) == platform::PathStatus::NotFound) {
            return FreePart{n, std::move(candidate)};
        }
    }
    return std::nullopt;
}

} // namespace quillwave::plugins
