#pragma once
// The stored values of a kestbutton's properties, as a plain value that the
// input logic and the painters read. MousePointer and MouseIcon are not here:
// the control surface holds them.

#include "controls/button/ColorHelpers.h"
#include "controls/host/HostTypes.h"

#include <cstdint>
#include <string>

namespace quill::button {

// Mode
inline constexpr std::int32_t kModePush = 0;
inline constexpr std::int32_t kModeCheck = 1;   // each click toggles Value
inline constexpr std::int32_t kModeOption = 2;  // one set button per container

struct ButtonProperties {
    Color backColor = 0;
    std::int32_t buttonStyle = 0;     // 0 to 13, the look
    std::string caption;              // UTF-8; "&" marks the access key, "&&" is a literal "&"
    std::int32_t captionAlign = 0;    // 0 left, 1 centre, 2 right
    std::int32_t dropDownSymbol = 0;  // 0 none, else the symbol-font character
    bool dropDownSeparator = false;
    std::int32_t disabledPictureMode = 0;
    bool enabled = false;
    host::Font font;  // the control's font object (mFont)
    Color foreColor = 0;
    Color foreColorHover = 0;
    bool handPointer = false;
    Color maskColor = 0;
    std::int32_t mode = kModePush;
    host::PicturePtr pictureNormal;
    host::PicturePtr pictureHot;
    host::PicturePtr pictureDown;
    std::int32_t pictureAlign = 0;  // 0 to 8
    bool pictureShadow = false;
    std::int32_t pictureEffectOnOver = 0;
    std::int32_t pictureEffectOnDown = 0;
    bool picturePushOnHover = false;
    std::int32_t pictureOpacity = 0;        // 0 to 255
    std::int32_t pictureOpacityOnOver = 0;  // 0 to 255
    bool rightToLeft = false;               // the caption's reading order
    std::int32_t captionEffects = 0;        // 0 to 5
    bool showFocusRect = false;
    bool useMaskColor = false;
    bool value = false;  // the set state of a check or option button
    std::string tooltipTitle;
    std::string toolTip;
    Color tooltipBackColor = 0;       // 0 keeps the system's tooltip colour
    std::int32_t toolTipIcon = 0;     // 0 none, 1 information, 2 warning, 3 error
    std::int32_t toolTipType = 0;     // 0 standard, 1 balloon
    std::int32_t colorScheme = 0;     // 0 to 2 presets, 3 the user's colours
    bool tooltipRightToLeft = false;  // RightToLeft as the tooltip window's layout
};

}  // namespace quill::button
