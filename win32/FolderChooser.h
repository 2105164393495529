#pragma once
// The `registry` module's folder chooser, BrowseForFolder, with the seam its
// tests use: what a dialog handed back, and how that becomes a path.

#include <windows.h>

#include <shobjidl.h>
#include <shtypes.h>

#include <string>

namespace quill {

// What a folder dialog handed back, before it is turned into a path.
struct FolderChoice {
    bool confirmed = false;   // false: cancelled, or the dialog failed
    bool fileSystem = false;  // the chosen item has a file-system path
    std::wstring path;        // that path as the shell spelled it
};

// The chosen folder without a trailing backslash, except that a drive root
// ("C:\") keeps its own; empty when nothing usable was chosen.
[[nodiscard]] std::wstring FolderChoicePath(const FolderChoice& choice);

// The choice that a confirmed item stands for (null: nothing was chosen).
[[nodiscard]] FolderChoice FolderChoiceFromItem(IShellItem* item);
[[nodiscard]] FolderChoice FolderChoiceFromIdList(PCIDLIST_ABSOLUTE idList);

// Asks the user for a folder in the system's folder dialog, modal to owner,
// with title as its caption. Falls back to the older folder tree where that
// dialog cannot be made. Empty on cancel, a non-file-system choice or failure.
[[nodiscard]] std::wstring BrowseForFolder(HWND owner, const std::wstring& title);

}  // namespace quill
