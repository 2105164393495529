#pragma once
// What a kestbutton keeps besides its properties: its input state and the
// drop-down menu attached to it. The input logic (ButtonInput.h) is the only
// writer of both; the painters read them.

#include "controls/host/HostTypes.h"

#include <cstdint>
#include <optional>

namespace quill::button {

// Draw state: what Redraw paints.
inline constexpr std::int32_t kDrawNormal = 0;
inline constexpr std::int32_t kDrawHot = 1;   // mouse over
inline constexpr std::int32_t kDrawDown = 2;  // pressed

// The arguments of a mouse-button event: Button 1 left, 2 right, 4 middle;
// Shift 1 Shift, 2 Ctrl, 4 Alt; X and Y in surface pixels.
struct MousePress {
    std::int16_t button = 0;
    std::int16_t shift = 0;
    float x = 0;
    float y = 0;
    bool operator==(const MousePress&) const = default;
};

struct InputState {
    std::int32_t drawState = kDrawNormal;
    bool mouseHeld = false;     // the left button went down on the button and is not up yet
    bool cursorInside = false;  // the last mouse move found the button's own window under the cursor
    bool focus = false;         // the button has the keyboard focus
    bool spaceHeld = false;     // Space went down on the button and is not up yet
    bool parentActive = false;  // the parent form is the active window (its activation messages say so)
    MousePress lastPress;       // the most recent mouse-button press
    // The system can tell when the mouse leaves a window; decided once, when
    // routing is set up in run mode.
    bool mouseLeaveSupport = false;
    bool operator==(const InputState&) const = default;
};

// The drop-down menu attached with SetPopupMenu.
struct MenuState {
    host::NativeHandle menu = 0;
    std::int32_t align = 0;  // 0 to 7, where the menu opens
    std::int32_t flags = 0;  // the system's pop-up menu flags (8 right-align, 32 bottom-align)
    std::optional<std::uint32_t> defaultItem;
    bool attached = false;
    bool showing = false;           // set while the menu is being opened
    bool closedOverButton = false;  // the menu closed with the cursor over the button
    bool operator==(const MenuState&) const = default;
};

struct ButtonState {
    InputState input;
    MenuState menu;
    bool operator==(const ButtonState&) const = default;
};

}  // namespace quill::button
