#include "pst/ltp/Property.h"

#include "pst/PstError.h"

#include "platform/Utf.h"

#include <algorithm>
#include <stdexcept>

namespace quill::pst {

std::size_t FixedWidth(PropType type) {
    switch (type) {
        case PropType::Int16:
            return 2;
        case PropType::Int32:
            return 4;
        case PropType::Boolean:
            return 1;
        case PropType::Int64:
        case PropType::Time:
            return 8;
        case PropType::Guid:
            return 16;
        default:
            return 0;
    }
}

namespace {

std::vector<std::uint8_t> LittleEndian(std::uint64_t v, std::size_t width) {
    std::vector<std::uint8_t> out(width);
    for (std::size_t i = 0; i < width; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
    return out;
}

}  // namespace

std::vector<std::uint8_t> Utf16Le(std::string_view utf8) {
    const std::u16string units = platform::Utf8ToUtf16(utf8);
    std::vector<std::uint8_t> out(units.size() * 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        out[2 * i] = static_cast<std::uint8_t>(units[i]);
        out[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
    return out;
}

std::uint64_t FileTimeFromUnix(std::int64_t unixSeconds) {
    constexpr std::int64_t kEpochDelta = 11644473600;  // seconds from 1601 to 1970
    const std::int64_t s = std::max<std::int64_t>(unixSeconds + kEpochDelta, 0);
    return static_cast<std::uint64_t>(s) * 10000000u;
}

void PropertyList::SetRaw(std::uint32_t tag, std::vector<std::uint8_t> value) {
    const std::size_t width = FixedWidth(TagType(tag));
    if (width != 0 && value.size() != width)
        throw LayerError<std::invalid_argument>(
            "property value has the wrong width for its type",
            {.expected = std::to_string(width) + " bytes", .actual = std::to_string(value.size())});
    const auto id = TagId(tag);
    auto it =
        std::lower_bound(items.begin(), items.end(), id, [](const Property& p, std::uint16_t k) { return p.Id() < k; });
    if (it != items.end() && it->Id() == id) {
        it->tag = tag;
        it->value = std::move(value);
    } else {
        items.insert(it, Property{tag, std::move(value)});
    }
}

void PropertyList::SetInt16(std::uint16_t id, std::uint16_t v) {
    SetRaw(MakeTag(id, PropType::Int16), LittleEndian(v, 2));
}
void PropertyList::SetInt32(std::uint16_t id, std::uint32_t v) {
    SetRaw(MakeTag(id, PropType::Int32), LittleEndian(v, 4));
}
void PropertyList::SetBool(std::uint16_t id, bool v) {
    SetRaw(MakeTag(id, PropType::Boolean), {static_cast<std::uint8_t>(v ? 1 : 0)});
}
void PropertyList::SetInt64(std::uint16_t id, std::uint64_t v) {
    SetRaw(MakeTag(id, PropType::Int64), LittleEndian(v, 8));
}
void PropertyList::SetTime(std::uint16_t id, std::uint64_t ft) {
    SetRaw(MakeTag(id, PropType::Time), LittleEndian(ft, 8));
}
void PropertyList::SetString(std::uint16_t id, std::string_view utf8) {
    SetRaw(MakeTag(id, PropType::String), Utf16Le(utf8));
}

void PropertyList::SetBinary(std::uint16_t id, std::span<const std::uint8_t> bytes) {
    SetRaw(MakeTag(id, PropType::Binary), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void PropertyList::SetGuid(std::uint16_t id, std::span<const std::uint8_t, 16> guid) {
    SetRaw(MakeTag(id, PropType::Guid), std::vector<std::uint8_t>(guid.begin(), guid.end()));
}

void PropertyList::Remove(std::uint16_t id) {
    std::erase_if(items, [id](const Property& p) { return p.Id() == id; });
}

const Property* PropertyList::Find(std::uint16_t id) const {
    auto it =
        std::lower_bound(items.begin(), items.end(), id, [](const Property& p, std::uint16_t k) { return p.Id() < k; });
    return it != items.end() && it->Id() == id ? &*it : nullptr;
}

std::uint32_t PropertyList::GetInt32(std::uint16_t id, std::uint32_t fallback) const {
    const Property* p = Find(id);
    if (p == nullptr || p->value.size() != 4) return fallback;
    return p->value[0] | (p->value[1] << 8) | (p->value[2] << 16) | (static_cast<std::uint32_t>(p->value[3]) << 24);
}

std::string PropertyList::GetStringUtf8(std::uint16_t id) const {
    const Property* p = Find(id);
    if (p == nullptr || p->Type() != PropType::String) return {};
    std::u16string units(p->value.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(p->value[2 * i] | (p->value[2 * i + 1] << 8));
    return platform::Utf16ToUtf8(units);
}

}  // namespace quill::pst
