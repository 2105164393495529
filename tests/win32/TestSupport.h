#pragma once
// Throwaway registry keys, folders and environment values for the Win32 tests.
// Each cleans up after itself so the shared Wine prefix stays as it was.

#include "win32/Win32Handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace quill::test {

inline std::wstring UniqueSuffix() {
    static int counter = 0;
    return std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

inline void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE h = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(path.c_str());
}

// A fresh folder under the temporary folder; its name ends in `tail`.
class TempFolder {
  public:
    explicit TempFolder(const std::wstring& tail) {
        wchar_t temp[MAX_PATH + 1] = {};
        DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::wstring(temp, n) + L"quill-app-" + UniqueSuffix() + L"-" + tail;
        EXPECT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr)) << "cannot make the test folder";
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { RemoveTree(path_); }

    // No trailing backslash.
    const std::wstring& Path() const { return path_; }

    // Makes relative (backslash-separated) folders and their parents.
    std::wstring MakeFolder(const std::wstring& relative) const {
        std::wstring full = path_;
        std::size_t start = 0;
        while (start <= relative.size()) {
            std::size_t end = relative.find(L'\\', start);
            if (end == std::wstring::npos) end = relative.size();
            if (end > start) {
                full += L"\\" + relative.substr(start, end - start);
                ::CreateDirectoryW(full.c_str(), nullptr);
            }
            start = end + 1;
        }
        EXPECT_NE(::GetFileAttributesW(full.c_str()), INVALID_FILE_ATTRIBUTES) << "cannot make a test folder";
        return full;
    }

    void MakeFile(const std::wstring& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
        std::wstring full = path_ + L"\\" + relative;
        HANDLE h = ::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot make a test file";
        DWORD written = 0;
        ::WriteFile(h, "x", 1, &written, nullptr);
        ::CloseHandle(h);
        if (attributes != FILE_ATTRIBUTE_NORMAL) {
            ASSERT_TRUE(::SetFileAttributesW(full.c_str(), attributes));
            ASSERT_EQ(::GetFileAttributesW(full.c_str()) & attributes, attributes) << "attributes did not stick";
        }
    }

  private:
    std::wstring path_;
};

// A key under HKCU that exists for one test.
class ThrowawayKey {
  public:
    ThrowawayKey() : path_(L"Software\\Quillmere tests\\app-" + UniqueSuffix()) {
        EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key_.Put(), nullptr),
                  ERROR_SUCCESS);
    }
    ThrowawayKey(const ThrowawayKey&) = delete;
    ThrowawayKey& operator=(const ThrowawayKey&) = delete;
    ~ThrowawayKey() {
        key_.Reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quillmere tests");  // only once empty
    }

    const std::wstring& Path() const { return path_; }

    void Set(const std::wstring& subKey, const std::wstring& name, DWORD type, const void* data, DWORD bytes) const {
        UniqueKey key;
        ASSERT_EQ(
            ::RegCreateKeyExW(key_.Get(), subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
                  ERROR_SUCCESS);
    }
    // The text with its terminating NUL, as programs normally store it.
    void SetText(const std::wstring& subKey, const std::wstring& name, const std::wstring& text,
                 DWORD type = REG_SZ) const {
        Set(subKey, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void SetNumber(const std::wstring& subKey, const std::wstring& name, std::uint32_t number) const {
        DWORD value = number;
        Set(subKey, name, REG_DWORD, &value, sizeof value);
    }
    void MakeKey(const std::wstring& subKey) const {
        UniqueKey key;
        ASSERT_EQ(::RegCreateKeyExW(key_.Get(), subKey.c_str(), 0, nullptr, 0, KEY_READ, nullptr, key.Put(), nullptr),
                  ERROR_SUCCESS);
    }

  private:
    std::wstring path_;
    UniqueKey key_;
};

// Sets an environment variable of this process for one scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(std::wstring name, const std::wstring& value) : name_(std::move(name)) {
        std::wstring old(32768, L'\0');
        DWORD n = ::GetEnvironmentVariableW(name_.c_str(), old.data(), static_cast<DWORD>(old.size()));
        hadValue_ = n > 0 && n < old.size();
        if (hadValue_) old_ = old.substr(0, n);
        ::SetEnvironmentVariableW(name_.c_str(), value.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { ::SetEnvironmentVariableW(name_.c_str(), hadValue_ ? old_.c_str() : nullptr); }

  private:
    std::wstring name_;
    std::wstring old_;
    bool hadValue_ = false;
};

}  // namespace quill::test
