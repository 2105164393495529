#pragma once
// A message object ([MS-PST] 2.4.5) and its attachments (2.4.6): the message's property context
// with the properties a PST message needs added where the caller left them out, its recipient
// table, its attachment table and objects, all as subnodes of the one message node.

#include <array>
#include <cstdint>
#include <functional>

#include "pst/messaging/NewMessage.h"
#include "pst/ndb/NodeDatabase.h"

namespace quill::pst::messaging {

// 16 bytes unique to the file, for search and record keys.
using KeySource = std::function<std::array<std::uint8_t, 16>()>;

struct WrittenMessage {
    PropertyList props;       // as written, for the folder's contents row
    std::uint32_t flags = 0;  // PidTagMessageFlags
};

// Writes the message as node nid under folder, its attached mails as embedded messages;
// defaultTime is the FILETIME for times the message leaves out.
[[nodiscard]] WrittenMessage WriteMessage(ndb::NodeDatabase& db, ndb::Nid nid, ndb::Nid folder,
                                          const NewMessage& message, std::uint64_t defaultTime,
                                          const KeySource& newKey);

}  // namespace quill::pst::messaging
