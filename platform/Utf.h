#pragma once
// UTF-8 and UTF-16, the one home for both and for the way between them. Text
// inside the program is UTF-8; UTF-16 is what the PST stores and what the
// Windows API takes. Whatever the input, the output is valid: a byte that
// starts no valid UTF-8 sequence (overlong forms, surrogates and values past
// U+10FFFF included) and an unpaired UTF-16 surrogate each become one U+FFFD.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quill::platform {

// The length of the valid UTF-8 sequence that starts at s[i]; 0 when none does.
[[nodiscard]] std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) noexcept;

[[nodiscard]] bool IsValidUtf8(std::string_view bytes) noexcept;
// Invalid sequences replaced by U+FFFD.
[[nodiscard]] std::string RepairUtf8(std::string_view bytes);

// Appends one code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// The text cut to at most maxBytes without splitting a character.
[[nodiscard]] std::string CutUtf8(std::string text, std::size_t maxBytes);

[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view utf8);
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace quill::platform
