#include "platform/Charset.h"

#include <windows.h>

#include "platform/Utf16_win.h"

namespace quill::platform::detail {
namespace {

UINT CodePageOf(const std::string& charset) {
    const CharsetCodePages* entry = FindCharsetCodePages(charset);
    if (entry == nullptr || entry->conversion == 0) return 0;
    return IsValidCodePage(entry->conversion) ? entry->conversion : 0;
}

// These code pages refuse the "default character used" query.
bool TakesNoDefaultCharQuery(UINT cp) {
    return cp == 42 || cp == 65000 || cp == 54936 || (cp >= 50220 && cp <= 50229) || cp == 52936 ||
           (cp >= 57002 && cp <= 57011);
}

}  // namespace

std::optional<std::string> NativeToUtf8(std::string_view bytes, const std::string& charset) {
    UINT cp = CodePageOf(charset);
    if (cp == 0) return std::nullopt;
    if (bytes.empty()) return std::string();
    // Without MB_ERR_INVALID_CHARS, bad bytes come back as U+FFFD.
    int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return Narrow(wide);
}

std::optional<std::string> NativeFromUtf8(std::string_view utf8, const std::string& charset) {
    UINT cp = CodePageOf(charset);
    if (cp == 0) return std::nullopt;
    std::wstring wide = Widen(std::string(utf8));
    if (wide.empty()) return std::string();
    bool query = !TakesNoDefaultCharQuery(cp);
    DWORD flags = query ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(cp, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                query ? &usedDefault : nullptr);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(cp, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace quill::platform::detail

namespace quill::platform {

std::string SystemAnsiCharset() {
    const CharsetCodePages* entry = FindCharsetByCodePage(GetACP());
    return entry ? std::string(entry->name) : std::string();
}

}  // namespace quill::platform
