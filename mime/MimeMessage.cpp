#include "mime/MimeMessage.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "mime/MediaTypes.h"
#include "mime/TransferEncoding.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Utf.h"

namespace quill::mime {
namespace {

constexpr std::size_t kMaxLineOctets = 998;        // RFC 5322 line limit
constexpr std::size_t kReferenceScanBytes = 4096;  // the reference line stands at the start

bool HasLongLine(std::string_view s) {
    std::size_t column = 0;
    for (char c : s) {
        column = c == '\n' ? 0 : column + 1;
        if (column > kMaxLineOctets) return true;
    }
    return false;
}

// Would the text, written as it is, hold a line that splits the message
// somewhere else: a delimiter of any of its multiparts?
bool HoldsDelimiter(std::string_view text, const Part& root) {
    bool holds = false;
    ForEachPart(root, [&](const Part& p) {
        if (holds || !p.IsMultipart()) return;
        std::string marker = "--" + p.Boundary();
        for (std::size_t at = text.find(marker); at != std::string_view::npos; at = text.find(marker, at + 1)) {
            if (at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r') {
                holds = true;
                return;
            }
        }
    });
    return holds;
}

std::string NormaliseLineEnds(std::string_view text, std::string_view lineEnd) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n')
            out += lineEnd;
        else
            out += text[i];
    }
    return out;
}

std::string_view FirstLineEnd(std::string_view bytes) {
    std::size_t nl = bytes.find('\n');
    if (nl == std::string_view::npos) return "\r\n";
    return nl > 0 && bytes[nl - 1] == '\r' ? "\r\n" : "\n";
}

// A Content-Type value: token, then each parameter on its own folded line.
std::string FormatContentType(std::string_view token, const std::vector<Parameter>& params, std::string_view lineEnd) {
    std::string out(token);
    for (const auto& p : params) {
        out += ";";
        out += lineEnd;
        out += "\t";
        out += FormatParameter(p.name, p.value, lineEnd);
    }
    return out;
}

std::string_view ReferenceIn(std::string_view text);

// The reference line is written in place of the content, so it may stand
// as plain text even in a part that declares base64 or quoted-printable: it
// is looked for after the transfer encoding first and as written second, and
// both readings are kept when both find it (decoding quoted-printable would
// garble a plain name's "=" signs). The names come back as written (raw bytes
// or encoded words); empty when there is no line. asWritten tells whether
// only the bytes as written hold the line.
std::vector<std::string> ReferencedNames(const Part& part, bool* asWritten = nullptr) {
    std::string_view raw = part.RawBody();
    raw = raw.substr(0, std::min(raw.size(), kReferenceScanBytes));
    std::vector<std::string> names;
    const std::string decoded = DecodeTransfer(raw, part.TransferEncoding());
    std::string_view name = ReferenceIn(decoded);
    if (name.data() != nullptr) names.emplace_back(name);
    if (asWritten) *asWritten = false;
    name = ReferenceIn(raw);
    if (name.data() != nullptr && (names.empty() || names.front() != name)) {
        if (asWritten) *asWritten = names.empty();
        names.emplace_back(name);
    }
    return names;
}

std::string ReferencedFile(const Part& part, std::string_view charset, bool* asWritten = nullptr) {
    std::vector<std::string> names = ReferencedNames(part, asWritten);
    return names.empty() ? std::string() : DecodeHeaderText(names.front(), charset);
}

// The name after the marker, on its line or the next; a null view when the
// text does not start with the marker (after blanks).
std::string_view ReferenceIn(std::string_view text) {
    std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return {};
    text.remove_prefix(start);
    if (!platform::StartsWithIgnoreCase(text, MimeMessage::kReferenceLine)) return {};
    text.remove_prefix(MimeMessage::kReferenceLine.size());
    std::size_t nl = text.find('\n');
    std::string_view name = TrimBlanks(text.substr(0, nl));
    if (name.empty() && nl != std::string_view::npos) {
        std::string_view rest = text.substr(nl + 1);
        std::size_t lineStart = rest.find_first_not_of(" \t\r\n");
        if (lineStart != std::string_view::npos) {
            rest.remove_prefix(lineStart);
            name = TrimBlanks(rest.substr(0, rest.find('\n')));
        }
    }
    return name.data() ? name : text.substr(0, 0);
}

