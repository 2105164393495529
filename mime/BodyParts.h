#pragma once
// The parts of a message the converter reads, chosen in one walk, so that the
// message file's finisher and the PST mapping agree on them by construction.
// A read-only view: it points into the message and lives as long as the parts
// it points to (dropping or adding parts ends it).
//
// In document order (depth first; an attached message, message/rfc822, is
// one leaf and is not looked into):
//  - text: the first text/plain leaf that is not an attachment. A part
//    without a Content-Type is text/plain, so a single-part text message's
//    whole body is its text;
//  - html: the first text/html leaf that is not an attachment;
//  - attachments: the leaves with Content-Disposition "attachment", or with a
//    "filename" or "name" parameter;
//  - leaves: every leaf but text and html, the attachments among them (inline
//    images, further body forms, multiparts kept as leaves).

#include <string>
#include <string_view>
#include <vector>

#include "mime/Part.h"

namespace quill::mime {

struct BodyParts {
    const Part* text = nullptr;
    const Part* html = nullptr;
    std::vector<const Part*> attachments;
    std::vector<const Part*> leaves;
};

[[nodiscard]] BodyParts ChooseBodyParts(const Part& root);

// The name a part gives its content: the disposition's "filename", else the
// type's "name"; an RFC 2231 value as it is, any other RFC 2047 decoded with
// raw 8-bit bytes read in charset. Empty when the part names none.
[[nodiscard]] std::string PartFileName(const Part& part, std::string_view charset);

}  // namespace quill::mime
