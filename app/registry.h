#pragma once
// Registry reads and the folder chooser.

#include <windows.h>

#include <shobjidl.h>
#include <shtypes.h>

#include <cstdint>
#include <string>
#include <variant>

namespace quill {

// A value as RegReadValue gives it: text for string types, the number for a
// 32-bit number, and the empty text for everything else.
using RegValue = std::variant<std::wstring, std::uint32_t>;

// The value as text; a number in decimal.
std::wstring RegValueText(const RegValue& value);

// True when the key can be opened for reading. Leaves nothing open.
[[nodiscard]] bool RegKeyExists(HKEY root, const std::wstring& subKey);

// Types 1 and 2 give the text up to its first NUL; type 2 has its environment
// references expanded. Type 4 gives the number. Any other type, a missing key
// or value and a failed read give the empty text. Leaves nothing open.
[[nodiscard]] RegValue RegReadValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName);

// The return code of the last open or query made by RegKeyExists or
// RegReadValue (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ...).
[[nodiscard]] LONG RegLastResult() noexcept;

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
