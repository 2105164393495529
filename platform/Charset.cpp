#include "Charset.h"

#include <cstdint>

namespace quill::platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence at s[i], 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = b(i);
    if (c < 0x80) return 1;
    std::size_t n;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else
        return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string RepairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string NormaliseCharsetName(std::string_view charset) {
    std::string name;
    for (char c : charset) {
        if (c == '*') break;  // RFC 2231 language suffix
        if (c == ' ' || c == '\t' || c == '"' || c == '\'') continue;
        name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (name == "utf8" || name == "unicode-1-1-utf-8") return "utf-8";
    if (name == "ascii" || name == "us" || name == "ansi_x3.4-1968" || name == "iso646-us") return "us-ascii";
    if (name == "latin1" || name == "latin-1" || name == "iso8859-1" || name == "iso_8859-1") return "iso-8859-1";
    if (name == "cp1252") return "windows-1252";
    if (name == "x-sjis" || name == "sjis" || name == "shift-jis") return "shift_jis";
    if (name == "ks_c_5601-1987" || name == "ks_c_5601" || name == "cp949") return "ks_c_5601-1987";
    if (name == "iso-8859-8-i") return "iso-8859-8";
    return name;
}

std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset) {
    std::string name = NormaliseCharsetName(charset);
    if (name == "utf-8") return RepairUtf8(bytes);
    if (name == "us-ascii" || name.empty()) {
        if (IsAscii(bytes)) return std::string(bytes);
        name = "windows-1252";
    }
    if (name == "iso-8859-1") name = "windows-1252";
    return detail::NativeToUtf8(bytes, name);
}

std::optional<std::string> FromUtf8(std::string_view utf8, std::string_view charset) {
    std::string name = NormaliseCharsetName(charset);
    if (name == "utf-8") return IsValidUtf8(utf8) ? std::optional<std::string>(std::string(utf8)) : std::nullopt;
    if (name == "us-ascii") return IsAscii(utf8) ? std::optional<std::string>(std::string(utf8)) : std::nullopt;
    if (IsAscii(utf8) && name.rfind("utf-16", 0) != 0 && name.rfind("utf-32", 0) != 0 && name != "utf-7" &&
        name.rfind("iso-2022", 0) != 0)
        return std::string(utf8);
    return detail::NativeFromUtf8(utf8, name);
}

}  // namespace quill::platform
