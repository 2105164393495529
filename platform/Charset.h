#pragma once
// Charset conversion for text taken out of messages. UTF-8 inside; the
// backend (iconv on POSIX, the Windows code pages elsewhere) does the rest.
// Names are matched as mail writes them: any letter case, with an RFC 2231 /
// RFC 2047 language suffix ("utf-8*en") ignored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill::platform {

// Bytes in the named charset as UTF-8; nullopt when the charset is unknown.
// Bytes that are not valid in the charset become U+FFFD, so a damaged text
// still decodes. "us-ascii" text that holds 8-bit bytes, and "iso-8859-1",
// are read as windows-1252, which is what such mail was written in.
std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset);

// UTF-8 text in the named charset; nullopt when the charset is unknown or a
// character of the text has no form in it.
std::optional<std::string> FromUtf8(std::string_view utf8, std::string_view charset);

// Lower case, language suffix and blanks removed, common aliases folded
// ("utf8" -> "utf-8", "latin1" -> "iso-8859-1").
std::string NormaliseCharsetName(std::string_view charset);

// A charset name of mail with its two Windows code pages, the one table of
// them. `label` is the code page that names the charset to mail readers (what
// a PST's PR_INTERNET_CPID says); `conversion` is the one the Windows backend
// converts the bytes with. They differ on purpose where the converter knows
// the charset under another number: euc-jp is labelled 51932 but converts as
// 20932, since MultiByteToWideChar has no 51932; euc-kr is labelled 949, the
// Korean page mail readers render (a superset of EUC-KR), but converts as
// 51949, EUC-KR's exact table. 0 means none: utf-8, us-ascii and the UTF-16
// forms are converted without a code page; a few names read by the converter
// carry no label of their own, and the mapper then labels by the bytes.
struct CharsetCodePages {
    std::string_view name;  // normalised (see NormaliseCharsetName)
    std::uint32_t label;
    std::uint32_t conversion;
};
[[nodiscard]] const CharsetCodePages* FindCharsetCodePages(std::string_view normalisedName);

// The code page that labels text in the named charset: the table's label;
// "windows-N" and "cpN" give N; "us-ascii" holding 8-bit bytes, a missing or
// an unknown charset give 65001 when the bytes are valid UTF-8, else 1252.
[[nodiscard]] std::uint32_t CodePageForCharset(std::string_view charset, std::string_view bytes);

// The charset of the system's ANSI code page, the one Windows programs write
// 8-bit file names in ("windows-1251" on a Russian Windows); empty where the
// system has none (everywhere but Windows).
[[nodiscard]] std::string SystemAnsiCharset();

// The table's entry whose conversion code page is codePage; nullptr when none.
[[nodiscard]] const CharsetCodePages* FindCharsetByCodePage(std::uint32_t codePage);

namespace detail {
// The backend, given a normalised name that is not utf-8 or us-ascii.
std::optional<std::string> NativeToUtf8(std::string_view bytes, const std::string& charset);
std::optional<std::string> NativeFromUtf8(std::string_view utf8, const std::string& charset);
}  // namespace detail

}  // namespace quill::platform