// The readings of a name as written: see AttachmentSlot.
std::vector<std::string> NameReadings(std::string_view written, bool alreadyUtf8, std::string_view partCharset,
                                      std::string_view messageCharset, std::string_view ansiCharset) {
    std::vector<std::string> readings;
    auto add = [&](std::string reading) {
        if (reading.empty()) return;
        if (std::find(readings.begin(), readings.end(), reading) == readings.end())
            readings.push_back(std::move(reading));
    };
    if (alreadyUtf8 || platform::IsAsciiText(written)) {
        add(alreadyUtf8 ? std::string(written) : DecodeHeaderText(written, {}));
        return readings;
    }
    if (platform::IsValidUtf8(written)) add(DecodeHeaderText(written, "utf-8"));
    for (std::string_view charset : {partCharset, messageCharset, ansiCharset})
        if (!charset.empty()) add(DecodeHeaderText(written, charset));
    add(DecodeHeaderText(written, "windows-1252"));
    return readings;
}

// Does the file hold a line that is a delimiter of one of the boundaries, or
// any 8-bit byte? Read piece by piece: an attached message may be large.
bool FileHoldsDelimiter(const std::string& path, const std::vector<std::string>& boundaries, bool& eightBit) {
    platform::InputFile in(path, platform::Links::Refuse);
    std::string line;
    bool holds = false;
    auto endLine = [&] {
        for (const auto& b : boundaries)
            if (line.size() >= b.size() + 2 && line.compare(0, 2, "--") == 0 && line.compare(2, b.size(), b) == 0)
                holds = true;
        line.clear();
    };
    char buffer[1 << 16];
    while (std::size_t n = in.Read(buffer, sizeof buffer)) {
        for (std::size_t i = 0; i < n; ++i) {
            if (static_cast<unsigned char>(buffer[i]) >= 0x80) eightBit = true;
            if (buffer[i] == '\n')
                endLine();
            else if (line.size() < 1024)
                line += buffer[i];
        }
    }
    endLine();
    return holds;
}

bool OnlyBlanks(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

}  // namespace

MimeMessage::MimeMessage(FileAccess& files) : files_(&files), root_(Part::Parse({})) {}
MimeMessage::~MimeMessage() = default;
MimeMessage::MimeMessage(MimeMessage&&) noexcept = default;
MimeMessage& MimeMessage::operator=(MimeMessage&&) noexcept = default;

void MimeMessage::Load(std::string_view bytes) {
    root_ = Part::Parse(bytes);
    lineEnd_ = std::string(FirstLineEnd(bytes));
    changed_ = false;
    lastError_.clear();
}

bool MimeMessage::LoadFile(const std::string& path) {
    auto bytes = files_->ReadAll(path);
    if (!bytes) {
        Load({});
        lastError_ = "cannot read \"" + path + "\"";
        return false;
    }
    Load(*bytes);
    return true;
}

std::string MimeMessage::Save() const { return root_->Serialize(); }

void MimeMessage::SaveTo(ByteSink& out) const { root_->SerializeTo(out); }

bool MimeMessage::SaveFile(const std::string& path) {
    if (files_->ReplaceAll(path, Save())) return true;
    lastError_ = "cannot write \"" + path + "\"";
    return false;
}

void MimeMessage::MarkChanged() {
    changed_ = true;
    ForEachPart(*root_, [](Part& p) { p.RenameImbndary(); });
}

BodyParts MimeMessage::Bodies() const { return ChooseBodyParts(*root_); }

Part* MimeMessage::Editable(const Part* part) {
    // The view is read-only; the message owns its parts and edits the ones it chose.
    return const_cast<Part*>(part);
}

bool MimeMessage::UseBoundaryParameters() {
    bool any = false;
    ForEachPart(*root_, [&](const Part& p) { any = any || p.BoundaryFromImbndary(); });
    if (any) MarkChanged();
    return any;
}

std::string MimeMessage::BodyText() const {
    const Part* part = Bodies().text;
    return part ? part->Text() : std::string();
}

bool MimeMessage::SetBodyText(std::string_view utf8) {
    Part* part = Editable(Bodies().text);
    return part && SetPartText(*part, utf8);
}

