#include "convert/PstMessageMap.h"

#include <algorithm>
#include <array>
#include <set>

#include "convert/AttachmentNames.h"
#include "convert/Html.h"
#include "mime/Address.h"
#include "mime/Header.h"
#include "mime/HeaderValue.h"
#include "mime/MailDate.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/Path.h"
#include "platform/Utf.h"

namespace quill {
namespace {

using mime::Part;
using pst::PropertyList;

// Message properties ([MS-OXPROPS]).
constexpr std::uint16_t kImportance = 0x0017;
constexpr std::uint16_t kPriority = 0x0026;
constexpr std::uint16_t kSensitivity = 0x0036;
constexpr std::uint16_t kSubject = 0x0037;
constexpr std::uint16_t kClientSubmitTime = 0x0039;
constexpr std::uint16_t kSentRepSearchKey = 0x003B;
constexpr std::uint16_t kSentRepEntryId = 0x0041;
constexpr std::uint16_t kSentRepName = 0x0042;
constexpr std::uint16_t kSentRepAddrType = 0x0064;
constexpr std::uint16_t kSentRepAddress = 0x0065;
constexpr std::uint16_t kConversationTopic = 0x0070;
constexpr std::uint16_t kTransportHeaders = 0x007D;
constexpr std::uint16_t kSenderEntryId = 0x0C19;
constexpr std::uint16_t kSenderName = 0x0C1A;
constexpr std::uint16_t kSenderSearchKey = 0x0C1D;
constexpr std::uint16_t kSenderAddrType = 0x0C1E;
constexpr std::uint16_t kSenderAddress = 0x0C1F;
constexpr std::uint16_t kDisplayBcc = 0x0E02;
constexpr std::uint16_t kDisplayCc = 0x0E03;
constexpr std::uint16_t kDisplayTo = 0x0E04;
constexpr std::uint16_t kDeliveryTime = 0x0E06;
constexpr std::uint16_t kMessageFlags = 0x0E07;
constexpr std::uint16_t kNormalizedSubject = 0x0E1D;
constexpr std::uint16_t kBody = 0x1000;
constexpr std::uint16_t kHtml = 0x1013;
constexpr std::uint16_t kInternetMessageId = 0x1035;
constexpr std::uint16_t kReferences = 0x1039;
constexpr std::uint16_t kInReplyTo = 0x1042;
constexpr std::uint16_t kCreationTime = 0x3007;
constexpr std::uint16_t kModificationTime = 0x3008;
constexpr std::uint16_t kInternetCodePage = 0x3FDE;
constexpr std::uint16_t kMessageCodePage = 0x3FFD;
constexpr std::uint16_t kSenderSmtp = 0x5D01;
constexpr std::uint16_t kSentRepSmtp = 0x5D02;

// Recipient row properties.
constexpr std::uint16_t kRecipientType = 0x0C15;
constexpr std::uint16_t kResponsibility = 0x0E0F;
constexpr std::uint16_t kObjectType = 0x0FFE;
constexpr std::uint16_t kEntryId = 0x0FFF;
constexpr std::uint16_t kDisplayName = 0x3001;
constexpr std::uint16_t kAddrType = 0x3002;
constexpr std::uint16_t kEmailAddress = 0x3003;
constexpr std::uint16_t kSearchKey = 0x300B;
constexpr std::uint16_t kDisplayType = 0x3900;
constexpr std::uint16_t kSmtpAddress = 0x39FE;
constexpr std::uint16_t kSendRichInfo = 0x3A40;
constexpr std::uint16_t kRecipientOrder = 0x5FDF;
constexpr std::uint16_t kRecipientFlags = 0x5FFD;

// Attachment properties.
constexpr std::uint16_t kAttachExtension = 0x3703;
constexpr std::uint16_t kAttachFilename = 0x3704;
constexpr std::uint16_t kAttachLongFilename = 0x3707;
constexpr std::uint16_t kAttachMimeTag = 0x370E;
constexpr std::uint16_t kAttachContentId = 0x3712;
constexpr std::uint16_t kAttachmentHidden = 0x7FFE;

constexpr std::uint32_t kMsgFlagRead = 0x01;
constexpr std::uint32_t kMsgFlagHasAttach = 0x10;
constexpr std::uint32_t kMapiMailUser = 6;
constexpr std::uint32_t kRecipSendable = 1;

// Bare LF and bare CR become CR LF, which is what the readers of a PST expect.
std::string CrLf(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 32);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += "\r\n";
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else if (s[i] == '\n') {
            out += "\r\n";
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<const mime::HeaderField*> FieldsNamed(const mime::Header& header, std::string_view name) {
    std::vector<const mime::HeaderField*> out;
    for (const auto& f : header.Fields())
        if (platform::EqualsIgnoreCase(f.name, name)) out.push_back(&f);
    return out;
}

std::optional<std::string> RawValue(const mime::Header& header, std::string_view name) {
    auto v = header.Value(name);
    if (!v) return std::nullopt;
    return mime::BytesToUtf8(*v, {});
}

std::string ContentId(const Part& part) {
    auto v = part.GetHeader().Value("Content-ID");
    if (!v) return {};
    std::string id(mime::TrimBlanks(*v));
    if (!id.empty() && id.front() == '<') id.erase(0, 1);
    std::size_t close = id.find('>');
    if (close != std::string::npos) id.resize(close);
    return std::string(mime::TrimBlanks(id));
}

void AppendUnicodeZ(std::vector<std::uint8_t>& out, std::string_view utf8) {
    auto units = pst::Utf16Le(utf8);
    out.insert(out.end(), units.begin(), units.end());
    out.push_back(0);
    out.push_back(0);
}

}  // namespace

// ---- the pieces ------------------------------------------------------------

std::size_t SubjectPrefixLength(std::string_view subject) {
    std::size_t n = 0;
    while (n < subject.size() && n <= 3 && platform::IsAsciiLetter(subject[n])) ++n;
    if (n == 0 || n > 3 || n >= subject.size() || subject[n] != ':') return 0;
    ++n;
    if (n < subject.size() && subject[n] == ' ') ++n;
    return n;
}

std::vector<std::uint8_t> OneOffEntryId(std::string_view name, std::string_view address) {
    static constexpr std::uint8_t kHead[] = {0x00, 0x00, 0x00, 0x00,                          // flags
                                             0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,  // one-off provider
                                             0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0x00, 0x00,  // version
                                             0x01, 0x80};  // no rich info | Unicode
    std::vector<std::uint8_t> id(std::begin(kHead), std::end(kHead));
    AppendUnicodeZ(id, name);
    AppendUnicodeZ(id, "SMTP");
    AppendUnicodeZ(id, address);
    return id;
}

std::vector<std::uint8_t> AddressSearchKey(std::string_view address) {
    std::string key = "SMTP:" + platform::UpperAscii(address);
    std::vector<std::uint8_t> out(key.begin(), key.end());
    out.push_back(0);
    return out;
}

// ---- the message -----------------------------------------------------------

namespace {

void SetAddressee(PropertyList& props, const mime::MailAddress& m, std::uint16_t name, std::uint16_t addrType,
                  std::uint16_t address, std::uint16_t entryId, std::uint16_t searchKey, std::uint16_t smtp) {
    std::string shown = m.name.empty() ? m.address : m.name;
    if (!shown.empty()) props.SetString(name, shown);
    if (m.address.empty()) return;
    props.SetString(addrType, "SMTP");
    props.SetString(address, m.address);
    props.SetBinary(entryId, OneOffEntryId(shown, m.address));
    props.SetBinary(searchKey, AddressSearchKey(m.address));
    props.SetString(smtp, m.address);
}

std::optional<mime::MailAddress> FirstMailbox(const mime::Header& header, std::string_view field,
                                              std::string_view charset) {
    for (const auto* f : FieldsNamed(header, field)) {
        auto list = mime::ParseAddressList(f->Value(), charset);
        for (auto& m : list)
            if (!m.address.empty()) return std::move(m);
        if (!list.empty()) return std::move(list.front());
    }
    return std::nullopt;
}

void MapSubject(const mime::MimeMessage& message, PropertyList& props) {
    auto subject = message.HeaderText("Subject");
    if (!subject) return;
    std::string text = mime::CollapseBlanks(*subject);
    std::size_t prefixLength = SubjectPrefixLength(text);
    std::string prefix = text.substr(0, prefixLength);
    std::string normalized(mime::TrimBlanks(std::string_view(text).substr(prefixLength)));
    std::string stored = "\x01";
    stored += static_cast<char>(prefix.size() + 1);
    props.SetString(kSubject, stored + prefix + normalized);
    props.SetString(kConversationTopic, normalized);
    props.SetString(kNormalizedSubject, normalized);
}

// Low 0, normal 1, high 2, from the first of the headers that says.
int ImportanceLevel(const mime::Header& header) {
    auto word = [&](std::string_view name) {
        return platform::LowerAscii(mime::TrimBlanks(header.Value(name).value_or("")));
    };
    std::string v = word("Importance");
    if (v.rfind("high", 0) == 0) return 2;
    if (v.rfind("low", 0) == 0) return 0;
    if (!v.empty()) return 1;
    v = word("X-Priority");
    if (!v.empty() && platform::IsAsciiDigit(v[0])) return v[0] <= '2' ? 2 : v[0] == '3' ? 1 : 0;
    v = word("X-MSMail-Priority");
    if (v.rfind("high", 0) == 0) return 2;
    if (v.rfind("low", 0) == 0) return 0;
    if (!v.empty()) return 1;
    v = word("Priority");
    if (v.rfind("urgent", 0) == 0) return 2;
    if (v.rfind("non-urgent", 0) == 0) return 0;
    return 1;
}

void MapFlagsAndPriority(const mime::Header& header, PropertyList& props) {
    int level = ImportanceLevel(header);
    props.SetInt32(kImportance, static_cast<std::uint32_t>(level));
    std::string priority = platform::LowerAscii(mime::TrimBlanks(header.Value("Priority").value_or("")));
    int p = priority.rfind("urgent", 0) == 0       ? 1
            : priority.rfind("non-urgent", 0) == 0 ? -1
            : priority.empty()                     ? level - 1
                                                   : 0;
    props.SetInt32(kPriority, static_cast<std::uint32_t>(p));
    std::string sensitivity = platform::LowerAscii(mime::TrimBlanks(header.Value("Sensitivity").value_or("")));
    std::uint32_t s = sensitivity == "personal"               ? 1
                      : sensitivity == "private"              ? 2
                      : sensitivity == "company-confidential" ? 3
                                                              : 0;
    props.SetInt32(kSensitivity, s);
}

void MapRecipients(const mime::Header& header, std::string_view charset, pst::NewMessage& out) {
    struct Kind {
        std::string_view field;
        std::uint32_t type;
        std::uint16_t display;
    };
    static constexpr Kind kKinds[] = {{"To", 1, kDisplayTo}, {"Cc", 2, kDisplayCc}, {"Bcc", 3, kDisplayBcc}};
    std::uint32_t order = 0;
    for (const auto& kind : kKinds) {
        std::string line;
        for (const auto* f : FieldsNamed(header, kind.field)) {
            for (const auto& m : mime::ParseAddressList(f->Value(), charset)) {
                std::string shown = m.name.empty() ? m.address : m.name;
                line += (line.empty() ? "" : "; ") + shown;
                if (m.address.empty()) continue;  // a name alone can't be a recipient
                PropertyList r;
                r.SetInt32(kRecipientType, kind.type);
                r.SetString(kDisplayName, shown);
                r.SetString(kAddrType, "SMTP");
                r.SetString(kEmailAddress, m.address);
                r.SetString(kSmtpAddress, m.address);
                r.SetBinary(kEntryId, OneOffEntryId(shown, m.address));
                r.SetBinary(kSearchKey, AddressSearchKey(m.address));
                r.SetInt32(kObjectType, kMapiMailUser);
                r.SetInt32(kDisplayType, 0);
                r.SetBool(kResponsibility, false);
                r.SetBool(kSendRichInfo, false);
                r.SetInt32(kRecipientFlags, kRecipSendable);
                r.SetInt32(kRecipientOrder, order++);
                out.recipients.push_back(std::move(r));
            }
        }
        if (!line.empty()) out.props.SetString(kind.display, line);
    }
}

std::optional<std::int64_t> DeliveryTime(const mime::Header& header) {
    if (const auto* received = header.Find("Received")) {
        std::string v = received->Value();
        std::size_t semi = v.rfind(';');
        if (semi != std::string::npos)
            if (auto t = mime::ParseMailDate(std::string_view(v).substr(semi + 1))) return t;
    }
    if (auto date = header.Value("Date")) return mime::ParseMailDate(*date);
    return std::nullopt;
}

std::string TransportHeaders(const mime::Header& header) {
    // Field by field, so one field in Latin-1 does not turn the UTF-8 of the others.
    std::string text;
    for (const auto& f : header.Fields()) {
        text += mime::BytesToUtf8(f.raw, {});
        if (text.empty() || text.back() != '\n') text += '\n';
    }
    return CrLf(text);
}

void MapBodies(const mime::BodyParts& bodies, pst::NewMessage& out, std::set<std::string>& cids) {
    const Part* text = bodies.text;
    const Part* html = bodies.html;
    if (text) out.props.SetString(kBody, CrLf(text->Text()));
    if (html) {
        std::string bytes = html->DecodedBody();
        std::string charset = html->Charset();
        if (charset.empty()) charset = HtmlMetaCharset(bytes);
        std::uint32_t cp = platform::CodePageForCharset(charset, bytes);
        out.props.SetBinary(kHtml, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        out.props.SetInt32(kInternetCodePage, cp);
        out.props.SetInt32(kMessageCodePage, cp);
        if (!text) out.props.SetString(kBody, CrLf(HtmlToText(mime::BytesToUtf8(bytes, charset))));
        cids = CidReferences(bytes);
    } else if (text) {
        std::uint32_t cp = platform::CodePageForCharset(text->Charset(), text->DecodedBody());
        out.props.SetInt32(kInternetCodePage, cp);
        out.props.SetInt32(kMessageCodePage, cp);
    }
}

void MapAttachments(const mime::BodyParts& bodies, std::string_view charset, const std::set<std::string>& cids,
                    std::optional<std::uint64_t> fileTime, pst::NewMessage& out) {
    std::set<std::string> shortNames;
    int unnamed = 0;
    for (const Part* leaf : bodies.leaves) {
        const Part& p = *leaf;
        std::string type = p.MediaType();
        std::string cid = ContentId(p);
        mime::StructuredValue disposition = p.ContentDisposition();
        bool referenced = !cid.empty() && cids.count(platform::LowerAscii(cid)) != 0;
        // Unnamed text parts are further body forms (text/enriched, a second
        // alternative), not files; multipart bodies without delimiters are kept as leaves.
        if (!p.IsAttachment() && !referenced && (type.rfind("text/", 0) == 0 || type.rfind("multipart/", 0) == 0))
            continue;

        pst::NewAttachment a;
        a.data = p.DecodedBody();
        const std::string name = PstAttachmentName(p, a.data, charset, unnamed);
        std::string shortName;
        for (int serial = 1; shortName.empty() || shortNames.count(shortName); ++serial)
            shortName = ShortFileName(name, serial);
        shortNames.insert(shortName);

        a.props.SetString(kAttachLongFilename, name);
        a.props.SetString(kAttachFilename, shortName);
        a.props.SetString(kDisplayName, name);
        if (std::string ext(platform::PathExtension(name)); !ext.empty()) a.props.SetString(kAttachExtension, ext);
        a.props.SetString(kAttachMimeTag, type);
        if (!cid.empty()) a.props.SetString(kAttachContentId, cid);
        if (referenced && disposition.token != "attachment") a.props.SetBool(kAttachmentHidden, true);
        if (fileTime) {
            a.props.SetTime(kCreationTime, *fileTime);
            a.props.SetTime(kModificationTime, *fileTime);
        }
        out.attachments.push_back(std::move(a));
    }
}

}  // namespace

pst::NewMessage MapMessage(const mime::MimeMessage& message, const MessageMapOptions& options) {
    pst::NewMessage out;
    const Part& root = message.Root();
    const mime::Header& header = root.GetHeader();
    const std::string charset = message.MessageCharset();
    PropertyList& props = out.props;

    MapSubject(message, props);

    auto from = FirstMailbox(header, "From", charset);
    if (!from) from = FirstMailbox(header, "Sender", charset);
    if (from) {
        SetAddressee(props, *from, kSenderName, kSenderAddrType, kSenderAddress, kSenderEntryId, kSenderSearchKey,
                     kSenderSmtp);
        SetAddressee(props, *from, kSentRepName, kSentRepAddrType, kSentRepAddress, kSentRepEntryId, kSentRepSearchKey,
                     kSentRepSmtp);
    }
    MapRecipients(header, charset, out);

    if (auto date = header.Value("Date"))
        if (auto t = mime::ParseMailDate(*date)) props.SetTime(kClientSubmitTime, pst::FileTimeFromUnix(*t));
    std::optional<std::uint64_t> delivered;
    if (auto t = DeliveryTime(header))
        delivered = pst::FileTimeFromUnix(*t);
    else if (options.fallbackTime)
        delivered = pst::FileTimeFromUnix(*options.fallbackTime);
    if (delivered) {
        props.SetTime(kDeliveryTime, *delivered);
        props.SetTime(kCreationTime, *delivered);
        props.SetTime(kModificationTime, *delivered);
    }

    if (!header.Fields().empty()) props.SetString(kTransportHeaders, TransportHeaders(header));
    if (auto v = RawValue(header, "Message-ID")) props.SetString(kInternetMessageId, *v);
    if (auto v = RawValue(header, "In-Reply-To")) props.SetString(kInReplyTo, *v);
    if (auto v = RawValue(header, "References")) props.SetString(kReferences, *v);
    MapFlagsAndPriority(header, props);

    const mime::BodyParts bodies = message.Bodies();
    std::set<std::string> cids;
    MapBodies(bodies, out, cids);
    MapAttachments(bodies, charset, cids, delivered, out);

    std::uint32_t flags = options.read ? kMsgFlagRead : 0;
    if (!out.attachments.empty()) flags |= kMsgFlagHasAttach;
    props.SetInt32(kMessageFlags, flags);
    return out;
}

}  // namespace quill
