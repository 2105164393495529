#pragma once
// Finishing a message with the message component:
//  - a joined message is cut off where a line of the body begins with
//    "return-path: ": the text body at its own position, the HTML body at
//    its own. What is cut off stays in the message as the attachment
//    "joined-message.txt" or "joined-message.html";
//  - an attachment part that has no content of its own (its body is empty,
//    or it holds IncrediMail's reference line instead) gets the content of
//    its file in the attachments folder, in place: the part keeps its place
//    in the message and every header field (Content-ID, Content-Location,
//    ...), so inline images still show. A part with content of its own keeps
//    it byte for byte, whatever the folder holds;
//  - a part whose file is missing (or refused: see AttachmentFolder.h)
//    becomes a short note in plain text named "<name> (missing).txt", never
//    a garbage file;
//  - an encoded "imbndary" parameter is written as a plain "boundary";
//  - everything else stays byte for byte, and a message that needs none of
//    this is not even parsed (NeedsFinishing).

#include <memory>
#include <string>
#include <string_view>

#include "convert/AttachmentFolder.h"
#include "convert/MessageFinisher.h"
#include "mime/MimeMessage.h"

namespace quill {

// The mark of a joined message, at the start of a line of a body.
inline constexpr std::string_view kJoinMark = "return-path: ";

// Where "return-path: " begins a line of text, or npos.
std::size_t JoinedMessageStart(const std::string& text);
// The same for HTML, where a line may also begin after a tag.
std::size_t JoinedHtmlStart(const std::string& html);

// What a cheap look at a message's bytes finds that finishing may act on. It
// never answers no where finishing would change something; a yes only means
// the message is parsed and looked at properly.
struct FinishHints {
    bool mayHoldJoined = true;   // a text body may hold the join mark
    bool other = true;           // a reference line, an "imbndary", an attachment part without content
    int carriedAttachments = 0;  // attachment parts seen on the way (a figure, not a decision)
    bool Any() const noexcept { return mayHoldJoined || other; }
};
[[nodiscard]] FinishHints LookBeforeFinishing(std::string_view text);
[[nodiscard]] bool NeedsFinishing(std::string_view text);

// Finishes a loaded message in place, looking attachments up in folder. With
// lookForJoined false (the cheap look found no mark) the bodies are not
// decoded to look for one.
FinishResult FinishMessage(mime::MimeMessage& message, const AttachmentFolder& folder, bool lookForJoined = true);

// The name and the text of the note that stands in for a missing attachment.
[[nodiscard]] std::string MissingNoteName(std::string_view name);

class EmlFinisher : public MessageFinisher {
  public:
    FinishResult Finish(PendingMessage& message, const std::string& attachmentFolder) override;
    // A message file finished in place: loaded, finished, saved when changed.
    FinishResult Finish(const std::string& messageFile, const std::string& attachmentFolder);

  private:
    const AttachmentFolder& Folder(const std::string& path);
    // The last folder used: a store has one, a 2.5 message file its own.
    std::unique_ptr<AttachmentFolder> folder_;
};

}  // namespace quill
