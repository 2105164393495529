#pragma once
// Charset conversion for text taken out of messages. UTF-8 inside; the
// backend (iconv on POSIX, the Windows code pages elsewhere) does the rest.
// Names are matched as mail writes them: any letter case, with an RFC 2231 /
// RFC 2047 language suffix ("utf-8*en") ignored.

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

bool IsValidUtf8(std::string_view bytes);
// Invalid sequences replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);

// Lower case, language suffix and blanks removed, common aliases folded
// ("utf8" -> "utf-8", "latin1" -> "iso-8859-1").
std::string NormaliseCharsetName(std::string_view charset);

namespace detail {
// The backend, given a normalised name that is not utf-8 or us-ascii.
std::optional<std::string> NativeToUtf8(std::string_view bytes, const std::string& charset);
std::optional<std::string> NativeFromUtf8(std::string_view utf8, const std::string& charset);
}  // namespace detail

}  // namespace quill::platform
