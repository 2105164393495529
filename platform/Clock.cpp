#include "platform/Clock.h"

namespace quill::platform {

LocalTime LocalNow() {
    const std::tm tm = detail::ToLocalTm(std::time(nullptr));
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace quill::platform
