#pragma once
// A sample store made to test attachments put back: in every message, parts
// that only reference their file in the shared Attachments folder (with and
// without a transfer encoding of their own), parts that carry their content
// while the folder holds another message's file of the same common name
// ("signature.asc", "image001.png", "scan.pdf", "details.txt"), HTML with
// inline cid: images, names written as raw UTF-8, raw windows-1251 and RFC 2047
// words, decomposed accents and other letter case than the file's, attached
// messages whose content is in the folder, parts with an empty body, and
// files missing on purpose. The manifest tells, for every message, what each
// attachment must hold after the conversion.

#include <cstdint>
#include <string>
#include <vector>

namespace quill::gen {

struct AttachmentExpected {
    std::string fileName;   // the name a reader shows after the conversion
    std::string bytes;      // what it must hold (a missing file: empty, see missing)
    bool missing = false;   // the file is not in the folder: a note stands in its place
    bool restored = false;  // from the folder (else the message's own content)
    std::string contentId;  // inline parts: without the angle brackets
    std::string type;       // "type/subtype" as the message declares it
};

struct AttachedMessageExpected {
    std::string messageId;  // without the angle brackets
    std::string subject;
    std::vector<AttachmentExpected> attachments;  // in document order
    std::vector<std::string> cids;                // cid: references of its HTML body
};

struct AttachmentStore {
    std::string container;  // "Inbox.imm"
    std::vector<AttachedMessageExpected> messages;
};

AttachmentStore WriteAttachmentStore(const std::string& dir, std::uint64_t seed, int messages);
std::string AttachmentManifestJson(const AttachmentStore& store);

}  // namespace quill::gen
