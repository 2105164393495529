#include "win32/FolderChooser.h"

#include "win32/ComPtr.h"

#include <shlobj.h>

#include <cwctype>

namespace quill {
namespace {

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
