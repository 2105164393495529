// The MIME parser on arbitrary bytes: nothing may crash, an unchanged
// message must save back to its input, and edits must give a message that
// loads again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/MimeMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    quill::mime::MimeMessage message;
    message.Load(input);
    if (message.Save() != input) std::abort();

    (void)message.BodyText();
    (void)message.HtmlBody();
    (void)message.HeaderText("Subject");
    int count = message.AttachmentCount();
    for (int i = 0; i < count; ++i) {
        (void)message.AttachmentFileName(i);
        (void)message.AttachmentContent(i);
    }
    std::string body = message.BodyText();
    (void)message.SetBodyText(body.substr(0, body.size() / 2));
    if (message.HasHtmlBody()) (void)message.SetHtmlBody("<p>\xC3\xA9</p>");
    message.DropAttachments();
    message.AddAttachment("n\xC3\xA4me.txt", input.substr(0, 64));

    std::string saved = message.Save();
    quill::mime::MimeMessage again;
    again.Load(saved);
    if (again.Save() != saved) std::abort();
    if (again.AttachmentCount() < 1) std::abort();
    return 0;
}
