#pragma once
// The tooltip window a kestbutton makes each time it turns hot, described
// from its properties: the Win32 shell creates exactly this.

#include "controls/button/ButtonProperties.h"
#include "controls/button/ColorHelpers.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quill::button {

inline constexpr std::uint32_t kToolTipAlwaysTip = 0x01;
inline constexpr std::uint32_t kToolTipNoPrefix = 0x02;
inline constexpr std::uint32_t kToolTipBalloon = 0x40;
inline constexpr std::uint32_t kLayoutRightToLeft = 0x400000;  // extended style
inline constexpr std::uint32_t kToolIdIsWindow = 0x01;
inline constexpr std::uint32_t kToolSubclass = 0x10;  // the tooltip watches the tool window's mouse itself
inline constexpr std::int32_t kToolTipMaxWidth = 240;

struct ToolTipTitle {
    std::int32_t icon = 0;  // 0 none, 1 information, 2 warning, 3 error
    std::string text;
    bool operator==(const ToolTipTitle&) const = default;
};

struct ToolTipSetup {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    bool wide = false;  // the tool and title are given with the wide-character messages
    std::uint32_t toolFlags = 0;
    std::string text;  // UTF-8
    std::optional<ToolTipTitle> title;
    std::int32_t maxWidth = kToolTipMaxWidth;
    std::optional<Color> backColor;  // plain colour; none keeps the system's
    bool operator==(const ToolTipSetup&) const = default;
};

// unicode is the control's Unicode flag (an NT-family system).
[[nodiscard]] ToolTipSetup ToolTipSetupOf(const ButtonProperties& properties, bool unicode,
                                          const ColorTranslator& colors);

}  // namespace quill::button
