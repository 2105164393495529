#include "platform/Path.h"

#include "platform/Ascii.h"

namespace quill::platform {

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (IsPathSeparator(dir.back())) return dir + name;
    return dir + kPathSeparator + name;
}

std::string_view LastPathComponent(std::string_view path) noexcept {
    std::size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string_view PathExtension(std::string_view name) noexcept {
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot);
}

bool IsWindowsDeviceName(std::string_view name) noexcept {
    const std::string_view stem = name.substr(0, name.find('.'));
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (EqualsIgnoreCase(stem, device)) return true;
    return stem.size() == 4 && (StartsWithIgnoreCase(stem, "COM") || StartsWithIgnoreCase(stem, "LPT")) &&
           IsAsciiDigit(stem[3]);
}

bool IsContainerName(std::string_view name) noexcept {
    return name.size() > kContainerExtension.size() && EndsWithIgnoreCase(name, kContainerExtension);
}

std::string_view WithoutContainerExtension(std::string_view name) noexcept {
    if (EndsWithIgnoreCase(name, kContainerExtension)) name.remove_suffix(kContainerExtension.size());
    return name;
}

}  // namespace quill::platform
