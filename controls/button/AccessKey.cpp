#include "controls/button/AccessKey.h"

#include "platform/Ascii.h"
#include "platform/Utf.h"

#include <algorithm>
#include <cstddef>

namespace quill::button {
namespace {

// The UTF-8 character starting at `at` (one byte where none is valid), ASCII
// letters in lower case.
std::string CharacterAt(std::string_view text, std::size_t at) {
    std::size_t length = std::max<std::size_t>(platform::Utf8SequenceLength(text, at), 1);
    return platform::LowerAscii(text.substr(at, length));
}

}  // namespace

std::string AccessKeyOf(std::string_view caption) {
    // Byte positions serve: "&" never occurs inside a UTF-8 sequence, and a
    // caption of one character has no mark followed by a character.
    if (caption.size() <= 1) return {};
    std::size_t mark = caption.find('&');
    if (mark == std::string_view::npos || mark + 1 == caption.size()) return {};
    if (caption[mark + 1] == '&') {
        mark = caption.find('&', mark + 2);
        if (mark == std::string_view::npos || mark + 1 == caption.size() || caption[mark + 1] == '&') return {};
    }
    return CharacterAt(caption, mark + 1);
}

}  // namespace quill::button
