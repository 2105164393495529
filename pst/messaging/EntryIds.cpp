#include "pst/messaging/EntryIds.h"

#include "platform/Ascii.h"
#include "pst/ltp/Property.h"

#include <algorithm>
#include <string>

namespace quill::pst::messaging {
namespace {

void AppendUnicodeZ(std::vector<std::uint8_t>& out, std::string_view utf8) {
    auto units = Utf16Le(utf8);
    out.insert(out.end(), units.begin(), units.end());
    out.push_back(0);
    out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> FolderEntryId(const std::array<std::uint8_t, 16>& recordKey, std::uint32_t nid) {
    std::vector<std::uint8_t> id(24, 0);
    std::copy(recordKey.begin(), recordKey.end(), id.begin() + 4);
    for (int i = 0; i < 4; ++i) id[20 + i] = static_cast<std::uint8_t>(nid >> (8 * i));
    return id;
}

std::vector<std::uint8_t> OneOffEntryId(std::string_view name, std::string_view address) {
    static constexpr std::uint8_t kHead[] = {0x00, 0x00, 0x00, 0x00,                          // flags
                                             0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,  // one-off provider
                                             0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0x00, 0x00,  // version
                                             0x01, 0x80};  // no rich info | Unicode
    std::vector<std::uint8_t> id(std::begin(kHead), std::end(kHead));
    AppendUnicodeZ(id, name);
    AppendUnicodeZ(id, "SMTP");
    AppendUnicodeZ(id, address);
    return id;
}

std::vector<std::uint8_t> AddressSearchKey(std::string_view address) {
    std::string key = "SMTP:" + platform::UpperAscii(address);
    std::vector<std::uint8_t> out(key.begin(), key.end());
    out.push_back(0);
    return out;
}

}  // namespace quill::pst::messaging
