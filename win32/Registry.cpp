#include "win32/Registry.h"

#include "win32/Win32Handles.h"

#include <vector>

namespace quill {
namespace {

LONG lastResult = ERROR_SUCCESS;

LONG Keep(LONG rc) noexcept {
    lastResult = rc;
    return rc;
}

UniqueKey OpenForReading(HKEY root, const std::wstring& subKey) {
    UniqueKey key;
    if (Keep(::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.Put())) != ERROR_SUCCESS) key.Reset();
    return key;
}

// Left as written when the expansion fails: the caller still sees the value.
std::wstring ExpandEnvironment(const std::wstring& text) {
    DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring out(needed, L'\0');
    DWORD written = ::ExpandEnvironmentStringsW(text.c_str(), out.data(), needed);
    if (written == 0 || written > needed) return text;
    out.resize(written - 1);
    return out;
}

RegValue ReadString(HKEY key, const std::wstring& valueName, DWORD type, DWORD size) {
    // An odd byte count still needs room for its last half character.
    std::vector<wchar_t> buffer((size + 1) / sizeof(wchar_t) + 1, L'\0');
    DWORD readSize = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    DWORD readType = 0;
    if (Keep(::RegQueryValueExW(key, valueName.c_str(), nullptr, &readType, reinterpret_cast<BYTE*>(buffer.data()),
                                &readSize)) != ERROR_SUCCESS) {
        return std::wstring();
    }
    std::size_t chars = readSize / sizeof(wchar_t);
    if (chars > buffer.size()) chars = buffer.size();
    std::wstring text(buffer.data(), chars);
    if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    return type == REG_EXPAND_SZ ? ExpandEnvironment(text) : text;
}

}  // namespace

std::wstring RegValueText(const RegValue& value) {
    if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
    return std::to_wstring(std::get<std::uint32_t>(value));
}

bool RegKeyExists(HKEY root, const std::wstring& subKey) { return static_cast<bool>(OpenForReading(root, subKey)); }

RegValue RegReadValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
    UniqueKey key = OpenForReading(root, subKey);
    if (!key) return std::wstring();
    // Type and size start at 0, so a missing value reads as type 0.
    DWORD type = 0;
    DWORD size = 0;
    if (Keep(::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size)) != ERROR_SUCCESS) {
        return std::wstring();
    }
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return ReadString(key.Get(), valueName, type, size);
        case REG_DWORD: {
            DWORD number = 0;
            DWORD numberSize = sizeof number;
            if (Keep(::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(&number), &numberSize)) != ERROR_SUCCESS) {
                return std::wstring();
            }
            return static_cast<std::uint32_t>(number);
        }
        default:
            return std::wstring();
    }
}

LONG RegLastResult() noexcept { return lastResult; }

}  // namespace quill
