#pragma once
// A MIME message (RFC 5322, RFC 2045-2049) that can be read, edited and
// written back losslessly: whatever an edit does not touch is written back
// byte for byte, and a message loaded and saved without edits gives back the
// bytes it was loaded from. Every byte sequence loads; damaged mail is read
// as far as it makes sense (see Header.h, HeaderValue.h and Part.h for the
// rules).
//
// Text given and returned is UTF-8. Message bytes are never decoded in place.
//
// Definitions the converter relies on:
//  - the body text (also called the plain-text body), the HTML body and the
//    attachments are the parts BodyParts.h chooses; a body's text is empty
//    when there is no such part, and the message has an HTML body when there
//    is one.
//  - setting a body replaces that part's text. Its charset is kept when the
//    text can be written in it; otherwise, or when the part declares none
//    and the text is not ASCII, the charset becomes utf-8. The text is
//    encoded with the part's own transfer encoding; 7bit (or none) turns
//    into quoted-printable when the text needs 8 bits or has over-long lines.
//    Line ends become the message's line end.
//  - the message's line end: that of its first line (CR LF when it has none).
//    Everything the component writes uses it.
//  - a changed message spells an "imbndary" parameter as a plain
//    "boundary" with the boundary its delimiter lines carry.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/BodyParts.h"
#include "mime/FileAccess.h"
#include "mime/Part.h"

namespace quill::mime {

struct AttachmentInfo {
    // Decoded from RFC 2231, from RFC 2047 (also inside quotes), or from raw
    // 8-bit bytes in the message's charset; the disposition's filename
    // before the type's name. Empty when the part names none.
    std::string name;
    // The file named by the reference line that stands in place of the
    // content ("----------[%ImFilePath%]----------" then the file name, on
    // the same line or the next), decoded like name; empty when there is none.
    std::string referencedFile;
    std::string contentType;  // "type/subtype"
};

// An attachment part as the finisher restores it, read before anything in
// the message changes. Names come in every reading worth trying for the
// lookup: RFC 2231 and RFC 2047 decoded; raw 8-bit bytes as UTF-8 (when they
// are valid UTF-8), then in the part's charset, the message's charset and the
// system's ANSI charset, then as windows-1252. The first reading is the one
// to show.
struct AttachmentSlot {
    const Part* part = nullptr;
    std::vector<std::string> names;       // the part's own name; empty when it names none
    std::vector<std::string> referenced;  // the reference line's file
    bool referenceLine = false;           // the part holds a reference line in place of its content
    bool emptyBody = false;               // only blanks and line ends
    std::string contentType;              // "type/subtype"
};

class MimeMessage {
  public:
    static constexpr std::string_view kReferenceLine = "----------[%ImFilePath%]----------";

    explicit MimeMessage(FileAccess& files = DiskFiles());
    ~MimeMessage();
    MimeMessage(MimeMessage&&) noexcept;
    MimeMessage& operator=(MimeMessage&&) noexcept;

    void Load(std::string_view bytes);
    // false (with LastError) when the file cannot be read; the message is
    // then empty.
    [[nodiscard]] bool LoadFile(const std::string& path);

    std::string Save() const;
    // The same bytes, written piece by piece (file bodies read as they go).
    void SaveTo(ByteSink& out) const;
    // Replaces the file's content; false (with LastError) when it could not.
    [[nodiscard]] bool SaveFile(const std::string& path);
    const std::string& LastError() const noexcept { return lastError_; }

    std::string BodyText() const;
    [[nodiscard]] bool SetBodyText(std::string_view utf8);  // false: no body text part
    std::string PlainTextBody() const { return BodyText(); }
    // The body text part becomes this text with that content type
    // ("text/plain", optionally with parameters that replace the part's).
    [[nodiscard]] bool SetTextBody(std::string_view utf8, std::string_view contentType);

    bool HasHtmlBody() const;
    std::string HtmlBody() const;
    [[nodiscard]] bool SetHtmlBody(std::string_view utf8);  // false: no HTML part

    int AttachmentCount() const;
    // The file to look for: the referenced file when the part holds a
    // reference line, otherwise its name. Empty for an index out of range.
    std::string AttachmentFileName(int index) const;
    std::vector<AttachmentInfo> Attachments() const;
    // The attachment's bytes after its transfer encoding; a reference line
    // that stands unencoded in the part comes back as written.
    std::string AttachmentContent(int index) const;

    // The attachment parts with their names (above): the parts Bodies()
    // chooses as attachments, and attached messages that hold a reference
    // line in place of their content.
    std::vector<AttachmentSlot> AttachmentSlots() const;
    // Puts a file's content in place of the part's body. The part keeps its
    // place and every header field; its body is the file in the part's own
    // transfer encoding when that is base64 or quoted-printable, otherwise
    // base64, and the Content-Transfer-Encoding field then says so. An
    // attached message (message/rfc822) takes the file's bytes as they are,
    // as its type requires, unless a line of them is a delimiter of this
    // message. The file is read when the message is written out (see
    // FileBody); an attached message's is also read here, and a file that
    // cannot be read throws platform::FileError.
    void RestoreFromFile(const Part* part, const std::string& path);
    // The part's content becomes a short text: its type text/plain in UTF-8,
    // its file name noteName; every other header field stays.
    void ReplaceByNote(const Part* part, std::string_view noteName, std::string_view note);

    // Removes every attachment part; a multipart left without parts goes
    // too. A message that is itself an attachment keeps its other headers
    // and an empty body.
    void DropAttachments();
    // Attaches bytes under name: a base64 part (lines of 76 columns) with a
    // Content-Type from the name's extension and Content-Disposition
    // attachment, appended to the message's multipart/mixed, which is made
    // when the message is not one (the old body becomes its first part).
    void AddAttachment(std::string_view name, std::string_view bytes);
    // The file's content under the file's own name (its last path
    // component), or under name when given. false when it cannot be read.
    [[nodiscard]] bool AddFileAttachment(const std::string& path, std::string_view name = {});

    // A top-level header field, RFC 2047 decoded; nullopt when absent.
    std::optional<std::string> HeaderText(std::string_view name) const;
    // The charset raw 8-bit header bytes are read in: that of the first text
    // part that declares one, or the message's own; empty when none does.
    std::string MessageCharset() const;

    // Rewrites every "imbndary" parameter as a plain "boundary" (the message
    // then counts as changed); false when there is none.
    bool UseBoundaryParameters();

    const Part& Root() const noexcept { return *root_; }
    // The bodies and attachments chosen as above, in one walk (see BodyParts.h).
    BodyParts Bodies() const;
    bool Changed() const noexcept { return changed_; }
    std::string_view LineEnd() const noexcept { return lineEnd_; }

  private:
    static Part* Editable(const Part* part);
    bool SetPartText(Part& part, std::string_view utf8);
    void MarkChanged();
    std::string NewBoundary() const;
    void EnsureMixedRoot();

    FileAccess* files_;
    std::unique_ptr<Part> root_;
    std::string lineEnd_ = "\r\n";
    bool changed_ = false;
    std::string lastError_;
};

}  // namespace quill::mime
