#include "controls/button/win/WindowRouting.h"

#include "controls/button/Kestbutton.h"

#include <commctrl.h>

#include <exception>
#include <stdexcept>

namespace quill::button {

WindowRouting::~WindowRouting() { UnsubclassAll(); }

std::size_t WindowRouting::SubclassWindow(HWND window) {
    if (!::SetWindowSubclass(window, &WindowRouting::Procedure, Id(), reinterpret_cast<DWORD_PTR>(this))) {
        throw std::runtime_error("cannot route the messages of a window");
    }
    return table_.Add(reinterpret_cast<host::NativeHandle>(window));
}

void WindowRouting::AddMessage(HWND window, UINT message, int when) {
    table_.AddMessage(reinterpret_cast<host::NativeHandle>(window), message, when);
}

void WindowRouting::UnsubclassWindow(HWND window) noexcept {
    // A window already destroyed took its subclass list with it.
    if (::IsWindow(window)) ::RemoveWindowSubclass(window, &WindowRouting::Procedure, Id());
    table_.Remove(reinterpret_cast<host::NativeHandle>(window));
}

void WindowRouting::UnsubclassAll() noexcept {
    for (host::NativeHandle window : table_.WindowsLastFirst()) UnsubclassWindow(reinterpret_cast<HWND>(window));
}

LRESULT CALLBACK WindowRouting::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
    auto* self = reinterpret_cast<WindowRouting*>(data);
    if (message == WM_NCDESTROY) {
        self->UnsubclassWindow(window);
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    const RoutedWindow* entry = self->table_.Find(reinterpret_cast<host::NativeHandle>(window));
    const bool inBefore = entry != nullptr && Lists(entry->before, message);
    const bool inAfter = entry != nullptr && Lists(entry->after, message);
    if (!inBefore && !inAfter) return ::DefSubclassProc(window, message, wParam, lParam);

    // The button may end inside its handler, and this routing with it: from
    // here on only locals are used.
    Kestbutton* button = &self->button_;
    const std::weak_ptr<const bool> alive = button->LifeToken();
    try {
        auto handler = [&](bool before, bool& handled, std::intptr_t& result) {
            host::NativeHandle routed = reinterpret_cast<host::NativeHandle>(window);
            std::uint32_t number = message;
            std::uintptr_t w = wParam;
            std::intptr_t l = lParam;
            button->Subclass_WndProc(before, handled, result, routed, number, w, l);
        };
        auto previous = [&] { return static_cast<std::intptr_t>(::DefSubclassProc(window, message, wParam, lParam)); };
        return static_cast<LRESULT>(
            RouteMessage(inBefore, inAfter, handler, previous, [&] { return !alive.expired(); }));
    } catch (const std::exception& e) {
        // Nothing may leave a window procedure: the form hears of it instead.
        if (!alive.expired()) button->Site().ReportError(e);
    } catch (...) {}
    return 0;
}

bool WindowRouting::IsInstalled(HWND window, UINT_PTR id) noexcept {
    using GetWindowSubclassProc = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);
    static const auto get = [] {
        HMODULE comctl32 = ::GetModuleHandleW(L"comctl32.dll");
        return reinterpret_cast<GetWindowSubclassProc>(
            comctl32 != nullptr ? reinterpret_cast<void*>(::GetProcAddress(comctl32, MAKEINTRESOURCEA(411))) : nullptr);
    }();
    DWORD_PTR data = 0;
    return get != nullptr && get(window, &WindowRouting::Procedure, id, &data) != FALSE;
}

}  // namespace quill::button
