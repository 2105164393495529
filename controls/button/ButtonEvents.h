#pragma once
// The events a kestbutton raises to its form, with the standard dispatch
// identifiers where one exists and the arguments each carries.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quill::button {

// In the order of the control's event table.
enum class ButtonEvent : std::uint8_t {
    kClick,
    kDblClick,
    kMouseEnter,
    kMouseLeave,
    kMouseMove,
    kMouseUp,
    kMouseDown,
    kKeyDown,
    kKeyUp,
    kKeyPress,
};

struct EventArgumentInfo {
    std::string_view name;
    bool single;  // a single-precision number; otherwise a 16-bit integer
};

struct EventInfo {
    ButtonEvent id;
    std::string_view name;
    std::int32_t dispatchId;
    std::size_t argumentCount;
    std::array<EventArgumentInfo, 4> arguments;
};

[[nodiscard]] std::span<const EventInfo> AllEvents();
[[nodiscard]] const EventInfo& EventInfoOf(ButtonEvent event);

}  // namespace quill::button
