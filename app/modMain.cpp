#include "app/modMain.h"

#include <windows.h>

#include <shellapi.h>

namespace quill {

void OpenWebPage(const std::wstring& address) {
    if (address.empty()) return;
    ::ShellExecuteW(nullptr, L"open", address.c_str(), L"", L"", SW_SHOWNORMAL);
}

void WindowEventPump::Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace quill
