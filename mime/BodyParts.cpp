#include "mime/BodyParts.h"

namespace quill::mime {
namespace {

std::string ParameterText(const Parameter* p, std::string_view charset) {
    if (!p) return {};
    return p->extended ? p->value : DecodeHeaderText(p->value, charset);
}

}  // namespace

BodyParts ChooseBodyParts(const Part& root) {
    BodyParts parts;
    ForEachPart(root, [&](const Part& p) {
        if (p.IsMultipart()) return;
        const bool attachment = p.IsAttachment();
        if (!attachment && !parts.text && p.MediaType() == "text/plain") {
            parts.text = &p;
            return;
        }
        if (!attachment && !parts.html && p.MediaType() == "text/html") {
            parts.html = &p;
            return;
        }
        if (attachment) parts.attachments.push_back(&p);
        parts.leaves.push_back(&p);
    });
    return parts;
}

std::string PartFileName(const Part& part, std::string_view charset) {
    std::string name = ParameterText(part.ContentDisposition().Find("filename"), charset);
    if (name.empty()) name = ParameterText(part.ContentType().Find("name"), charset);
    return name;
}

}  // namespace quill::mime