bool MimeMessage::SetTextBody(std::string_view utf8, std::string_view contentType) {
    Part* part = Editable(Bodies().text);
    if (!part) return false;
    StructuredValue wanted = ParseStructured(contentType);
    StructuredValue current = part->ContentType();
    if (wanted.token.find('/') != std::string::npos &&
        (wanted.token != current.token || !wanted.params.empty() || !part->GetHeader().Find("Content-Type"))) {
        std::vector<Parameter> params = wanted.params;
        for (const auto& p : current.params)
            if (!wanted.Find(p.name)) params.push_back(p);
        part->MutableHeader().Set("Content-Type", FormatContentType(wanted.token, params, lineEnd_), lineEnd_);
        part->MutableHeader().EnsureSeparator(lineEnd_);
    }
    return SetPartText(*part, utf8);
}

bool MimeMessage::HasHtmlBody() const { return Bodies().html != nullptr; }

std::string MimeMessage::HtmlBody() const {
    const Part* part = Bodies().html;
    return part ? part->Text() : std::string();
}

bool MimeMessage::SetHtmlBody(std::string_view utf8) {
    Part* part = Editable(Bodies().html);
    return part && SetPartText(*part, utf8);
}

bool MimeMessage::SetPartText(Part& part, std::string_view utf8) {
    std::string charset = part.Charset();
    std::string bytes;
    bool needUtf8 = false;
    if (!charset.empty()) {
        auto encoded = platform::FromUtf8(utf8, charset);
        needUtf8 = !encoded;
        bytes = encoded ? *encoded : std::string(utf8);
    } else {
        needUtf8 = !platform::IsAsciiText(utf8);
        bytes = std::string(utf8);
    }
    bytes = NormaliseLineEnds(bytes, lineEnd_);
    Header& header = part.MutableHeader();
    if (needUtf8) {
        StructuredValue type = part.ContentType();
        std::vector<Parameter> params;
        for (const auto& p : type.params)
            if (p.name != "charset") params.push_back(p);
        params.push_back({"charset", "utf-8", false});
        header.Set("Content-Type", FormatContentType(type.token, params, lineEnd_), lineEnd_);
    }

    std::string encoding = part.TransferEncoding();
    bool holdsDelimiter = HoldsDelimiter(bytes, *root_);
    bool wasEndedByLine = !part.RawBody().empty() && part.RawBody().back() == '\n';
    std::string body;
    if (encoding == "base64") {
        body = EncodeBase64(bytes, lineEnd_);
        if (wasEndedByLine && !body.empty()) body += lineEnd_;
    } else if (encoding == "quoted-printable") {
        body = EncodeQuotedPrintable(bytes, lineEnd_);
    } else if (!holdsDelimiter &&
               ((encoding == "8bit" || encoding == "binary") ||
                (platform::IsAsciiText(bytes) && !HasLongLine(bytes) && (encoding.empty() || encoding == "7bit")))) {
        body = bytes;
    } else {
        header.Set("Content-Transfer-Encoding", "quoted-printable", lineEnd_);
        body = EncodeQuotedPrintable(bytes, lineEnd_);
    }
    header.EnsureSeparator(lineEnd_);
    part.SetRawBody(std::move(body));
    MarkChanged();
    return true;
}

int MimeMessage::AttachmentCount() const { return static_cast<int>(Bodies().attachments.size()); }

std::vector<AttachmentInfo> MimeMessage::Attachments() const {
    std::string charset = MessageCharset();
    std::vector<AttachmentInfo> list;
    for (const Part* p : Bodies().attachments) {
        AttachmentInfo info;
        info.name = PartFileName(*p, charset);
        info.referencedFile = ReferencedFile(*p, charset);
        info.contentType = p->MediaType();
        list.push_back(std::move(info));
    }
    return list;
}

std::string MimeMessage::AttachmentFileName(int index) const {
    auto list = Attachments();
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return {};
    auto& info = list[static_cast<std::size_t>(index)];
    return info.referencedFile.empty() ? info.name : info.referencedFile;
}

std::string MimeMessage::AttachmentContent(int index) const {
    const auto parts = Bodies().attachments;
    if (index < 0 || static_cast<std::size_t>(index) >= parts.size()) return {};
    const Part& part = *parts[static_cast<std::size_t>(index)];
    // A reference line written as plain text is the content; decoding it
    // would give noise.
    bool asWritten = false;
    if (!ReferencedFile(part, {}, &asWritten).empty() && asWritten) return part.RawBody();
    return part.DecodedBody();
}

