#include "controls/button/RoutingTable.h"

#include <algorithm>
#include <utility>

namespace quill::button {
namespace {

void AddTo(std::vector<std::uint32_t>& list, std::uint32_t message) {
    auto free = std::find(list.begin(), list.end(), 0u);
    if (free != list.end()) {
        *free = message;
    } else {
        list.push_back(message);
    }
}

}  // namespace

std::size_t RoutingTable::Add(host::NativeHandle window) {
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i].window == 0) {
            entries_[i] = RoutedWindow{window, {}, {}};
            return i;
        }
    }
    entries_.push_back(RoutedWindow{window, {}, {}});
    return entries_.size() - 1;
}

void RoutingTable::AddMessage(host::NativeHandle window, std::uint32_t message, std::int32_t when) {
    RoutedWindow* entry = FindEntry(window);
    if (entry == nullptr) return;
    if (when & kRouteBefore) AddTo(entry->before, message);
    if (when & kRouteAfter) AddTo(entry->after, message);
}

void RoutingTable::Remove(host::NativeHandle window) {
    if (RoutedWindow* entry = FindEntry(window)) *entry = RoutedWindow{};
}

const RoutedWindow* RoutingTable::Find(host::NativeHandle window) const {
    if (window == 0) return nullptr;
    for (const RoutedWindow& entry : entries_) {
        if (entry.window == window) return &entry;
    }
    return nullptr;
}

RoutedWindow* RoutingTable::FindEntry(host::NativeHandle window) {
    return const_cast<RoutedWindow*>(std::as_const(*this).Find(window));
}

std::vector<host::NativeHandle> RoutingTable::WindowsLastFirst() const {
    std::vector<host::NativeHandle> windows;
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i].window != 0) windows.push_back(entries_[i].window);
    }
    return windows;
}

bool Lists(const std::vector<std::uint32_t>& list, std::uint32_t message) noexcept {
    return message != 0 && std::find(list.begin(), list.end(), message) != list.end();
}

std::intptr_t RouteMessage(bool inBefore, bool inAfter, const RoutedHandler& handler, const PreviousProcedure& previous,
                           const std::function<bool()>& stillThere) {
    std::intptr_t result = 0;
    bool handled = false;
    if (inBefore) {
        handler(true, handled, result);
        if (handled) return result;
    }
    result = previous();
    if (inAfter && stillThere()) handler(false, handled, result);
    return result;
}

}  // namespace quill::button
