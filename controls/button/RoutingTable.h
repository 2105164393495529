#pragma once
// Which window messages a kestbutton has routed to it, and what the routing in
// front of a window does with one message. The Win32 shell puts the routing
// in front of the window (the system's per-window subclass list); this is the
// bookkeeping and the behaviour, kept portable so both are tested natively.

#include "controls/host/HostTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace quill::button {

// When a message is handed to the button: before the window's previous
// procedure (which the button may then skip), after it, or both.
inline constexpr std::int32_t kRouteAfter = 1;
inline constexpr std::int32_t kRouteBefore = 2;

// One routed window. A free entry has window 0; a message number 0 in a list
// is a free slot.
struct RoutedWindow {
    host::NativeHandle window = 0;
    std::vector<std::uint32_t> before;
    std::vector<std::uint32_t> after;
};

class RoutingTable {
  public:
    // An entry for window: the first free one searching from the last entry
    // down, or a new one at the end. Answers its index.
    std::size_t Add(host::NativeHandle window);
    // Adds message to the window's before list (bit 2 of when), after list
    // (bit 1) or both, reusing a free slot before appending. Nothing for a
    // window without an entry.
    void AddMessage(host::NativeHandle window, std::uint32_t message, std::int32_t when);
    // Frees the window's entry.
    void Remove(host::NativeHandle window);
    [[nodiscard]] const RoutedWindow* Find(host::NativeHandle window) const;
    // The routed windows, last entry first: the order in which all routing is removed.
    [[nodiscard]] std::vector<host::NativeHandle> WindowsLastFirst() const;
    [[nodiscard]] const std::vector<RoutedWindow>& Entries() const noexcept { return entries_; }

  private:
    RoutedWindow* FindEntry(host::NativeHandle window);
    std::vector<RoutedWindow> entries_;
};

[[nodiscard]] bool Lists(const std::vector<std::uint32_t>& list, std::uint32_t message) noexcept;

// The button's side of a routed message: before (true) or after the previous
// procedure; handled, when set in a before call, skips the previous procedure
// and returns result at once.
using RoutedHandler = std::function<void(bool before, bool& handled, std::intptr_t& result)>;
using PreviousProcedure = std::function<std::intptr_t()>;

// What the routing in front of a window does with one message: result starts
// at 0; a message in the before list goes to the handler first; unless it was
// handled there, the previous procedure runs and gives the result; then a
// message in the after list goes to the handler. The handler may end the
// button: after that nothing of it is called (stillThere answers false).
[[nodiscard]] std::intptr_t RouteMessage(bool inBefore, bool inAfter, const RoutedHandler& handler,
                                         const PreviousProcedure& previous, const std::function<bool()>& stillThere);

}  // namespace quill::button