std::vector<AttachmentSlot> MimeMessage::AttachmentSlots() const {
    const std::string messageCharset = MessageCharset();
    const std::string ansi = platform::SystemAnsiCharset();
    const BodyParts bodies = Bodies();
    std::vector<AttachmentSlot> slots;
    auto consider = [&](const Part* p, bool attachment) {
        AttachmentSlot slot;
        slot.part = p;
        slot.contentType = p->MediaType();
        slot.emptyBody = OnlyBlanks(p->RawBody()) && !p->GetFileBody();
        const std::string partCharset = p->Charset();
        const StructuredValue disposition = p->ContentDisposition();
        const StructuredValue type = p->ContentType();
        const Parameter* param = disposition.Find("filename");
        if (!param || param->value.empty()) param = type.Find("name");
        if (param && !param->value.empty())
            slot.names = NameReadings(param->value, param->extended, partCharset, messageCharset, ansi);
        for (const auto& written : ReferencedNames(*p)) {
            slot.referenceLine = true;
            for (auto& reading : NameReadings(written, false, partCharset, messageCharset, ansi))
                if (std::find(slot.referenced.begin(), slot.referenced.end(), reading) == slot.referenced.end())
                    slot.referenced.push_back(std::move(reading));
        }
        const bool found = slot.referenceLine;
        if (attachment || found) slots.push_back(std::move(slot));
    };
    for (const Part* p : bodies.leaves) consider(p, p->IsAttachment());
    return slots;
}

void MimeMessage::RestoreFromFile(const Part* p, const std::string& path) {
    Part& part = *Editable(p);
    std::string encoding = part.TransferEncoding();
    Header& header = part.MutableHeader();
    if (part.MediaType() == "message/rfc822" && encoding != "base64" && encoding != "quoted-printable") {
        // An attached message takes no transfer encoding: its bytes go in as
        // they are, unless a line of them would split the message around it.
        std::vector<std::string> boundaries;
        ForEachPart(*root_, [&](const Part& q) {
            if (q.IsMultipart()) boundaries.push_back(q.Boundary());
        });
        bool eightBit = false;
        if (!FileHoldsDelimiter(path, boundaries, eightBit)) {
            if (eightBit && (encoding.empty() || encoding == "7bit"))
                header.Set("Content-Transfer-Encoding", "8bit", lineEnd_);
            header.EnsureSeparator(lineEnd_);
            const bool lineEndAfter = !part.RawBody().empty() && part.RawBody().back() == '\n';
            part.SetFileBody({path, "", lineEnd_, lineEndAfter});
            MarkChanged();
            return;
        }
    }
    if (encoding != "base64" && encoding != "quoted-printable") {
        encoding = "base64";
        header.Set("Content-Transfer-Encoding", "base64", lineEnd_);
    }
    header.EnsureSeparator(lineEnd_);
    const bool lineEndAfter = !part.RawBody().empty() && part.RawBody().back() == '\n';
    part.SetFileBody({path, encoding, lineEnd_, lineEndAfter});
    MarkChanged();
}

void MimeMessage::ReplaceByNote(const Part* p, std::string_view noteName, std::string_view note) {
    Part& part = *Editable(p);
    Header& header = part.MutableHeader();
    const std::string name(noteName);
    header.Set("Content-Type",
               FormatContentType("text/plain", {{"charset", "utf-8", false}, {"name", name, false}}, lineEnd_),
               lineEnd_);
    const StructuredValue disposition = part.ContentDisposition();
    header.Set("Content-Disposition",
               FormatContentType(disposition.token.empty() ? "attachment" : disposition.token,
                                 {{"filename", name, false}}, lineEnd_),
               lineEnd_);
    part.SetRawBody({});
    (void)SetPartText(part, note);
}

void MimeMessage::DropAttachments() {
    bool dropped = false;
    // True when the multipart lost all its parts to the drop.
    std::function<bool(Part&)> dropIn = [&](Part& part) {
        auto& children = part.Children();
        if (!part.IsMultipart() || children.empty()) return false;
        for (std::size_t i = 0; i < children.size();) {
            Part& child = *children[i].part;
            if (child.IsAttachment() || (child.IsMultipart() && dropIn(child))) {
                // The first delimiter may lack the line end before it.
                if (i == 0 && children.size() > 1) children[1].delimiter = children[0].delimiter;
                children.erase(children.begin() + static_cast<std::ptrdiff_t>(i));
                dropped = true;
            } else {
                ++i;
            }
        }
        return children.empty();
    };
    if (root_->IsAttachment()) {
        root_->MutableHeader().Extract("Content-");
        root_->MutableHeader().EnsureSeparator(lineEnd_);
        root_->SetRawBody({});
        dropped = true;
    } else {
        dropIn(*root_);
    }
    if (dropped) MarkChanged();
}

