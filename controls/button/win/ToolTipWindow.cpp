#include "controls/button/win/ToolTipWindow.h"

#include "platform/Utf16_win.h"

#include <commctrl.h>

#include <string>

namespace quill::button {
namespace {

void RegisterToolTipClass() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};
        return ::InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)registered;
}

// The ANSI messages take text in the system's ANSI code page.
std::string Ansi(const std::string& utf8) {
    const std::wstring wide = platform::Widen(utf8);
    if (wide.empty()) return {};
    int size =
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                              nullptr);
    }
    return out;
}

}  // namespace

HWND ToolTipWindow::Window() const noexcept {
    // The form may have destroyed it with itself, and a handle kept past its
    // window's end could name another window by now.
    if (window_ == nullptr || !::IsWindow(window_)) return nullptr;
    wchar_t name[32] = {};
    ::GetClassNameW(window_, name, 32);
    return ::lstrcmpiW(name, TOOLTIPS_CLASSW) == 0 ? window_ : nullptr;
}

void ToolTipWindow::Destroy() noexcept {
    if (HWND window = Window()) ::DestroyWindow(window);
    window_ = nullptr;
}

void ToolTipWindow::Remake(HWND owner, const ToolTipSetup& setup) {
    Destroy();
    RegisterToolTipClass();
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    window_ = ::CreateWindowExW(setup.exStyle, TOOLTIPS_CLASSW, nullptr, setup.style, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
    if (window_ != nullptr) {
        // Changes the class: every later tooltip window of the program casts a shadow.
        ::SetClassLongPtrW(window_, GCL_STYLE, ::GetClassLongPtrW(window_, GCL_STYLE) | CS_DROPSHADOW);
    }
    RECT client{};
    ::GetClientRect(owner, &client);
    if (setup.wide) {
        std::wstring text = platform::Widen(setup.text);
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V1_SIZE;
        tool.uFlags = setup.toolFlags;
        tool.hwnd = owner;
        tool.uId = reinterpret_cast<UINT_PTR>(owner);
        tool.rect = client;
        tool.hinst = instance;
        tool.lpszText = text.data();
        ::SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        if (setup.title) {
            std::wstring title = platform::Widen(setup.title->text);
            ::SendMessageW(window_, TTM_SETTITLEW, static_cast<WPARAM>(setup.title->icon),
                           reinterpret_cast<LPARAM>(title.c_str()));
        }
    } else {
        std::string text = Ansi(setup.text);
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.uFlags = setup.toolFlags;
        tool.hwnd = owner;
        tool.uId = reinterpret_cast<UINT_PTR>(owner);
        tool.rect = client;
        tool.hinst = instance;
        tool.lpszText = text.data();
        ::SendMessageA(window_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        if (setup.title) {
            std::string title = Ansi(setup.title->text);
            ::SendMessageA(window_, TTM_SETTITLEA, static_cast<WPARAM>(setup.title->icon),
                           reinterpret_cast<LPARAM>(title.c_str()));
        }
    }
    ::SendMessageW(window_, TTM_SETMAXTIPWIDTH, 0, kToolTipMaxWidth);
    if (setup.backColor) ::SendMessageW(window_, TTM_SETTIPBKCOLOR, static_cast<WPARAM>(*setup.backColor), 0);
}

}  // namespace quill::button
