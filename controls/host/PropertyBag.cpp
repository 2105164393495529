#include "controls/host/PropertyBag.h"

#include <algorithm>

namespace quill::host {

std::string_view KindName(const PropertyValue& value) {
    static constexpr std::string_view kNames[] = {"a boolean", "a number", "a text", "a font", "a picture"};
    static_assert(std::size(kNames) == std::variant_size_v<PropertyValue>);
    return kNames[value.index()];
}

PropertyValue MemoryPropertyBag::Read(std::string_view key, const PropertyValue& defaultValue) const {
    const PropertyValue* stored = Find(key);
    return stored != nullptr ? *stored : defaultValue;
}

void MemoryPropertyBag::Write(std::string_view key, const PropertyValue& value, const PropertyValue& defaultValue) {
    if (value == defaultValue) {
        std::erase_if(entries_, [key](const Entry& e) { return e.first == key; });
        return;
    }
    Set(key, value);
}

void MemoryPropertyBag::Set(std::string_view key, PropertyValue value) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [key](const Entry& e) { return e.first == key; });
    if (it != entries_.end()) {
        it->second = std::move(value);
    } else {
        entries_.emplace_back(std::string(key), std::move(value));
    }
}

const PropertyValue* MemoryPropertyBag::Find(std::string_view key) const {
    auto it = std::find_if(entries_.begin(), entries_.end(), [key](const Entry& e) { return e.first == key; });
    return it != entries_.end() ? &it->second : nullptr;
}

}  // namespace quill::host
