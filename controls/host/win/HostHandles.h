#pragma once
// Owners for the few Win32 objects the host makes, as std::unique_ptr with
// named deleters.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace quill::host {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};
struct WindowDeleter {
    void operator()(HWND window) const noexcept { ::DestroyWindow(window); }
};

using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using OwnedBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

}  // namespace quill::host
