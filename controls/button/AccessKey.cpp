#include "controls/button/AccessKey.h"

#include <cstddef>

namespace quill::button {
namespace {

// The UTF-8 character starting at `at`, ASCII letters in lower case.
std::string CharacterAt(std::string_view text, std::size_t at) {
    auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::string character(text.substr(at, length));
    if (length == 1 && lead >= 'A' && lead <= 'Z') character[0] = static_cast<char>(lead - 'A' + 'a');
    return character;
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
