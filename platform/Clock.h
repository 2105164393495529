#pragma once
// The wall clock in local time, as the run stamps its file names with it.

#include <ctime>

namespace quill::platform {

struct LocalTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Now, in the system's local time zone.
[[nodiscard]] LocalTime LocalNow();

namespace detail {
// The backend: the system's thread-safe local-time conversion.
[[nodiscard]] std::tm ToLocalTm(std::time_t t);
}  // namespace detail

}  // namespace quill::platform
