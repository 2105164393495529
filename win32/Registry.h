#pragma once
// The `registry` module's registry reads: RegKeyExists and RegReadValue, as store lookup uses
// them. (The module's folder chooser is in FolderChooser.h.)

#include <windows.h>

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

}  // namespace quill