std::string MimeMessage::NewBoundary() const {
    std::string text = Save();
    std::uint64_t hash = 1469598103934665603ull;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    static constexpr char kHex[] = "0123456789abcdef";
    for (int attempt = 0;; ++attempt) {
        std::string boundary = "----=_QuillPart_";
        std::uint64_t h = hash + static_cast<std::uint64_t>(attempt) * 0x9E3779B97F4A7C15ull;
        for (int i = 0; i < 16; ++i) boundary += kHex[(h >> (60 - 4 * i)) & 15];
        if (text.find(boundary) == std::string::npos) return boundary;
    }
}

void MimeMessage::EnsureMixedRoot() {
    Part& root = *root_;
    if (root.IsMultipart() && root.MediaType() == "multipart/mixed") return;
    std::string boundary = NewBoundary();
    Header& header = root.MutableHeader();
    bool emptyText = !root.IsMultipart() && TrimBlanks(root.RawBody()).empty() && root.MediaType() == "text/plain";
    std::vector<HeaderField> moved = header.Extract("Content-");
    std::unique_ptr<Part> wrapped;
    if (!emptyText) {
        std::string headerText;
        for (auto& f : moved) {
            headerText += f.raw;
            if (headerText.back() != '\n') headerText += lineEnd_;
        }
        headerText += lineEnd_;
        wrapped = Part::Parse(headerText);
        wrapped->TakeBodyFrom(root);
    }
    if (!header.Find("MIME-Version")) header.Append("MIME-Version", "1.0", lineEnd_);
    header.Append("Content-Type", "multipart/mixed;" + lineEnd_ + "\tboundary=\"" + boundary + "\"", lineEnd_);
    header.EnsureSeparator(lineEnd_);
    root.MakeMultipart(boundary);
    if (wrapped) root.Children().push_back({"--" + boundary + lineEnd_, std::move(wrapped)});
    root.SetClosing(lineEnd_ + "--" + boundary + "--" + lineEnd_);
}

void MimeMessage::AddAttachment(std::string_view name, std::string_view bytes) {
    EnsureMixedRoot();
    Part& root = *root_;
    const std::string& le = lineEnd_;
    std::string type = ContentTypeForFileName(name);
    std::string text = "Content-Type: " + type + ";" + le + "\t" + FormatParameter("name", name, le) + le +
                       "Content-Transfer-Encoding: base64" + le + "Content-Disposition: attachment;" + le + "\t" +
                       FormatParameter("filename", name, le) + le + le + EncodeBase64(bytes, le);
    auto& children = root.Children();
    bool first = children.empty() && root.Preamble().empty();
    std::string delimiter = (first ? "" : le) + "--" + root.Boundary() + le;
    children.push_back({std::move(delimiter), Part::Parse(text)});
    std::string closing = root.Closing();
    if (closing.empty())
        closing = le + "--" + root.Boundary() + "--" + le;
    else if (closing[0] != '\r' && closing[0] != '\n')
        closing = le + closing;
    root.SetClosing(std::move(closing));
    MarkChanged();
}

bool MimeMessage::AddFileAttachment(const std::string& path, std::string_view name) {
    auto bytes = files_->ReadAll(path);
    if (!bytes) {
        lastError_ = "cannot read \"" + path + "\"";
        return false;
    }
    AddAttachment(name.empty() ? std::string(platform::LastPathComponent(path)) : std::string(name), *bytes);
    return true;
}

std::optional<std::string> MimeMessage::HeaderText(std::string_view name) const {
    auto value = root_->GetHeader().Value(name);
    if (!value) return std::nullopt;
    return DecodeHeaderText(*value, MessageCharset());
}

std::string MimeMessage::MessageCharset() const {
    std::string charset;
    ForEachPart(*root_, [&](const Part& p) {
        if (!charset.empty() || p.IsMultipart()) return;
        std::string type = p.MediaType();
        if (type == "text/plain" || type == "text/html") charset = p.Charset();
    });
    return charset.empty() ? root_->Charset() : charset;
}

}  // namespace quill::mime
