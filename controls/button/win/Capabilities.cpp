#include "controls/button/win/Capabilities.h"

#include <windows.h>

namespace quill::button {

bool IsFunctionExported(const char* function, const wchar_t* library) noexcept {
    HMODULE module = ::GetModuleHandleW(library);
    const bool loadedHere = module == nullptr;
    if (loadedHere) module = ::LoadLibraryW(library);
    if (module == nullptr) return false;
    const bool exported = ::GetProcAddress(module, function) != nullptr;
    if (loadedHere) ::FreeLibrary(module);
    return exported;
}

bool IsLibraryPresent(const wchar_t* library) noexcept {
    HMODULE module = ::LoadLibraryW(library);
    if (module == nullptr) return false;
    ::FreeLibrary(module);
    return true;
}

bool ThemeCapabilities::IsUxThemePresent() noexcept {
    if (!uxThemePresent_) uxThemePresent_ = IsLibraryPresent(L"uxtheme.dll");
    return *uxThemePresent_;
}

bool ThemeCapabilities::IsThemed() noexcept {
    if (!IsUxThemePresent()) return false;
    if (!themed_) {
        themed_ = false;
        if (HMODULE uxtheme = ::LoadLibraryW(L"uxtheme.dll")) {
            using IsAppThemedProc = BOOL(WINAPI*)();
            auto isAppThemed =
                reinterpret_cast<IsAppThemedProc>(reinterpret_cast<void*>(::GetProcAddress(uxtheme, "IsAppThemed")));
            themed_ = isAppThemed != nullptr && isAppThemed() != FALSE;
            ::FreeLibrary(uxtheme);
        }
    }
    return *themed_;
}

}  // namespace quill::button
