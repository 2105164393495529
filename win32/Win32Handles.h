#pragma once

#include <windows.h>

#include <utility>

namespace quill {

// Sole owner of one Win32 handle. Traits names the handle type, its empty
// value and the call that gives it back, so each kind of handle is released
// the way its API demands (a DC from CreateCompatibleDC is deleted, never
// released).
template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    [[nodiscard]] Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Empty(); }

    // Gives up ownership without releasing, e.g. when a window destroyed
    // itself and the handle is already dead.
    [[nodiscard]] Handle Release() noexcept { return std::exchange(handle_, Traits::Empty()); }

    void Reset(Handle handle = Traits::Empty()) noexcept {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::Empty()) Traits::Close(old);
    }

    // For out-parameters (RegCreateKeyExW and friends): releases what is held
    // and lets the API write the new handle in place.
    [[nodiscard]] Handle* Put() noexcept {
        Reset();
        return &handle_;
    }

  private:
    Handle handle_ = Traits::Empty();
};

struct KeyTraits {
    using Handle = HKEY;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

struct WindowTraits {
    using Handle = HWND;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyWindow(h); }
};

// A DC the program created (CreateCompatibleDC, CreateDCW).
struct CreatedDcTraits {
    using Handle = HDC;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteDC(h); }
};

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

using UniqueKey = UniqueHandle<KeyTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueCreatedDc = UniqueHandle<CreatedDcTraits>;
template <typename T>
using UniqueGdiObject = UniqueHandle<GdiObjectTraits<T>>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueFont = UniqueGdiObject<HFONT>;

// Selects a GDI object into a DC and puts the previous one back at scope end.
// A selected object cannot be deleted, so declare this after the owner of the
// object: it is then undone first.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }

    // False when SelectObject refused the object (wrong kind, or a bitmap
    // already selected into another DC).
    [[nodiscard]] bool Selected() const noexcept { return previous_ != nullptr && previous_ != HGDI_ERROR; }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A registered window class, unregistered at scope end (after every window of
// the class has gone, which the caller's declaration order has to ensure).
class RegisteredClass {
  public:
    explicit RegisteredClass(const WNDCLASSEXW& wc) noexcept
        : instance_(wc.hInstance), atom_(::RegisterClassExW(&wc)) {}
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;
    ~RegisteredClass() {
        if (atom_ != 0) ::UnregisterClassW(MAKEINTATOM(atom_), instance_);
    }

    [[nodiscard]] ATOM Atom() const noexcept { return atom_; }
    [[nodiscard]] LPCWSTR Name() const noexcept { return MAKEINTATOM(atom_); }

  private:
    HINSTANCE instance_;
    ATOM atom_;
};

}  // namespace quill
