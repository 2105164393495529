#pragma once
// UTF-8 inside, UTF-16 at the Windows edge: the wide strings the Windows API
// takes, converted by the one converter in Utf.h. Windows builds only.

#include "platform/Utf.h"

#include <string>

namespace quill::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows API's wide characters are UTF-16 units");

[[nodiscard]] inline std::wstring Widen(const std::string& utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

[[nodiscard]] inline std::string Narrow(const std::wstring& utf16) {
    return Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end()));
}

}  // namespace quill::platform
