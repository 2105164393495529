#pragma once
// The kestbutton's input logic as a state machine: an event from the host
// (or from a routed window message) changes the button's state and yields
// the effects to carry out, in order. Step is pure: what it needs to know of
// its surroundings comes with the event, and what it wants done comes back
// as effects, which the control applies (Kestbutton::Apply).
//
// Redraw forces the draw state to down for a set check or option button
// (ForcedDrawState). Step applies the same rule wherever it asks for a
// redraw, because later steps of the same handler read the forced state.

#include "controls/button/ButtonEvents.h"
#include "controls/button/ButtonProperties.h"
#include "controls/button/ButtonState.h"
#include "controls/host/ControlSite.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quill::button {

// Key codes the handlers know.
inline constexpr std::int16_t kKeyEnter = 13;
inline constexpr std::int16_t kKeyEscape = 27;
inline constexpr std::int16_t kKeySpace = 32;
inline constexpr std::int16_t kKeyArrowLeft = 37;
inline constexpr std::int16_t kKeyArrowUp = 38;
inline constexpr std::int16_t kKeyArrowRight = 39;
inline constexpr std::int16_t kKeyArrowDown = 40;
inline constexpr std::int16_t kShiftAlt = 4;
inline constexpr std::int16_t kLeftButton = 1;

enum class InputKind : std::uint8_t {
    kMouseDown,
    kMouseMove,
    kMouseUp,
    kDblClick,
    kKeyDown,
    kKeyUp,
    kKeyPress,
    kAccessKey,  // key is the character
    kGotFocus,
    kLostFocus,
    kParentActivated,
    kParentDeactivated,
    kMouseLeft,     // the system's mouse-leave notification
    kMenuClosed,    // the drop-down menu returned
    kDblClickTail,  // the end of a double click, after its press ran
};

// What the handler reads of its surroundings at the moment of the event.
struct InputFacts {
    std::int32_t scaleWidth = 0;  // the surface's client size in pixels
    std::int32_t scaleHeight = 0;
    bool cursorOverButton = false;  // the window under the cursor is the button's own
    bool displayAsDefault = false;  // the form shows the button as its default button
};

struct InputEvent {
    InputKind kind = InputKind::kMouseMove;
    MousePress mouse;        // mouse press, move and release
    std::int16_t key = 0;    // KeyCode, KeyAscii or the access key's character
    std::int16_t shift = 0;  // with the key events
    InputFacts facts;

    InputEvent() = default;
    explicit InputEvent(InputKind k) : kind(k) {}
    InputEvent(InputKind k, MousePress m) : kind(k), mouse(m) {}
    InputEvent(InputKind k, std::int16_t keyCode, std::int16_t shiftState = 0)
        : kind(k), key(keyCode), shift(shiftState) {}
};

enum class EffectKind : std::uint8_t {
    kRedraw,
    kRaiseEvent,       // event, arguments
    kShowHandCursor,   // the hand cursor becomes current (only asked for when HandPointer is true)
    kTrackMouseLeave,  // ask for a mouse-leave notification
    kCreateToolTip,    // make the tooltip window again from the current properties
    kCaptureMouse,     // capture the mouse to the button's window
    kTakeCapture,      // when another window holds the capture, release it and capture to the button's window
    kReleaseCapture,
    kFocusPrevious,  // the focus moves to the previous control of the form in tab order
    kFocusNext,
    kClearOptionGroup,  // other option buttons of the same container lose their Value
    kSetValue,          // value; Value changes without a change report
    kProcessPendingEvents,
    kShowMenu,        // x, y, flags: the host's pop-up menu; then Step runs kMenuClosed
    kRunPress,        // the mouse-press handling with the last press, then Step goes on
    kFinishDblClick,  // then Step runs kDblClickTail
};

struct Effect {
    Effect() = default;
    explicit Effect(EffectKind k) : kind(k) {}
    Effect(ButtonEvent raised, std::vector<host::EventArgument> with)
        : kind(EffectKind::kRaiseEvent), event(raised), arguments(std::move(with)) {}

    EffectKind kind = EffectKind::kRedraw;
    ButtonEvent event = ButtonEvent::kClick;
    std::vector<host::EventArgument> arguments;
    bool value = false;
    float x = 0;
    float y = 0;
    std::int32_t flags = 0;
    bool operator==(const Effect&) const = default;
};
using Effects = std::vector<Effect>;

// The state Redraw paints: down for a check or option button whose Value is
// set, except in styles 0 and 6, which keep the state they are given.
[[nodiscard]] std::int32_t ForcedDrawState(std::int32_t drawState, const ButtonProperties& properties) noexcept;

[[nodiscard]] Effects Step(ButtonState& state, const ButtonProperties& properties, const InputEvent& event);

// Where ShowDropDownMenu opens the menu, by align, on a W x H surface; the
// flags it passes (and keeps for later showings). Empty for an align outside 0
// to 7: no menu is shown.
struct MenuPlacement {
    float x = 0;
    float y = 0;
    std::int32_t flags = 0;
    bool operator==(const MenuPlacement&) const = default;
};
[[nodiscard]] std::optional<MenuPlacement> PlaceMenu(std::int32_t align, std::int32_t flags, std::int32_t width,
                                                     std::int32_t height) noexcept;

}  // namespace quill::button
