#include "platform/Clock.h"

namespace quill::platform::detail {

std::tm ToLocalTm(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace quill::platform::detail
