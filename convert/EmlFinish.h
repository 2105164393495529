#pragma once
// Finishing a message file with the message component:
//  - a joined message is cut off where a line of the body begins with
//    "return-path: ": the text body at its own position, the HTML body at
//    its own. What is cut off stays in the message as the attachment
//    "joined-message.txt" or "joined-message.html";
//  - every attachment whose file is in the attachments folder gets that
//    file's content; one whose file is missing keeps what the message
//    carries. Names are looked up as SafeAttachmentName gives them
//    (AttachmentNames.h), never outside the attachments folder;
//  - a message that cannot be read is left exactly as written;
//  - an unchanged message is not rewritten.

#include <string>

#include "convert/MessageFinisher.h"

namespace quill {

// Where "return-path: " begins a line of text, or npos.
std::size_t JoinedMessageStart(const std::string& text);
// The same for HTML, where a line may also begin after a tag.
std::size_t JoinedHtmlStart(const std::string& html);

class EmlFinisher : public MessageFinisher {
  public:
    FinishResult Finish(const std::string& messageFile, const std::string& attachmentFolder) override;
};

}  // namespace quill
