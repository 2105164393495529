#include "platform/UnicodeName.h"

#include <windows.h>

#include "platform/Utf16_win.h"

namespace quill::platform {

std::string FileNameKey(std::string_view utf8) {
    std::wstring name = Widen(RepairUtf8(utf8));
    if (name.empty()) return {};
    // The system's own normalisation and upper-case tables: the ones it
    // compares file names with.
    int size = NormalizeString(NormalizationC, name.c_str(), static_cast<int>(name.size()), nullptr, 0);
    for (int attempt = 0; size > 0 && attempt < 4; ++attempt) {
        std::wstring composed(static_cast<std::size_t>(size), L'\0');
        int got = NormalizeString(NormalizationC, name.c_str(), static_cast<int>(name.size()), composed.data(), size);
        if (got > 0) {
            composed.resize(static_cast<std::size_t>(got));
            name = std::move(composed);
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        size = -got;  // the better estimate the call returns
    }
    int upperSize = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()),
                                  nullptr, 0, nullptr, nullptr, 0);
    if (upperSize > 0) {
        std::wstring upper(static_cast<std::size_t>(upperSize), L'\0');
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()),
                          upper.data(), upperSize, nullptr, nullptr, 0) > 0)
            name = std::move(upper);
    }
    return Narrow(name);
}

}  // namespace quill::platform
