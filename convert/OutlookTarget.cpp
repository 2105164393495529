#include "convert/OutlookTarget.h"

#include "mime/MimeMessage.h"

namespace quill {

TargetResult OutlookTarget::Import(const FolderPath& folder, const std::string& messageFile) {
    mime::MimeMessage message;
    if (!message.LoadFile(messageFile)) return TargetResult::Failed(message.LastError());
    return ImportMessage(folder, message, {});
}

}  // namespace quill
