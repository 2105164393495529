#include "win32/Shell.h"

#include <windows.h>

#include <shellapi.h>

namespace quill {

void OpenWebPage(const std::wstring& address, HWND owner) {
    if (address.empty()) return;
    ::ShellExecuteW(owner, L"open", address.c_str(), L"", L"", SW_SHOWNORMAL);
}

}  // namespace quill
