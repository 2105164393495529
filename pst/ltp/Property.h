#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Property values as the PST stores them ([MS-PST] 2.1.1 property types). A value is kept in its
// on-disk form (little-endian, strings UTF-16LE without terminator), so the property and table
// contexts copy bytes and never reinterpret them.
namespace quill::pst {

enum class PropType : std::uint16_t {
    Int16 = 0x0002,
    Int32 = 0x0003,
    Boolean = 0x000B,
    Int64 = 0x0014,
    String8 = 0x001E,
    String = 0x001F,
    Time = 0x0040,
    Guid = 0x0048,
    Object = 0x000D,  // in a PC: an allocation of the subnode's NID and the object's size
    Binary = 0x0102,
    MultiInt32 = 0x1003,
    MultiString = 0x101F,
    MultiBinary = 0x1102,
};

[[nodiscard]] constexpr std::uint32_t MakeTag(std::uint16_t id, PropType type) {
    return (static_cast<std::uint32_t>(id) << 16) | static_cast<std::uint16_t>(type);
}
[[nodiscard]] constexpr std::uint16_t TagId(std::uint32_t tag) { return static_cast<std::uint16_t>(tag >> 16); }
[[nodiscard]] constexpr PropType TagType(std::uint32_t tag) { return static_cast<PropType>(tag & 0xFFFF); }

// Width of a fixed-size type in bytes, 0 for variable-size and multi-valued types.
[[nodiscard]] std::size_t FixedWidth(PropType type);

// UTF-8 to UTF-16LE bytes (platform/Utf.h: invalid input becomes U+FFFD, so any gives a valid string).
[[nodiscard]] std::vector<std::uint8_t> Utf16Le(std::string_view utf8);

struct Property {
    std::uint32_t tag = 0;
    std::vector<std::uint8_t> value;  // on-disk bytes: the fixed width, or the variable data

    [[nodiscard]] PropType Type() const { return TagType(tag); }
    [[nodiscard]] std::uint16_t Id() const { return TagId(tag); }
};

// Microseconds are not kept: a FILETIME counts 100 ns since 1601-01-01 UTC.
[[nodiscard]] std::uint64_t FileTimeFromUnix(std::int64_t unixSeconds);

// A set of properties, one per property id, kept sorted by id (the order a PC's BTH and a TC's
// columns need). Setting an id again replaces its value, whatever its type was.
class PropertyList {
  public:
    void SetInt16(std::uint16_t id, std::uint16_t v);
    void SetInt32(std::uint16_t id, std::uint32_t v);
    void SetBool(std::uint16_t id, bool v);
    void SetInt64(std::uint16_t id, std::uint64_t v);
    void SetTime(std::uint16_t id, std::uint64_t fileTime);
    void SetString(std::uint16_t id, std::string_view utf8);  // stored as PT_UNICODE
    void SetBinary(std::uint16_t id, std::span<const std::uint8_t> bytes);
    void SetGuid(std::uint16_t id, std::span<const std::uint8_t, 16> guid);
    // Any type, value already in on-disk form. Fixed types must have their exact width.
    void SetRaw(std::uint32_t tag, std::vector<std::uint8_t> value);

    void Remove(std::uint16_t id);
    [[nodiscard]] const Property* Find(std::uint16_t id) const;
    [[nodiscard]] bool Has(std::uint16_t id) const { return Find(id) != nullptr; }
    // Typed reads; the fallback when the id is missing or has another width.
    [[nodiscard]] std::uint32_t GetInt32(std::uint16_t id, std::uint32_t fallback = 0) const;
    [[nodiscard]] std::string GetStringUtf8(std::uint16_t id) const;

    [[nodiscard]] const std::vector<Property>& Items() const { return items; }
    [[nodiscard]] std::size_t Size() const { return items.size(); }
    [[nodiscard]] bool Empty() const { return items.empty(); }

  private:
    std::vector<Property> items;  // sorted by id, ids unique
};

}  // namespace quill::pst
