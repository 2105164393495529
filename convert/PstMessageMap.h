#pragma once
// One RFC 822 message as the PST writer's message description: subject,
// addresses, times, transport headers, bodies, flags and attachments, taken
// from the mail as far as it can be read. Damaged input never throws; what
// cannot be read is left out and the writer completes the rest.
//
// Choices that are not obvious from the property names:
//  - sender and sent-representing both come from From: (Sender: when there
//    is no From:); a mailbox without a name shows its address as the name;
//  - times come from the mail, never from the clock: the delivery time is
//    the date of the topmost Received: field that carries one, then Date:,
//    then the index's time, then the fallback time, then the fixed
//    kUndatedMessageTime (1 January 1980, 00:00 UTC); creation and
//    modification follow it. The client submit time is Date: alone;
//  - raw 8-bit text that declares no charset (none, or us-ascii) and is
//    valid UTF-8 is read as UTF-8, in bodies, headers and names alike (an
//    undeclared UTF-16 body, told by its byte-order mark or its NULs, as
//    UTF-16); a
//    header's raw bytes count as undeclared even when a text part names a
//    charset;
//  - PR_HTML keeps the HTML part's bytes as sent (after the transfer
//    encoding), PR_INTERNET_CPID names their code page; an HTML-only message
//    gets a plain rendering of it as PR_BODY;
//  - an empty HTML part is no HTML body when there is a plain one;
//  - attachments are every leaf that is not a chosen body, in document
//    order: mime's attachments, inline images, further text forms and
//    multiparts kept as leaves (named from their type), so the PST holds
//    everything the message file holds; those the HTML shows through cid:
//    are hidden unless marked "attachment";
//  - an attached message (message/rfc822) becomes an embedded message,
//    mapped like a top-level one, nested as deep as the mail nests it (past
//    kMaxEmbeddedMessages levels it stays a file);
//  - a NUL in text bound for a string property becomes U+FFFD (readers stop
//    at a NUL and would lose the rest); MessageMapNotes counts them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/MimeMessage.h"
#include "pst/messaging/NewMessage.h"

namespace quill {

inline constexpr int kMaxEmbeddedMessages = 16;

struct MessageMapOptions {
    // Unix seconds: the time the store's index gives the message, used for
    // delivery, creation and modification when the mail has no readable
    // Received: or Date:.
    std::optional<std::int64_t> indexTime;
    // Unix seconds used when there is no index time either.
    std::optional<std::int64_t> fallbackTime;
    bool read = true;  // MSGFLAG_READ
};

// What the mapping changed in the text, for the run's report.
struct MessageMapNotes {
    std::size_t nulsReplaced = 0;  // NUL characters written as U+FFFD, embedded messages included
};

[[nodiscard]] pst::NewMessage MapMessage(const mime::MimeMessage& message, const MessageMapOptions& options = {});
[[nodiscard]] pst::NewMessage MapMessage(const mime::MimeMessage& message, const MessageMapOptions& options,
                                         MessageMapNotes& notes);

// The pieces MapMessage is made of.

// A part's text as UTF-8: its declared charset, except that undeclared
// (or us-ascii) text is taken as UTF-16 when it carries a byte-order mark
// or a NUL in every second byte, and as UTF-8 when it is 8-bit valid UTF-8.
[[nodiscard]] std::string PartText(std::string_view bytes, std::string_view charset);

// The charset raw 8-bit header bytes are read in: UTF-8 when they are valid
// UTF-8, else `fallback` (the message's charset).
[[nodiscard]] std::string RawHeaderCharset(std::string_view raw, std::string_view fallback);

// Replaces every NUL of a UTF-16 string property of the message, its
// recipients and its attachments by U+FFFD; the count. (MapMessage does this
// for each embedded message as it maps it.)
[[nodiscard]] std::size_t ReplaceNulCharacters(pst::NewMessage& message);

// The length in bytes of a reply/forward prefix ("RE: ", "Fwd:") at the start
// of subject, 0 when there is none.
[[nodiscard]] std::size_t SubjectPrefixLength(std::string_view subject);

}  // namespace quill
