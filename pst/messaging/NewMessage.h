#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pst/ltp/Property.h"

namespace quill::pst {

// The time (Unix seconds) a message gets for the times nothing tells: 1 January 1980, 00:00 UTC.
// Fixed rather than the clock, so that an undated message never sorts as the newest mail and the
// same input always gives the same file.
inline constexpr std::int64_t kUndatedMessageTime = 315532800;

// Reads the next piece of a stream into `buffer`; returns the bytes read, 0 at the end.
using DataSource = std::function<std::size_t(std::span<std::uint8_t> buffer)>;

struct NewMessage;

struct NewAttachment {
    // The attachment's own properties: names (0x3001, 0x3704, 0x3707), extension 0x3703, MIME type
    // 0x370E, content ID 0x3712, hidden 0x7FFE, times. The writer adds PR_ATTACH_SIZE, the attach
    // method (by value) and the rendering position when they are absent, and the data itself.
    PropertyList props;
    std::string data;   // the content bytes, unless `source` is set
    DataSource source;  // when set, the content is read from it piece by piece and `data` is unused
    // When set, the attachment is this message itself (an attached mail): written as an embedded
    // message object (attach method 5) in the attachment's subnode, with its own recipients and
    // attachments, nested as deep as it goes; `data` and `source` are then unused.
    std::shared_ptr<const NewMessage> embedded;
};

struct NewMessage {
    // The message's properties as they come from the mail (subject, bodies, addresses, times,
    // flags). The writer adds the message class, size, search and record keys and the other
    // properties a PST message needs when they are absent.
    PropertyList props;
    // One list per recipient: 0x0C15 type (1 To, 2 Cc, 3 Bcc), 0x3001 name, 0x3003 address,
    // 0x39FE SMTP address, 0x0FFF entry ID, 0x300B search key...; the writer completes the rest.
    std::vector<PropertyList> recipients;
    std::vector<NewAttachment> attachments;
};

}  // namespace quill::pst
