#pragma once
// The colour schemes: for several looks, ColorScheme 0, 1 or 2 picks a preset
// BackColor; 3 marks a colour the user chose.

#include "controls/button/ButtonProperties.h"
#include "controls/button/ColorHelpers.h"

#include <cstdint>
#include <optional>

namespace quill::button {

inline constexpr std::int32_t kSchemeCustom = 3;

// The ColorScheme a look starts with: 2 for styles 3 and 9, 0 for 0, 1, 2,
// 4, 6, 7, 8 and 10; any other style keeps current.
[[nodiscard]] std::int32_t DefaultColorScheme(std::int32_t buttonStyle, std::int32_t current) noexcept;

// What applying the scheme sets. backColor is empty where the style and
// scheme have no preset (BackColor stays); picturePushOnHover is only ever
// turned on, never off.
struct SchemeColors {
    std::optional<Color> backColor;
    Color foreColor = 0;
    bool showFocusRect = false;
    bool turnOnPicturePushOnHover = false;
};

[[nodiscard]] SchemeColors ColorSchemeOf(std::int32_t buttonStyle, std::int32_t colorScheme,
                                         const ColorTranslator& colors);

// Sets p's BackColor, ForeColor, ShowFocusRect and PicturePushOnHover from
// its ButtonStyle and ColorScheme, as ColorSchemeOf says.
void ApplyColorSchemeTo(ButtonProperties& p, const ColorTranslator& colors);

}  // namespace quill::button
