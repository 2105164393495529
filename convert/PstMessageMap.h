#pragma once
// One RFC 822 message as the PST writer's message description: subject,
// addresses, times, transport headers, bodies, flags and attachments, taken
// from the mail as far as it can be read. Damaged input never throws; what
// cannot be read is left out and the writer completes the rest.
//
// Choices that are not obvious from the property names:
//  - sender and sent-representing both come from From: (Sender: when there
//    is no From:); a mailbox without a name shows its address as the name;
//  - the delivery time is the date of the first (topmost) Received: field,
//    then Date:, then the fallback time; creation and modification follow it;
//  - PR_HTML keeps the HTML part's bytes as sent (after the transfer
//    encoding), PR_INTERNET_CPID names their code page; an HTML-only message
//    gets a plain rendering of it as PR_BODY;
//  - attachments are mime's attachments plus every other non-text leaf
//    (inline images, attached messages), in document order; those the HTML
//    shows through cid: are hidden unless marked "attachment".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/MimeMessage.h"
#include "pst/messaging/NewMessage.h"

namespace quill {

struct MessageMapOptions {
    // Unix seconds used for delivery, creation and modification time when
    // the mail has no readable Received: or Date: (e.g. the store's time).
    std::optional<std::int64_t> fallbackTime;
    bool read = true;  // MSGFLAG_READ
};

[[nodiscard]] pst::NewMessage MapMessage(const mime::MimeMessage& message, const MessageMapOptions& options = {});

// The pieces MapMessage is made of.

// The length in bytes of a reply/forward prefix ("RE: ", "Fwd:") at the start
// of subject, 0 when there is none.
[[nodiscard]] std::size_t SubjectPrefixLength(std::string_view subject);

}  // namespace quill
