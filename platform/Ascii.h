#pragma once
// ASCII character tests and letter case, the one home for them. Mail's
// grammar, file-name rules and the PST's folder lookup all mean ASCII here:
// these never consult the C locale, and bytes of 0x80 and above are never
// letters or digits, so UTF-8 text passes through unchanged.

#include <cstddef>
#include <string>
#include <string_view>

namespace quill::platform {

[[nodiscard]] constexpr bool IsAsciiDigit(char c) noexcept { return c >= '0' && c <= '9'; }
[[nodiscard]] constexpr bool IsAsciiUpper(char c) noexcept { return c >= 'A' && c <= 'Z'; }
[[nodiscard]] constexpr bool IsAsciiLower(char c) noexcept { return c >= 'a' && c <= 'z'; }
[[nodiscard]] constexpr bool IsAsciiLetter(char c) noexcept { return IsAsciiUpper(c) || IsAsciiLower(c); }
[[nodiscard]] constexpr bool IsAsciiAlnum(char c) noexcept { return IsAsciiLetter(c) || IsAsciiDigit(c); }

// True when no byte is 0x80 or above.
[[nodiscard]] constexpr bool IsAsciiText(std::string_view s) noexcept {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

[[nodiscard]] constexpr char ToLowerAscii(char c) noexcept {
    return IsAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}
[[nodiscard]] constexpr char ToUpperAscii(char c) noexcept {
    return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}

// The value of a hexadecimal digit in either case; -1 for any other character.
[[nodiscard]] constexpr int HexDigitValue(char c) noexcept {
    if (IsAsciiDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

[[nodiscard]] inline std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ToLowerAscii(c);
    return out;
}

[[nodiscard]] inline std::string UpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ToUpperAscii(c);
    return out;
}

[[nodiscard]] constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
    return true;
}

[[nodiscard]] constexpr bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

[[nodiscard]] constexpr bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) noexcept {
    return text.size() >= suffix.size() && EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

// Where needle first stands in text at or after from, in any letter case; npos when nowhere.
[[nodiscard]] constexpr std::size_t FindIgnoreCase(std::string_view text, std::string_view needle,
                                                   std::size_t from = 0) noexcept {
    for (std::size_t at = from; at <= text.size() && text.size() - at >= needle.size(); ++at)
        if (StartsWithIgnoreCase(text.substr(at), needle)) return at;
    return std::string_view::npos;
}

}  // namespace quill::platform
