#include "controls/button/ButtonEvents.h"

namespace quill::button {
namespace {

using enum ButtonEvent;

constexpr EventArgumentInfo kButton{"Button", false};
constexpr EventArgumentInfo kShift{"Shift", false};
constexpr EventArgumentInfo kX{"X", true};
constexpr EventArgumentInfo kY{"Y", true};
constexpr EventArgumentInfo kKeyCode{"KeyCode", false};
constexpr EventArgumentInfo kKeyAscii{"KeyAcsii", false};  // the name the event was declared with

constexpr EventInfo kEvents[] = {
    {kClick, "Click", -600, 0, {}},
    {kDblClick, "DblClick", -601, 0, {}},
    {kMouseEnter, "MouseEnter", 1, 0, {}},
    {kMouseLeave, "MouseLeave", 2, 0, {}},
    {kMouseMove, "MouseMove", -606, 4, {kButton, kShift, kX, kY}},
    {kMouseUp, "MouseUp", -607, 4, {kButton, kShift, kX, kY}},
    {kMouseDown, "MouseDown", -605, 4, {kButton, kShift, kX, kY}},
    {kKeyDown, "KeyDown", -602, 2, {kKeyCode, kShift}},
    {kKeyUp, "KeyUp", -604, 2, {kKeyCode, kShift}},
    {kKeyPress, "KeyPress", -603, 1, {kKeyAscii}},
};

}  // namespace

std::span<const EventInfo> AllEvents() { return kEvents; }

const EventInfo& EventInfoOf(ButtonEvent event) { return kEvents[static_cast<std::size_t>(event)]; }

}  // namespace quill::button
