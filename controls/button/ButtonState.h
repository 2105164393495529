#pragma once
// What a kestbutton keeps besides its properties for its input and its
// drop-down menu. The input logic and the routing grow these.

#include "controls/host/HostTypes.h"

#include <cstdint>
#include <optional>

namespace quill::button {

// Draw state: what Redraw paints.
inline constexpr std::int32_t kDrawNormal = 0;
inline constexpr std::int32_t kDrawHot = 1;   // mouse over
inline constexpr std::int32_t kDrawDown = 2;  // pressed

struct InputState {
    std::int32_t drawState = kDrawNormal;
};

// The drop-down menu attached with SetPopupMenu.
struct MenuState {
    host::NativeHandle menu = 0;
    std::int32_t align = 0;  // 0 to 7, where the menu opens
    std::int32_t flags = 0;  // the system's pop-up menu flags
    std::optional<std::uint32_t> defaultItem;
    bool attached = false;
    bool showing = false;           // set while the menu is being opened
    bool closedOverButton = false;  // the menu closed with the cursor over the button
};

}  // namespace quill::button
