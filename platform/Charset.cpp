#include "platform/Charset.h"

#include "platform/Ascii.h"
#include "platform/Utf.h"

#include <algorithm>

namespace quill::platform {
namespace {

constexpr CharsetCodePages kCharsets[] = {
    {"utf-8", 65001, 0},
    {"utf-7", 65000, 65000},
    {"unicode-1-1-utf-7", 0, 65000},
    {"us-ascii", 20127, 0},
    {"utf-16", 1200, 0},
    {"utf-16le", 1200, 0},
    {"utf-16be", 1201, 0},
    {"windows-1250", 1250, 1250},
    {"windows-1251", 1251, 1251},
    {"windows-1252", 1252, 1252},
    {"windows-1253", 1253, 1253},
    {"windows-1254", 1254, 1254},
    {"windows-1255", 1255, 1255},
    {"windows-1256", 1256, 1256},
    {"windows-1257", 1257, 1257},
    {"windows-1258", 1258, 1258},
    {"windows-874", 874, 874},
    {"cp874", 874, 874},
    {"tis-620", 874, 874},
    {"cp850", 850, 850},
    {"ibm850", 0, 850},
    {"cp437", 437, 437},
    {"ibm437", 0, 437},
    {"cp866", 866, 866},
    {"ibm866", 866, 866},
    {"iso-8859-1", 28591, 28591},
    {"iso-8859-2", 28592, 28592},
    {"iso-8859-3", 28593, 28593},
    {"iso-8859-4", 28594, 28594},
    {"iso-8859-5", 28595, 28595},
    {"iso-8859-6", 28596, 28596},
    {"iso-8859-7", 28597, 28597},
    {"iso-8859-8", 28598, 28598},
    {"iso-8859-9", 28599, 28599},
    {"iso-8859-13", 28603, 28603},
    {"iso-8859-15", 28605, 28605},
    {"koi8-r", 20866, 20866},
    {"koi8-u", 21866, 21866},
    {"shift_jis", 932, 932},
    {"euc-jp", 51932, 20932},
    {"iso-2022-jp", 50220, 50220},
    {"gb2312", 936, 936},
    {"gbk", 936, 936},
    {"cp936", 936, 936},
    {"gb18030", 54936, 54936},
    {"hz-gb-2312", 52936, 0},
    {"big5", 950, 950},
    {"euc-kr", 949, 51949},
    {"ks_c_5601-1987", 949, 949},
    {"iso-2022-kr", 50225, 50225},
    {"x-mac-roman", 0, 10000},
    {"macintosh", 10000, 10000},
    {"viscii", 0, 1258},
};

}  // namespace

const CharsetCodePages* FindCharsetCodePages(std::string_view normalisedName) {
    for (const auto& entry : kCharsets)
        if (entry.name == normalisedName) return &entry;
    return nullptr;
}

const CharsetCodePages* FindCharsetByCodePage(std::uint32_t codePage) {
    const CharsetCodePages* found = nullptr;
    for (const auto& entry : kCharsets) {
        if (entry.conversion != codePage) continue;
        if (entry.label == codePage) return &entry;  // the name that labels it, when there is one
        if (!found) found = &entry;
    }
    return found;
}

std::uint32_t CodePageForCharset(std::string_view charset, std::string_view bytes) {
    const std::string name = NormaliseCharsetName(charset);
    const CharsetCodePages* entry = FindCharsetCodePages(name);
    // Mail labelled ASCII that holds 8-bit bytes was written in something else.
    const bool falseAscii = entry != nullptr && entry->label == 20127 && !IsAsciiText(bytes);
    if (entry != nullptr && entry->label != 0 && !falseAscii) return entry->label;
    for (std::string_view prefix : {"windows-", "cp"}) {
        if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size() || name.size() > prefix.size() + 5) continue;
        const std::string digits = name.substr(prefix.size());
        if (std::all_of(digits.begin(), digits.end(), IsAsciiDigit))
            return static_cast<std::uint32_t>(std::stoul(digits));
    }
    return IsValidUtf8(bytes) ? 65001 : 1252;
}

std::string NormaliseCharsetName(std::string_view charset) {
    std::string name;
    for (char c : charset) {
        if (c == '*') break;  // RFC 2231 language suffix
        if (c == ' ' || c == '\t' || c == '"' || c == '\'') continue;
        name += ToLowerAscii(c);
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
        if (IsAsciiText(bytes)) return std::string(bytes);
        name = "windows-1252";
    }
    if (name == "iso-8859-1") name = "windows-1252";
    return detail::NativeToUtf8(bytes, name);
}

std::optional<std::string> FromUtf8(std::string_view utf8, std::string_view charset) {
    std::string name = NormaliseCharsetName(charset);
    if (name == "utf-8") return IsValidUtf8(utf8) ? std::optional<std::string>(std::string(utf8)) : std::nullopt;
    if (name == "us-ascii") return IsAsciiText(utf8) ? std::optional<std::string>(std::string(utf8)) : std::nullopt;
    if (IsAsciiText(utf8) && name.rfind("utf-16", 0) != 0 && name.rfind("utf-32", 0) != 0 && name != "utf-7" &&
        name.rfind("iso-2022", 0) != 0)
        return std::string(utf8);
    return detail::NativeFromUtf8(utf8, name);
}

}  // namespace quill::platform
