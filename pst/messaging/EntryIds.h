#pragma once
// The identifiers a PST stores for its objects and addresses: folder entry IDs ([MS-PST]
// 2.4.3.2), one-off entry IDs for SMTP mailboxes ([MS-OXCDATA] 2.2.5.1) and address search keys.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quill::pst::messaging {

// Flags, the store's record key, the folder's NID: 24 bytes.
[[nodiscard]] std::vector<std::uint8_t> FolderEntryId(const std::array<std::uint8_t, 16>& recordKey, std::uint32_t nid);

// One-off entry ID for an SMTP mailbox (Unicode, no rich info).
[[nodiscard]] std::vector<std::uint8_t> OneOffEntryId(std::string_view name, std::string_view address);

// "SMTP:" + address in upper case + NUL.
[[nodiscard]] std::vector<std::uint8_t> AddressSearchKey(std::string_view address);

}  // namespace quill::pst::messaging
