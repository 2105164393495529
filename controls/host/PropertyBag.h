#pragma once
// Where a form keeps the design-time values of its controls. A control reads
// each of its keys with the value to take when the key is missing, and writes
// each key with the value that need not be stored: a value equal to that
// default is left out, so stored design values list only what differs.

#include "controls/host/HostTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quill::host {

// Numbers are 32-bit integers (colours, enumerations, sizes in twips);
// objects are fonts and pictures. Values of different kinds never compare
// equal: a number written with a text as its default is always stored.
using PropertyValue = std::variant<bool, std::int32_t, std::string, Font, PicturePtr>;

// "a number", "a text", ...: for error messages.
[[nodiscard]] std::string_view KindName(const PropertyValue& value);

class PropertyBag {
  public:
    virtual ~PropertyBag() = default;

    // The stored value of key, or defaultValue when none is stored.
    [[nodiscard]] virtual PropertyValue Read(std::string_view key, const PropertyValue& defaultValue) const = 0;
    // Stores value under key unless it equals defaultValue; then any value
    // stored earlier under key is dropped, so saving again leaves no stale
    // entry behind.
    virtual void Write(std::string_view key, const PropertyValue& value, const PropertyValue& defaultValue) = 0;
};

// Entries in the order they were first written; keys match exactly.
class MemoryPropertyBag final : public PropertyBag {
  public:
    using Entry = std::pair<std::string, PropertyValue>;

    [[nodiscard]] PropertyValue Read(std::string_view key, const PropertyValue& defaultValue) const override;
    void Write(std::string_view key, const PropertyValue& value, const PropertyValue& defaultValue) override;

    // Stores without the default comparison (for readers of stored text).
    void Set(std::string_view key, PropertyValue value);
    [[nodiscard]] const PropertyValue* Find(std::string_view key) const;
    [[nodiscard]] const std::vector<Entry>& Entries() const noexcept { return entries_; }

    bool operator==(const MemoryPropertyBag& other) const { return entries_ == other.entries_; }

  private:
    std::vector<Entry> entries_;
};

}  // namespace quill::host
