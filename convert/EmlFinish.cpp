#include "convert/EmlFinish.h"

#include <vector>

#include "convert/AttachmentNames.h"
#include "mime/MimeMessage.h"
#include "platform/Ascii.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace quill {
namespace {

constexpr std::string_view kJoinMark = "return-path: ";

bool MarkAt(const std::string& text, std::size_t at) {
    return platform::StartsWithIgnoreCase(std::string_view(text).substr(at), kJoinMark);
}

}  // namespace

std::size_t JoinedMessageStart(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        if (MarkAt(text, at)) return at;
        auto nl = text.find('\n', at);
        if (nl == std::string::npos) break;
        at = nl + 1;
    }
    return std::string::npos;
}

std::size_t JoinedHtmlStart(const std::string& html) {
    for (std::size_t at = 0; at < html.size(); ++at) {
        if ((at == 0 || html[at - 1] == '\n' || html[at - 1] == '>') && MarkAt(html, at)) return at;
    }
    return std::string::npos;
}

FinishResult EmlFinisher::Finish(const std::string& messageFile, const std::string& attachmentFolder) {
    FinishResult result;
    mime::MimeMessage message;
    if (!message.LoadFile(messageFile)) {
        result.status = FinishResult::Status::LeftAsWritten;
        result.error = "cannot read \"" + messageFile + "\": " + message.LastError();
        return result;
    }

    // Both bodies are read in one walk before the first edit.
    const mime::BodyParts bodies = message.Bodies();
    const std::string text = bodies.text ? bodies.text->Text() : std::string();
    const std::string html = bodies.html ? bodies.html->Text() : std::string();

    // The joined message: what follows stays in the message as an attachment.
    std::vector<std::pair<std::string, std::string>> joined;
    std::size_t p = JoinedMessageStart(text);
    if (p != std::string::npos && message.SetBodyText(text.substr(0, p)))
        joined.emplace_back("joined-message.txt", text.substr(p));
    if (bodies.html) {
        std::size_t h = JoinedHtmlStart(html);
        if (h != std::string::npos && message.SetHtmlBody(html.substr(0, h)))
            joined.emplace_back("joined-message.html", html.substr(h));
    }
    result.cutApplied = !joined.empty();
    // Read after the cut: a body rewritten in utf-8 changes the charset raw names are read in.
    const auto infos = message.Attachments();

    // Attachments: the file's content where it is found, the message's own part otherwise.
    struct Slot {
        std::string name;
        std::string file;  // found in the attachments folder
    };
    std::vector<Slot> slots;
    bool anyFound = false;
    for (std::size_t j = 0; j < infos.size(); ++j) {
        Slot slot;
        // The referenced file when the part holds a reference line, else its own name.
        slot.name = infos[j].referencedFile.empty() ? infos[j].name : infos[j].referencedFile;
        std::string safe = SafeAttachmentName(slot.name);
        if (!safe.empty()) {
            std::string candidate = platform::JoinPath(attachmentFolder, safe);
            if (platform::PathExists(candidate) && !platform::IsDirectory(candidate)) slot.file = candidate;
        }
        // Only a part that holds a reference in place of its content loses
        // something when its file is missing.
        const bool reference = !infos[j].referencedFile.empty();
        if (slot.file.empty() && reference) result.attachmentsMissing.push_back(slot.name);
        anyFound = anyFound || !slot.file.empty();
        slots.push_back(std::move(slot));
    }
    if (anyFound) {
        // Parts are rebuilt in their order; a missing file's part keeps its content.
        std::vector<std::string> kept(slots.size());
        std::vector<std::string> keptNames(slots.size());
        for (std::size_t j = 0; j < slots.size(); ++j) {
            if (!slots[j].file.empty()) continue;
            kept[j] = message.AttachmentContent(static_cast<int>(j));
            keptNames[j] = j < infos.size() && !infos[j].name.empty() ? infos[j].name : slots[j].name;
        }
        message.DropAttachments();
        for (std::size_t j = 0; j < slots.size(); ++j) {
            if (slots[j].file.empty()) {
                message.AddAttachment(keptNames[j], kept[j]);
            } else if (message.AddFileAttachment(slots[j].file, SafeAttachmentName(slots[j].name))) {
                ++result.attachmentsRestored;
            } else {
                result.attachmentsMissing.push_back(slots[j].name);
            }
        }
    }
    for (const auto& [name, content] : joined) message.AddAttachment(name, content);
    // An encoded "imbndary" is useless to every other reader.
    (void)message.UseBoundaryParameters();

    if (message.Changed() && !message.SaveFile(messageFile)) {
        result.status = FinishResult::Status::Failed;
        result.error = "cannot save \"" + messageFile + "\": " + message.LastError();
    }
    return result;
}

}  // namespace quill
