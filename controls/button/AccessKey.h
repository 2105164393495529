#pragma once

#include <string>
#include <string_view>

namespace quill::button {

// The access key a caption marks: the character after its first "&", in
// lower case. A "&&" before it is a literal ampersand, and only one such pair
// is passed over: "Save && E&xit" gives "x", "Fish && Chips" and
// "a&&b&&c&d" give none. Empty when there is none. The caption is UTF-8; the
// key is one whole character, lowered here for ASCII letters (the host
// compares other letters without regard to case).
[[nodiscard]] std::string AccessKeyOf(std::string_view caption);

}  // namespace quill::button
