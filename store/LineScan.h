#pragma once
// Small line tests shared by the container reader and the header repair.
// Lines are given without their line end.

#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/Ascii.h"

namespace quill::lines {

// True when the line begins with `lowerName` in any letter case.
inline bool StartsWithNoCase(std::string_view line, std::string_view lowerName) noexcept {
    return platform::StartsWithIgnoreCase(line, lowerName);
}

// A header-field line: a field name of printable ASCII other than the colon,
// then a colon (RFC 5322 section 2.2).
inline bool IsHeaderField(std::string_view line) noexcept {
    if (line.empty()) return false;
    const void* colon = std::memchr(line.data(), ':', line.size());
    if (!colon || colon == line.data()) return false;
    const char* end = static_cast<const char*>(colon);
    for (const char* p = line.data(); p < end; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 33 || c > 126) return false;
    }
    return true;
}

inline bool IsContinuation(std::string_view line) noexcept {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

// A MIME boundary line that opens a part ("--" and not the closing "--...--").
inline bool IsOpeningBoundary(std::string_view line) noexcept {
    if (line.size() < 3 || line[0] != '-' || line[1] != '-') return false;
    std::size_t end = line.size();
    while (end > 2 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    return !(end >= 4 && line[end - 1] == '-' && line[end - 2] == '-');
}

// Case-insensitive search for a lower-case needle.
inline bool ContainsNoCase(std::string_view hay, std::string_view lowerNeedle) noexcept {
    return platform::FindIgnoreCase(hay, lowerNeedle) != std::string_view::npos;
}

// Strips one trailing CR (the line's own CR of a CR LF end).
inline std::string_view WithoutCr(std::string_view line) noexcept {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace quill::lines
