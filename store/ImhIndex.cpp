#include "store/ImhIndex.h"

#include <cstring>

namespace quill {
namespace {

std::uint32_t U32At(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

ImhParse ParseImh(std::string_view bytes) {
    ImhParse result;
    result.wide = bytes.substr(0, 4) == kImhWideTag;
    const std::size_t unit = result.wide ? 2 : 1;
    auto fail = [&](std::size_t at, const std::string& why) {
        result.ok = false;
        result.records.clear();
        result.errorOffset = at;
        result.error = why + " at byte " + std::to_string(at);
        return result;
    };

    std::size_t at = 0;
    while (at < bytes.size()) {
        const int number = static_cast<int>(result.records.size()) + 1;
        const std::string which = "record " + std::to_string(number);
        if (bytes.size() - at < kImhFixedRecordBytes) return fail(at, which + " is cut short");
        if (std::memcmp(bytes.data() + at + 4, kImhRecordMagic.data(), kImhRecordMagic.size()) != 0)
            return fail(at + 4, which + " lacks the record magic");
        IndexEntry entry;
        entry.record = number;
        entry.deleted = static_cast<unsigned char>(bytes[at + 12]) == kImhDeleted;
        at += kImhStringsAt;
        // To, From, Subject, the three times, the POP server.
        for (int field = 0; field < 4; ++field) {
            if (bytes.size() - at < 4) return fail(at, which + " is cut short");
            const std::uint64_t length = U32At(bytes, at);
            at += 4;
            if (length > (bytes.size() - at) / unit) return fail(at - 4, which + " has a string past the end");
            at += static_cast<std::size_t>(length) * unit;
            if (field == 2) {
                if (bytes.size() - at < 12) return fail(at, which + " is cut short");
                // Sent and received, Unix seconds; 0 where the index keeps no time.
                if (const std::uint32_t sent = U32At(bytes, at)) entry.sentTime = sent;
                if (const std::uint32_t received = U32At(bytes, at + 4)) entry.receivedTime = received;
                at += 12;
            }
        }
        if (bytes.size() - at < 6 + 12) return fail(at, which + " is cut short");
        at += 6;
        entry.size = U32At(bytes, at);
        entry.offset = U32At(bytes, at + 4);
        at += 12;
        result.records.push_back(std::move(entry));
    }
    result.ok = true;
    return result;
}

}  // namespace quill
