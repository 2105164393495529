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
    if (!message_ || text_.empty()) return;
    cutSize_ = text_.size();
    std::string().swap(text_);
}

void PendingMessage::WriteTo(mime::ByteSink& out) const {
    // An unchanged tree writes back exactly the text, which is cheaper to copy.
    if (message_ && (message_->Changed() || (text_.empty() && cutSize_ != 0)))
        message_->SaveTo(out);
    else
        out.Write(text_);
}

}  // namespace quill
