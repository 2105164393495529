#include "convert/PendingMessage.h"

namespace quill {

mime::MimeMessage& PendingMessage::Message() {
    if (!message_) {
        message_.emplace();
        message_->Load(text_);
    }
    return *message_;
}

void PendingMessage::ReleaseText() {
    if (!message_) return;
    released_ = true;
    std::string().swap(text_);
}

void PendingMessage::WriteTo(mime::ByteSink& out) const {
    // An unchanged tree writes back exactly the text, which is cheaper to copy.
    if (message_ && (message_->Changed() || released_))
        message_->SaveTo(out);
    else
        out.Write(text_);
}

}  // namespace quill
