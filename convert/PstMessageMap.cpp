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
#include "pst/messaging/EntryIds.h"
#include "pst/messaging/PropertyTags.h"

namespace quill {
namespace {

using mime::Part;
using pst::PropertyList;

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

// ---- the message -----------------------------------------------------------

namespace {

void SetAddressee(PropertyList& props, const mime::MailAddress& m, std::uint16_t name, std::uint16_t addrType,
                  std::uint16_t address, std::uint16_t entryId, std::uint16_t searchKey, std::uint16_t smtp) {
    std::string shown = m.name.empty() ? m.address : m.name;
    if (!shown.empty()) props.SetString(name, shown);
    if (m.address.empty()) return;
    props.SetString(addrType, "SMTP");
    props.SetString(address, m.address);
    props.SetBinary(entryId, pst::messaging::OneOffEntryId(shown, m.address));
    props.SetBinary(searchKey, pst::messaging::AddressSearchKey(m.address));
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
    props.SetString(pst::kPidTagSubject, stored + prefix + normalized);
    props.SetString(pst::kPidTagConversationTopic, normalized);
    props.SetString(pst::kPidTagNormalizedSubject, normalized);
}

// PidTagImportance from the first of the headers that says.
std::uint32_t ImportanceLevel(const mime::Header& header) {
    auto word = [&](std::string_view name) {
        return platform::LowerAscii(mime::TrimBlanks(header.Value(name).value_or("")));
    };
    std::string v = word("Importance");
    if (v.rfind("high", 0) == 0) return pst::kImportanceHigh;
    if (v.rfind("low", 0) == 0) return pst::kImportanceLow;
    if (!v.empty()) return pst::kImportanceNormal;
    v = word("X-Priority");
    if (!v.empty() && platform::IsAsciiDigit(v[0]))
        return v[0] <= '2' ? pst::kImportanceHigh : v[0] == '3' ? pst::kImportanceNormal : pst::kImportanceLow;
    v = word("X-MSMail-Priority");
    if (v.rfind("high", 0) == 0) return pst::kImportanceHigh;
    if (v.rfind("low", 0) == 0) return pst::kImportanceLow;
    if (!v.empty()) return pst::kImportanceNormal;
    v = word("Priority");
    if (v.rfind("urgent", 0) == 0) return pst::kImportanceHigh;
    if (v.rfind("non-urgent", 0) == 0) return pst::kImportanceLow;
    return pst::kImportanceNormal;
}

void MapFlagsAndPriority(const mime::Header& header, PropertyList& props) {
    const std::uint32_t level = ImportanceLevel(header);
    props.SetInt32(pst::kPidTagImportance, level);
    std::string priority = platform::LowerAscii(mime::TrimBlanks(header.Value("Priority").value_or("")));
    int p = priority.rfind("urgent", 0) == 0       ? 1
            : priority.rfind("non-urgent", 0) == 0 ? -1
            : priority.empty()                     ? static_cast<int>(level) - 1
                                                   : 0;
    props.SetInt32(pst::kPidTagPriority, static_cast<std::uint32_t>(p));
    std::string sensitivity = platform::LowerAscii(mime::TrimBlanks(header.Value("Sensitivity").value_or("")));
    std::uint32_t s = sensitivity == "personal"               ? pst::kSensitivityPersonal
                      : sensitivity == "private"              ? pst::kSensitivityPrivate
                      : sensitivity == "company-confidential" ? pst::kSensitivityCompanyConfidential
                                                              : pst::kSensitivityNormal;
    props.SetInt32(pst::kPidTagSensitivity, s);
}

void MapRecipients(const mime::Header& header, std::string_view charset, pst::NewMessage& out) {
    struct Kind {
        std::string_view field;
        std::uint32_t type;
        std::uint16_t display;
    };
    static constexpr Kind kKinds[] = {{"To", pst::kMapiTo, pst::kPidTagDisplayTo},
                                      {"Cc", pst::kMapiCc, pst::kPidTagDisplayCc},
                                      {"Bcc", pst::kMapiBcc, pst::kPidTagDisplayBcc}};
    std::uint32_t order = 0;
    for (const auto& kind : kKinds) {
        std::string line;
        for (const auto* f : FieldsNamed(header, kind.field)) {
            for (const auto& m : mime::ParseAddressList(f->Value(), charset)) {
                std::string shown = m.name.empty() ? m.address : m.name;
                line += (line.empty() ? "" : "; ") + shown;
                if (m.address.empty()) continue;  // a name alone can't be a recipient
                PropertyList r;
                r.SetInt32(pst::kPidTagRecipientType, kind.type);
                r.SetString(pst::kPidTagDisplayName, shown);
                r.SetString(pst::kPidTagAddressType, "SMTP");
                r.SetString(pst::kPidTagEmailAddress, m.address);
                r.SetString(pst::kPidTagSmtpAddress, m.address);
                r.SetBinary(pst::kPidTagEntryId, pst::messaging::OneOffEntryId(shown, m.address));
                r.SetBinary(pst::kPidTagSearchKey, pst::messaging::AddressSearchKey(m.address));
                r.SetInt32(pst::kPidTagObjectType, pst::kMapiMailUser);
                r.SetInt32(pst::kPidTagDisplayType, pst::kDtMailUser);
                r.SetBool(pst::kPidTagResponsibility, false);
                r.SetBool(pst::kPidTagSendRichInfo, false);
                r.SetInt32(pst::kPidTagRecipientFlags, pst::kRecipSendable);
                r.SetInt32(pst::kPidTagRecipientOrder, order++);
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
    if (text) out.props.SetString(pst::kPidTagBody, CrLf(text->Text()));
    if (html) {
        std::string bytes = html->DecodedBody();
        std::string charset = html->Charset();
        if (charset.empty()) charset = HtmlMetaCharset(bytes);
        std::uint32_t cp = platform::CodePageForCharset(charset, bytes);
        out.props.SetBinary(pst::kPidTagHtml,
                            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        out.props.SetInt32(pst::kPidTagInternetCodepage, cp);
        out.props.SetInt32(pst::kPidTagMessageCodepage, cp);
        if (!text) out.props.SetString(pst::kPidTagBody, CrLf(HtmlToText(mime::BytesToUtf8(bytes, charset))));
        cids = CidReferences(bytes);
    } else if (text) {
        std::uint32_t cp = platform::CodePageForCharset(text->Charset(), text->DecodedBody());
        out.props.SetInt32(pst::kPidTagInternetCodepage, cp);
        out.props.SetInt32(pst::kPidTagMessageCodepage, cp);
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

        a.props.SetString(pst::kPidTagAttachLongFilename, name);
        a.props.SetString(pst::kPidTagAttachFilename, shortName);
        a.props.SetString(pst::kPidTagDisplayName, name);
        if (std::string ext(platform::PathExtension(name)); !ext.empty())
            a.props.SetString(pst::kPidTagAttachExtension, ext);
        a.props.SetString(pst::kPidTagAttachMimeTag, type);
        if (!cid.empty()) a.props.SetString(pst::kPidTagAttachContentId, cid);
        if (referenced && disposition.token != "attachment") a.props.SetBool(pst::kPidTagAttachmentHidden, true);
        if (fileTime) {
            a.props.SetTime(pst::kPidTagCreationTime, *fileTime);
            a.props.SetTime(pst::kPidTagLastModificationTime, *fileTime);
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
        SetAddressee(props, *from, pst::kPidTagSenderName, pst::kPidTagSenderAddressType,
                     pst::kPidTagSenderEmailAddress, pst::kPidTagSenderEntryId, pst::kPidTagSenderSearchKey,
                     pst::kPidTagSenderSmtpAddress);
        SetAddressee(props, *from, pst::kPidTagSentRepresentingName, pst::kPidTagSentRepresentingAddressType,
                     pst::kPidTagSentRepresentingEmailAddress, pst::kPidTagSentRepresentingEntryId,
                     pst::kPidTagSentRepresentingSearchKey, pst::kPidTagSentRepresentingSmtpAddress);
    }
    MapRecipients(header, charset, out);

    if (auto date = header.Value("Date"))
        if (auto t = mime::ParseMailDate(*date)) props.SetTime(pst::kPidTagClientSubmitTime, pst::FileTimeFromUnix(*t));
    std::optional<std::uint64_t> delivered;
    if (auto t = DeliveryTime(header))
        delivered = pst::FileTimeFromUnix(*t);
    else if (options.fallbackTime)
        delivered = pst::FileTimeFromUnix(*options.fallbackTime);
    if (delivered) {
        props.SetTime(pst::kPidTagMessageDeliveryTime, *delivered);
        props.SetTime(pst::kPidTagCreationTime, *delivered);
        props.SetTime(pst::kPidTagLastModificationTime, *delivered);
    }

    if (!header.Fields().empty()) props.SetString(pst::kPidTagTransportMessageHeaders, TransportHeaders(header));
    if (auto v = RawValue(header, "Message-ID")) props.SetString(pst::kPidTagInternetMessageId, *v);
    if (auto v = RawValue(header, "In-Reply-To")) props.SetString(pst::kPidTagInReplyToId, *v);
    if (auto v = RawValue(header, "References")) props.SetString(pst::kPidTagInternetReferences, *v);
    MapFlagsAndPriority(header, props);

    const mime::BodyParts bodies = message.Bodies();
    std::set<std::string> cids;
    MapBodies(bodies, out, cids);
    MapAttachments(bodies, charset, cids, delivered, out);

    std::uint32_t flags = options.read ? pst::kMfRead : 0;
    if (!out.attachments.empty()) flags |= pst::kMfHasAttach;
    props.SetInt32(pst::kPidTagMessageFlags, flags);
    return out;
}

}  // namespace quill
