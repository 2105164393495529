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

struct MailAddress {
    std::string name;     // UTF-8, RFC 2047 decoded; may be empty
    std::string address;  // the mailbox as written; may be empty when only a name could be read
};

// An address-list header value as written (not yet RFC 2047 decoded): groups
// are flattened into their members, entries without name and address dropped.
// Raw 8-bit names are read in rawCharset (see mime::DecodeHeaderText).
[[nodiscard]] std::vector<MailAddress> ParseAddressList(std::string_view value, std::string_view rawCharset = {});

// An RFC 5322 date (obsolete forms, named zones, asctime order and common
// damage accepted) as Unix seconds; nullopt when no day, month and year can
// be read or a field is out of range.
[[nodiscard]] std::optional<std::int64_t> ParseMailDate(std::string_view text);

// The length in bytes of a reply/forward prefix ("RE: ", "Fwd:") at the start
// of subject, 0 when there is none.
[[nodiscard]] std::size_t SubjectPrefixLength(std::string_view subject);

// One-off entry ID for an SMTP mailbox (Unicode, no rich info).
[[nodiscard]] std::vector<std::uint8_t> OneOffEntryId(std::string_view name, std::string_view address);
// "SMTP:" + address in upper case + NUL.
[[nodiscard]] std::vector<std::uint8_t> AddressSearchKey(std::string_view address);

// An 8.3 name for a long file name ("Long name.text" -> "LONGNA~1.TEX");
// serial picks the "~N" digit.
[[nodiscard]] std::string ShortFileName(std::string_view longName, int serial = 1);

// A plain rendering of HTML: tags dropped, block ends as line breaks, the
// common entities decoded.
[[nodiscard]] std::string HtmlToText(std::string_view html);

}  // namespace quill
