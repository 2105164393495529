#include "pst/ltp/Property.h"

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

void PutUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

void PutCodePoint(std::vector<std::uint8_t>& out, std::uint32_t cp) {
    if (cp < 0x10000) {
        PutUnit(out, cp);
    } else {
        cp -= 0x10000;
        PutUnit(out, 0xD800 + (cp >> 10));
        PutUnit(out, 0xDC00 + (cp & 0x3FF));
    }
}

std::vector<std::uint8_t> LittleEndian(std::uint64_t v, std::size_t width) {
    std::vector<std::uint8_t> out(width);
    for (std::size_t i = 0; i < width; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
    return out;
}

}  // namespace

std::vector<std::uint8_t> Utf16Le(std::string_view s) {
    std::vector<std::uint8_t> out;
    out.reserve(s.size() * 2);
    std::size_t i = 0;
    while (i < s.size()) {
        // Mail text is mostly ASCII: runs of it need no decoding.
        std::size_t ascii = i;
        while (ascii < s.size() && static_cast<unsigned char>(s[ascii]) < 0x80) ++ascii;
        if (ascii > i) {
            const std::size_t at = out.size();
            out.resize(at + 2 * (ascii - i));
            for (std::size_t k = i; k < ascii; ++k) {
                out[at + 2 * (k - i)] = static_cast<std::uint8_t>(s[k]);
                out[at + 2 * (k - i) + 1] = 0;
            }
            i = ascii;
            if (i == s.size()) break;
        }
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        std::uint32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool ok = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            PutCodePoint(out, 0xFFFD);
            ++i;
            continue;
        }
        PutCodePoint(out, cp);
        i += len;
    }
    return out;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::uint64_t FileTimeFromUnix(std::int64_t unixSeconds) {
    constexpr std::int64_t kEpochDelta = 11644473600;  // seconds from 1601 to 1970
    const std::int64_t s = std::max<std::int64_t>(unixSeconds + kEpochDelta, 0);
    return static_cast<std::uint64_t>(s) * 10000000u;
}

void PropertyList::SetRaw(std::uint32_t tag, std::vector<std::uint8_t> value) {
    const std::size_t width = FixedWidth(TagType(tag));
    if (width != 0 && value.size() != width)
        throw std::invalid_argument("property value has the wrong width for its type");
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
    std::string out;
    if (p == nullptr || p->Type() != PropType::String) return out;
    const auto& v = p->value;
    for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
        std::uint32_t cp = v[i] | (v[i + 1] << 8);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < v.size()) {
            const std::uint32_t lo = v[i + 2] | (v[i + 3] << 8);
            if (lo >= 0xDC00 && lo < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace quill::pst
