#include "app/registry.h"

#include "app/ComPtr.h"
#include "app/Win32Handles.h"

#include <shlobj.h>

#include <cwctype>
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

bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
}

FolderChoice ChooseWithFileDialog(IFileOpenDialog* dialog, HWND owner, const std::wstring& title) {
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options))) options = 0;
    // FOS_FORCEFILESYSTEM keeps virtual items from being confirmed, as
    // BIF_RETURNONLYFSDIRS does in the folder tree.
    if (FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST))) return {};
    dialog->SetTitle(title.c_str());
    if (FAILED(dialog->Show(owner))) return {};  // HRESULT_FROM_WIN32(ERROR_CANCELLED) on cancel
    ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.Put()))) return {};
    return FolderChoiceFromItem(item.Get());
}

FolderChoice ChooseWithFolderTree(HWND owner, const std::wstring& title) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    CoTaskMem<ITEMIDLIST> chosen(::SHBrowseForFolderW(&info));
    return FolderChoiceFromIdList(chosen.Get());
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

std::wstring FolderChoicePath(const FolderChoice& choice) {
    if (!choice.confirmed || !choice.fileSystem) return {};
    std::wstring path = choice.path;
    if (path.size() == 2 && path[1] == L':') return path + L'\\';  // "C:" alone means a current folder
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') && !IsDriveRoot(path)) path.pop_back();
    return path;
}

FolderChoice FolderChoiceFromItem(IShellItem* item) {
    FolderChoice choice;
    if (item == nullptr) return choice;
    choice.confirmed = true;
    CoTaskMem<wchar_t> path;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, path.Put())) && path.Get() != nullptr &&
        path.Get()[0] != L'\0') {
        choice.fileSystem = true;
        choice.path = path.Get();
    }
    return choice;
}

FolderChoice FolderChoiceFromIdList(PCIDLIST_ABSOLUTE idList) {
    FolderChoice choice;
    if (idList == nullptr) return choice;
    choice.confirmed = true;
    wchar_t path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(idList, path) && path[0] != L'\0') {
        choice.fileSystem = true;
        choice.path = path;
    }
    return choice;
}

std::wstring BrowseForFolder(HWND owner, const std::wstring& title) {
    try {
        ComApartment com;
        ComPtr<IFileOpenDialog> dialog;
        if (SUCCEEDED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                         dialog.PutVoid()))) {
            return FolderChoicePath(ChooseWithFileDialog(dialog.Get(), owner, title));
        }
        return FolderChoicePath(ChooseWithFolderTree(owner, title));
    } catch (...) {
        return {};  // called from window procedures: every failure is a choice not made
    }
}

}  // namespace quill
