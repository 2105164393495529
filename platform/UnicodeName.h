#pragma once
// File names compared the way a person (and Windows) sees them: a name
// written in decomposed form ("e" + U+0301) or in other letter case names the
// same file as its composed, differently cased spelling.

#include <string>
#include <string_view>

namespace quill::platform {

// The name in Unicode normalisation form C, then in upper case (the simple
// mapping, one code point at a time, as Windows compares file names). Two
// names with the same key name the same file to such a comparison. Invalid
// UTF-8 is repaired first.
[[nodiscard]] std::string FileNameKey(std::string_view utf8);

}  // namespace quill::platform
