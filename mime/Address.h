#pragma once
// Address lists as mail writes them (From, To, Cc, Bcc, Sender: RFC 5322
// section 3.4), read as far as damaged mail allows:
//  - a quoted name may hold commas; a comment gives the name when there is
//    no other; groups ("friends: a@x, b@y;") are flattened into their members;
//  - an encoded word is taken whole, so a comma a careless writer left inside
//    it does not split the list;
//  - a bare address, or a name and an address without angle brackets
//    ("John Doe john@host"), still gives both; an obsolete route
//    ("<@a,@b:user@host>") and a "mailto:" keep only the mailbox;
//  - an entry with neither a name nor an address is dropped.

#include <string>
#include <string_view>
#include <vector>

namespace quill::mime {

struct MailAddress {
    std::string name;     // UTF-8, RFC 2047 decoded; may be empty
    std::string address;  // the mailbox as written; may be empty when only a name could be read
};

// An address-list header value as written (not yet RFC 2047 decoded). Raw
// 8-bit names are read in rawCharset (see DecodeHeaderText).
[[nodiscard]] std::vector<MailAddress> ParseAddressList(std::string_view value, std::string_view rawCharset = {});

}  // namespace quill::mime
