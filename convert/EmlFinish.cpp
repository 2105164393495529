#include "convert/EmlFinish.h"

#include <vector>

#include "convert/PendingMessage.h"
#include "platform/Ascii.h"
#include "platform/File.h"

namespace quill {
namespace {

bool MarkAt(const std::string& text, std::size_t at) {
    return platform::StartsWithIgnoreCase(std::string_view(text).substr(at), kJoinMark);
}

// ---- attachments ------------------------------------------------------------

std::string NoteText(const std::string& name, const AttachmentLookup& lookup) {
    std::string why;
    if (lookup.outcome == AttachmentLookup::Outcome::Refused)
        why = "it was not restored: " + lookup.why + ".";
    else if (lookup.why.rfind("no file of that name", 0) == 0 || lookup.why.empty())
        why = "no file of that name was found in the attachments folder.";
    else
        why = "its file could not be read: " + lookup.why + ".";
    return "The attachment \"" + name +
           "\" of this message was kept by IncrediMail in its attachments folder, apart from the message, and " + why +
           "\nQuillmere wrote this note in its place when it converted the message.\n";
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

std::string MissingNoteName(std::string_view name) {
    return std::string(name.empty() ? std::string_view("attachment") : name) + " (missing).txt";
}

FinishResult FinishMessage(mime::MimeMessage& message, const AttachmentFolder& folder, bool lookForJoined) {
    FinishResult result;
    // Read before the first edit: the cut may rewrite a body in UTF-8, and the
    // charset raw names are read in must be the one the message was written in.
    const std::vector<mime::AttachmentSlot> slots = message.AttachmentSlots();
    const mime::BodyParts bodies = message.Bodies();
    const std::string text = bodies.text && lookForJoined ? bodies.text->Text() : std::string();
    const std::string html = bodies.html && lookForJoined ? bodies.html->Text() : std::string();

    // The joined message: what follows stays in the message as an attachment.
    std::vector<std::pair<std::string, std::string>> joined;
    std::size_t p = JoinedMessageStart(text);
    if (p != std::string::npos && message.SetBodyText(text.substr(0, p)))
        joined.emplace_back("joined-message.txt", text.substr(p));
    if (bodies.html && lookForJoined) {
        std::size_t h = JoinedHtmlStart(html);
        if (h != std::string::npos && message.SetHtmlBody(html.substr(0, h)))
            joined.emplace_back("joined-message.html", html.substr(h));
    }
    result.cutApplied = !joined.empty();

    // Attachments, each in its place: its file where it has no content of its own.
    for (const auto& slot : slots) {
        const bool ownContent = !slot.referenceLine && !slot.emptyBody;
        if (ownContent) {
            ++result.attachmentsKept;
            continue;
        }
        // The reference line's file, or the part's own name when the line names none.
        const std::vector<std::string>& readings = !slot.referenced.empty() ? slot.referenced : slot.names;
        if (readings.empty()) {
            // Nothing to look up: an empty part without a name stays as it is;
            // a reference line that names nothing is no content at all.
            if (!slot.referenceLine) continue;
            message.ReplaceByNote(slot.part, MissingNoteName({}), NoteText({}, {}));
            result.attachmentsMissing.emplace_back();
            continue;
        }
        AttachmentLookup found = folder.Find(readings);
        if (found.outcome == AttachmentLookup::Outcome::Found) {
            try {
                message.RestoreFromFile(slot.part, found.path);
                ++result.attachmentsRestored;
                continue;
            } catch (const platform::FileError& e) {
                found.outcome = AttachmentLookup::Outcome::Missing;
                found.why = e.what();
            }
        }
        message.ReplaceByNote(slot.part, MissingNoteName(found.name), NoteText(found.name, found));
        if (found.outcome == AttachmentLookup::Outcome::Refused)
            result.attachmentsRefused.emplace_back(found.name, found.why);
        else
            result.attachmentsMissing.push_back(found.name);
    }
    for (const auto& [name, content] : joined) message.AddAttachment(name, content);
    // An encoded "imbndary" is useless to every other reader.
    (void)message.UseBoundaryParameters();
    result.changed = message.Changed();
    return result;
}

const AttachmentFolder& EmlFinisher::Folder(const std::string& path) {
    if (!folder_ || folder_->Path() != path) folder_ = std::make_unique<AttachmentFolder>(path);
    return *folder_;
}

FinishResult EmlFinisher::Finish(PendingMessage& message, const std::string& attachmentFolder) {
    bool lookForJoined = true;
    if (!message.Loaded()) {
        const FinishHints hints = LookBeforeFinishing(message.Text());
        if (!hints.Any()) {
            FinishResult untouched;
            untouched.attachmentsKept = hints.carriedAttachments;
            return untouched;
        }
        lookForJoined = hints.mayHoldJoined;
    }
    FinishResult result = FinishMessage(message.Message(), Folder(attachmentFolder), lookForJoined);
    if (result.changed) message.ReleaseText();  // the tree holds the message now
    return result;
}

FinishResult EmlFinisher::Finish(const std::string& messageFile, const std::string& attachmentFolder) {
    FinishResult result;
    mime::MimeMessage message;
    if (!message.LoadFile(messageFile)) {
        result.status = FinishResult::Status::LeftAsWritten;
        result.error = "cannot read \"" + messageFile + "\": " + message.LastError();
        return result;
    }
    result = FinishMessage(message, Folder(attachmentFolder));
    try {
        if (message.Changed() && !message.SaveFile(messageFile)) {
            result.status = FinishResult::Status::Failed;
            result.error = "cannot save \"" + messageFile + "\": " + message.LastError();
        }
    } catch (const platform::FileError& e) {
        result.status = FinishResult::Status::Failed;
        result.error = e.what();
    }
    return result;
}

}  // namespace quill
