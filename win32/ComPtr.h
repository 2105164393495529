#pragma once
// Owners for what COM hands out: interface pointers and task-allocator memory.

#include <windows.h>

#include <objbase.h>

#include <utility>

namespace quill {

template <typename T>
class ComPtr {
  public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    [[nodiscard]] T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void Reset() noexcept {
        if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
    }
    // For out-parameters: releases what is held and lets the call write anew.
    [[nodiscard]] T** Put() noexcept {
        Reset();
        return &p_;
    }
    [[nodiscard]] void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  private:
    T* p_ = nullptr;
};

// Memory from CoTaskMemAlloc (shell strings, item id lists).
template <typename T>
class CoTaskMem {
  public:
    CoTaskMem() noexcept = default;
    explicit CoTaskMem(T* p) noexcept : p_(p) {}
    CoTaskMem(const CoTaskMem&) = delete;
    CoTaskMem& operator=(const CoTaskMem&) = delete;
    ~CoTaskMem() { ::CoTaskMemFree(p_); }

    [[nodiscard]] T* Get() const noexcept { return p_; }
    [[nodiscard]] T** Put() noexcept {
        ::CoTaskMemFree(std::exchange(p_, nullptr));
        return &p_;
    }

  private:
    T* p_ = nullptr;
};

// COM for the current thread for one scope. A thread that already runs COM in
// another apartment keeps it; only a successful initialisation is undone.
class ComApartment {
  public:
    ComApartment() noexcept
        : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialised_) ::CoUninitialize();
    }

  private:
    bool initialised_;
};

}  // namespace quill
