#include "convert/EmlFinish.h"

#include <array>
#include <vector>

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

std::string SafeAttachmentName(const std::string& name) {
    std::string last(platform::LastPathComponent(name));
    if (last.size() >= 2 && last[1] == ':') last = last.substr(2);  // a drive
    while (!last.empty() && (last.back() == ' ' || last.back() == '.')) last.pop_back();
    if (last.empty()) return {};
    // Device names are devices in every folder, with any extension.
    std::string stem = platform::UpperAscii(last.substr(0, last.find('.')));
    static const std::array<std::string_view, 6> kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (auto d : kDevices)
        if (stem == d) return {};
    if (stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '0' &&
        stem[3] <= '9')
        return {};
    for (char c : last)
        if (static_cast<unsigned char>(c) < 32 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            return {};
    return last;
}

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

    // The joined message: what follows stays in the message as an attachment.
    std::vector<std::pair<std::string, std::string>> joined;
    std::string text = message.BodyText();
    std::size_t p = JoinedMessageStart(text);
    if (p != std::string::npos && message.SetBodyText(text.substr(0, p)))
        joined.emplace_back("joined-message.txt", text.substr(p));
    if (message.HasHtmlBody()) {
        std::string html = message.HtmlBody();
        std::size_t h = JoinedHtmlStart(html);
        if (h != std::string::npos && message.SetHtmlBody(html.substr(0, h)))
            joined.emplace_back("joined-message.html", html.substr(h));
    }
    result.cutApplied = !joined.empty();

    // Attachments: the file's content where it is found, the message's own part otherwise.
    struct Slot {
        std::string name;
        std::string file;  // found in the attachments folder
    };
    std::vector<Slot> slots;
    bool anyFound = false;
    const int count = message.AttachmentCount();
    const auto infos = message.Attachments();
    for (int j = 0; j < count; ++j) {
        Slot slot;
        slot.name = message.AttachmentFileName(j);
        std::string safe = SafeAttachmentName(slot.name);
        if (!safe.empty()) {
            std::string candidate = platform::JoinPath(attachmentFolder, safe);
            if (platform::PathExists(candidate) && !platform::IsDirectory(candidate)) slot.file = candidate;
        }
        // Only a part that holds a reference in place of its content loses
        // something when its file is missing.
        const bool reference = static_cast<std::size_t>(j) < infos.size() && !infos[j].referencedFile.empty();
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

    if (message.Changed() && !message.SaveFile(messageFile)) {
        result.status = FinishResult::Status::Failed;
        result.error = "cannot save \"" + messageFile + "\": " + message.LastError();
    }
    return result;
}

}  // namespace quill
