#pragma once
// What the system offers a kestbutton, asked at run time: whether a library
// exports a function, whether a library can be loaded, and whether visual
// styles are in use.

#include <optional>

namespace quill::button {

// True when the library exports function by that name. A library that is not
// loaded yet is loaded for the question and released again; one that was
// loaded already stays as it was.
[[nodiscard]] bool IsFunctionExported(const char* function, const wchar_t* library) noexcept;

// True when the library can be loaded (it is released again at once).
[[nodiscard]] bool IsLibraryPresent(const wchar_t* library) noexcept;

// The theme questions of one control, each asked of the system once and
// remembered for the control's life.
class ThemeCapabilities {
  public:
    // The theme library "uxtheme.dll" can be loaded.
    [[nodiscard]] bool IsUxThemePresent() noexcept;
    // The theme library is present and the system says the application is
    // themed; false on any failure.
    [[nodiscard]] bool IsThemed() noexcept;

  private:
    std::optional<bool> uxThemePresent_;
    std::optional<bool> themed_;
};

}  // namespace quill::button
