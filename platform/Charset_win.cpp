#include "Charset.h"

#include <windows.h>

namespace quill::platform::detail {
namespace {

struct NamedCodePage {
    const char* name;
    UINT codePage;
};

// Mail's charset names and the Windows code page of each.
constexpr NamedCodePage kCodePages[] = {
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1252", 1252},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"windows-874", 874},
    {"cp874", 874},
    {"cp850", 850},
    {"ibm850", 850},
    {"cp437", 437},
    {"ibm437", 437},
    {"cp866", 866},
    {"ibm866", 866},
    {"iso-8859-1", 28591},
    {"iso-8859-2", 28592},
    {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},
    {"iso-8859-5", 28595},
    {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},
    {"iso-8859-9", 28599},
    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"shift_jis", 932},
    {"euc-jp", 20932},
    {"iso-2022-jp", 50220},
    {"gb2312", 936},
    {"gbk", 936},
    {"cp936", 936},
    {"gb18030", 54936},
    {"big5", 950},
    {"euc-kr", 51949},
    {"ks_c_5601-1987", 949},
    {"iso-2022-kr", 50225},
    {"utf-7", 65000},
    {"unicode-1-1-utf-7", 65000},
    {"x-mac-roman", 10000},
    {"macintosh", 10000},
    {"tis-620", 874},
    {"viscii", 1258},
};

UINT CodePageOf(const std::string& charset) {
    for (const auto& entry : kCodePages)
        if (charset == entry.name) return IsValidCodePage(entry.codePage) ? entry.codePage : 0;
    return 0;
}

// These code pages refuse the "default character used" query.
bool TakesNoDefaultCharQuery(UINT cp) {
    return cp == 42 || cp == 65000 || cp == 54936 || (cp >= 50220 && cp <= 50229) || cp == 52936 ||
           (cp >= 57002 && cp <= 57011);
}

std::string WideToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Utf8ToWide(std::string_view s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
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
    return WideToUtf8(wide);
}

std::optional<std::string> NativeFromUtf8(std::string_view utf8, const std::string& charset) {
    UINT cp = CodePageOf(charset);
    if (cp == 0) return std::nullopt;
    std::wstring wide = Utf8ToWide(utf8);
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
