#pragma once
// Routing of window messages to a kestbutton, through the system's
// per-window subclass list: each button routes its own window and its parent
// form's window under an identifier of its own, so buttons sharing a parent
// add and remove their routing in any order and the window keeps working.

#include "controls/button/RoutingTable.h"

#include <windows.h>

#include <cstddef>

namespace quill::button {

class Kestbutton;

class WindowRouting {
  public:
    explicit WindowRouting(Kestbutton& button) noexcept : button_(button) {}
    // Removes whatever routing is left.
    ~WindowRouting();
    WindowRouting(const WindowRouting&) = delete;
    WindowRouting& operator=(const WindowRouting&) = delete;

    // Puts the routing in front of window; answers its entry. Throws
    // std::runtime_error when the system refuses.
    std::size_t SubclassWindow(HWND window);
    // when: kRouteBefore, kRouteAfter or both.
    void AddMessage(HWND window, UINT message, int when);
    void UnsubclassWindow(HWND window) noexcept;
    // Every routed window, the last routed first.
    void UnsubclassAll() noexcept;

    [[nodiscard]] const RoutingTable& Table() const noexcept { return table_; }
    // The identifier this routing has in a window's subclass list.
    [[nodiscard]] UINT_PTR Id() const noexcept { return reinterpret_cast<UINT_PTR>(this); }
    // Whether routing with this identifier is in front of window, asked of
    // the subclass list itself (whose reader is exported by number only).
    [[nodiscard]] static bool IsInstalled(HWND window, UINT_PTR id) noexcept;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);

    Kestbutton& button_;
    RoutingTable table_;
};

}  // namespace quill::button
