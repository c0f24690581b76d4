#include "platform/local_time.h"

namespace quillwave::platform {

LocalDateTime localDateTime(std::time_t when) noexcept {
    std::tm t{};
    if (localtime_s(&t, &when) != 0) {
        return {};
    }
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

} // namespace quillwave::platform
