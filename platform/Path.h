#pragma once
// Path and file-name helpers, the one home for them. Paths are UTF-8. Names
// that come from mail or from a Windows store may hold either separator, so
// the last component is taken after the last '/' or '\' on every system;
// JoinPath writes the system's own separator.

#include <string>
#include <string_view>

namespace quill::platform {

// The system's separator: '\' on Windows, '/' elsewhere.
extern const char kPathSeparator;

// Joins with the system's separator unless dir already ends in one; an empty
// dir gives name.
[[nodiscard]] std::string JoinPath(const std::string& dir, const std::string& name);

[[nodiscard]] constexpr bool IsPathSeparator(char c) noexcept { return c == '/' || c == '\\'; }

// What follows the last '/' or '\' (the whole text when there is none).
[[nodiscard]] std::string_view LastPathComponent(std::string_view path) noexcept;

// The extension with its dot ("a.tar.gz" gives ".gz"); empty when the name
// has no dot, only a leading one (".profile") or ends in one ("a.").
[[nodiscard]] std::string_view PathExtension(std::string_view name) noexcept;

// IncrediMail's containers end in ".imm", in any letter case. The rule is
// applied once, at the end: "a.imm.imm" is container "a.imm".
inline constexpr std::string_view kContainerExtension = ".imm";
// A container's file name: something before a trailing ".imm".
[[nodiscard]] bool IsContainerName(std::string_view name) noexcept;
// The name without one trailing ".imm" (in any letter case), else unchanged.
[[nodiscard]] std::string_view WithoutContainerExtension(std::string_view name) noexcept;

// A name Windows takes for a device in every folder, whatever its extension
// ("CON", "nul.txt", "COM1.log", ...).
[[nodiscard]] bool IsWindowsDeviceName(std::string_view name) noexcept;

}  // namespace quill::platform
