#pragma once
// One message on its way from its container to a target: the bytes as they
// were cut, and the message component's tree once finishing has loaded it.
// A message that needs no finishing is never parsed; one that does is parsed
// once, and the target takes the same tree (the PST) or its bytes (a file).

#include <optional>
#include <string>

#include "mime/ByteSink.h"
#include "mime/MimeMessage.h"

namespace quill {

class PendingMessage {
  public:
    PendingMessage() = default;
    explicit PendingMessage(std::string text) : text_(std::move(text)) {}

    // The message as the component reads it, loaded on first use.
    mime::MimeMessage& Message();
    bool Loaded() const noexcept { return message_.has_value(); }
    // Finishing changed it: its bytes are the tree's, no longer the text's.
    bool Changed() const noexcept { return message_ && message_->Changed(); }
    // Gives up the text once the tree is loaded, so a message is held once.
    void ReleaseText();

    // The message's bytes as they stand (a changed tree's file bodies are
    // read as they are written; see mime::FileBody).
    void WriteTo(mime::ByteSink& out) const;
    // The bytes as cut; empty once released.
    const std::string& Text() const noexcept { return text_; }

  private:
    std::string text_;
    bool released_ = false;  // the tree alone holds the message
    std::optional<mime::MimeMessage> message_;
};

}  // namespace quill
