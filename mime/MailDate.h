#pragma once
// Dates as mail writes them (Date:, the end of Received:), RFC 5322 section
// 3.3 and what mail programs wrote besides: obsolete two- and three-digit
// years, named zones, asctime order ("Tue Dec  8 08:15:00 2026"), full month
// names, "am"/"pm", comments, a missing time or zone. The calendar is
// <chrono>'s proleptic Gregorian one.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quill::mime {

// The date as Unix seconds (UTC); nullopt when no day, month and year can be
// read or a field is out of range (a day the month does not have, hour 24, a
// year past 9999). A second of 60 counts as 59; a zone that cannot be read
// counts as UTC; a date without a time means its midnight.
[[nodiscard]] std::optional<std::int64_t> ParseMailDate(std::string_view text);

}  // namespace quill::mime
