#include "convert/PstMessageMap.h"

#include <algorithm>
#include <array>
#include <memory>
#include <set>

#include "convert/AttachmentNames.h"
#include "convert/Html.h"
#include "mime/Address.h"
#include "mime/Header.h"
#include "mime/HeaderValue.h"
#include "mime/MailDate.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/File.h"
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

bool HasEightBit(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool IsBlankText(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

}  // namespace

// ---- the pieces ------------------------------------------------------------

namespace {

// Undeclared text in UTF-16: a byte-order mark, or a NUL in every second byte of (nearly) every
// pair, as plain Latin text in UTF-16 has. Read as 8-bit it would put a NUL after each letter.
std::optional<std::string> UndeclaredUtf16(std::string_view bytes) {
    bool bigEndian = false;
    std::size_t from = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        from = 2;
    } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
               static_cast<unsigned char>(bytes[1]) == 0xFF) {
        from = 2;
        bigEndian = true;
    } else {
        // The container's own line ends may follow the text: they are 8-bit, not UTF-16.
        std::size_t end = bytes.size();
        while (end > 0 && (bytes[end - 1] == '\r' || bytes[end - 1] == '\n')) --end;
        if (end % 2 != 0 && end < bytes.size()) ++end;
        bytes = bytes.substr(0, end);
        if (bytes.size() < 8 || bytes.size() % 2 != 0) return std::nullopt;
        std::size_t low = 0, high = 0;  // pairs whose second (first) byte alone is NUL
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] != 0 && bytes[i + 1] == 0) ++low;
            if (bytes[i] == 0 && bytes[i + 1] != 0) ++high;
        }
        const std::size_t pairs = bytes.size() / 2;
        if (low * 10 >= pairs * 9) {
            bigEndian = false;
        } else if (high * 10 >= pairs * 9) {
            bigEndian = true;
        } else {
            return std::nullopt;
        }
    }
    std::u16string units;
    units.reserve((bytes.size() - from) / 2);
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    return platform::Utf16ToUtf8(units);
}

}  // namespace

std::string PartText(std::string_view bytes, std::string_view charset) {
    const std::string name = platform::NormaliseCharsetName(charset);
    if (name.empty() || name == "us-ascii") {
        if (auto wide = UndeclaredUtf16(bytes)) return *wide;
        if (HasEightBit(bytes) && platform::IsValidUtf8(bytes)) return std::string(bytes);
    }
    return mime::BytesToUtf8(bytes, charset);
}

std::string RawHeaderCharset(std::string_view raw, std::string_view fallback) {
    if (HasEightBit(raw) && platform::IsValidUtf8(raw)) return "utf-8";
    return std::string(fallback);
}

std::size_t ReplaceNulCharacters(pst::NewMessage& message) {
    std::size_t replaced = 0;
    auto mend = [&](pst::PropertyList& props) {
        std::vector<pst::Property> changed;
        for (const pst::Property& p : props.Items()) {
            if (p.Type() != pst::PropType::String) continue;
            bool any = false;
            for (std::size_t i = 0; i + 1 < p.value.size() && !any; i += 2)
                any = p.value[i] == 0 && p.value[i + 1] == 0;
            if (!any) continue;
            std::vector<std::uint8_t> value = p.value;
            std::size_t here = 0;
            for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
                if (value[i] != 0 || value[i + 1] != 0) continue;
                value[i] = 0xFD;  // U+FFFD, little-endian
                value[i + 1] = 0xFF;
                ++here;
            }
            if (here == 0) continue;
            replaced += here;
            changed.push_back({p.tag, std::move(value)});
        }
        for (pst::Property& p : changed) props.SetRaw(p.tag, std::move(p.value));
    };
    mend(message.props);
    for (auto& r : message.recipients) mend(r);
    for (auto& a : message.attachments) mend(a.props);
    return replaced;
}

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
        const std::string value = f->Value();
        auto list = mime::ParseAddressList(value, RawHeaderCharset(value, charset));
        for (auto& m : list)
            if (!m.address.empty()) return std::move(m);
        if (!list.empty()) return std::move(list.front());
    }
    return std::nullopt;
}

void MapSubject(const mime::Header& header, std::string_view charset, PropertyList& props) {
    auto raw = header.Value("Subject");
    if (!raw) return;
    std::string text = mime::CollapseBlanks(mime::DecodeHeaderText(*raw, RawHeaderCharset(*raw, charset)));
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
            const std::string value = f->Value();
            for (const auto& m : mime::ParseAddressList(value, RawHeaderCharset(value, charset))) {
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

// The date of the topmost Received: field that carries a readable one.
std::optional<std::int64_t> ReceivedTime(const mime::Header& header) {
    for (const auto* received : FieldsNamed(header, "Received")) {
        std::string v = received->Value();
        std::size_t semi = v.rfind(';');
        if (semi == std::string::npos) continue;
        if (auto t = mime::ParseMailDate(std::string_view(v).substr(semi + 1))) return t;
    }
    return std::nullopt;
}

std::optional<std::int64_t> DateTime(const mime::Header& header) {
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
    std::string htmlBytes;
    if (html) {
        htmlBytes = html->DecodedBody();
        // An empty HTML part beside real text would hide the text in readers that prefer HTML.
        if (text && IsBlankText(htmlBytes)) html = nullptr;
    }
    if (text) out.props.SetString(pst::kPidTagBody, CrLf(PartText(text->DecodedBody(), text->Charset())));
    if (html) {
        std::string charset = html->Charset();
        if (charset.empty()) charset = HtmlMetaCharset(htmlBytes);
        std::uint32_t cp = platform::CodePageForCharset(charset, htmlBytes);
        out.props.SetBinary(pst::kPidTagHtml,
                            std::span(reinterpret_cast<const std::uint8_t*>(htmlBytes.data()), htmlBytes.size()));
        out.props.SetInt32(pst::kPidTagInternetCodepage, cp);
        out.props.SetInt32(pst::kPidTagMessageCodepage, cp);
        if (!text) out.props.SetString(pst::kPidTagBody, CrLf(HtmlToText(PartText(htmlBytes, charset))));
        cids = CidReferences(htmlBytes);
    } else if (text) {
        std::uint32_t cp = platform::CodePageForCharset(text->Charset(), text->DecodedBody());
        out.props.SetInt32(pst::kPidTagInternetCodepage, cp);
        out.props.SetInt32(pst::kPidTagMessageCodepage, cp);
    }
}

struct MapContext {
    const MessageMapOptions& options;
    MessageMapNotes& notes;
    int depth;
};

pst::NewMessage MapAt(const mime::MimeMessage& message, const MessageMapOptions& options, MessageMapNotes& notes,
                      int depth);

// The charset a part's own raw 8-bit header bytes (its name) are read in.
std::string PartHeaderCharset(const Part& part, std::string_view charset) {
    std::string raw;
    for (std::string_view name : {"Content-Type", "Content-Disposition"})
        if (auto v = part.GetHeader().Value(name)) raw += *v;
    return RawHeaderCharset(raw, charset);
}

void MapAttachments(const mime::BodyParts& bodies, std::string_view charset, const std::set<std::string>& cids,
                    std::optional<std::int64_t> delivered, const MapContext& context, pst::NewMessage& out) {
    std::set<std::string> shortNames;
    int unnamed = 0;
    for (const Part* leaf : bodies.leaves) {
        const Part& p = *leaf;
        std::string type = p.MediaType();
        std::string cid = ContentId(p);
        mime::StructuredValue disposition = p.ContentDisposition();
        bool referenced = !cid.empty() && cids.count(platform::LowerAscii(cid)) != 0;

        pst::NewAttachment a;
        if (const mime::FileBody* file = p.GetFileBody(); file && type != "message/rfc822") {
            // A restored attachment goes from its file straight into the PST, never whole in
            // memory. The file is opened here, so one that has gone fails this message only.
            auto in = std::make_shared<platform::InputFile>(file->path, platform::Links::Refuse);
            a.source = [in](std::span<std::uint8_t> buffer) {
                return in->Read(reinterpret_cast<char*>(buffer.data()), buffer.size());
            };
        } else {
            a.data = p.DecodedBody();
        }
        const std::string name = PstAttachmentName(p, a.data, PartHeaderCharset(p, charset), unnamed);
        if (type == "message/rfc822" && context.depth < kMaxEmbeddedMessages) {
            // An attached mail: a message object of its own, mapped the same way.
            mime::MimeMessage inner;
            inner.Load(a.data);
            MessageMapOptions innerOptions;
            innerOptions.fallbackTime = delivered;
            auto embedded =
                std::make_shared<pst::NewMessage>(MapAt(inner, innerOptions, context.notes, context.depth + 1));
            std::string shown = embedded->props.GetStringUtf8(pst::kPidTagSubject);
            if (shown.size() >= 2 && shown[0] == '\x01') shown.erase(0, 2);  // the stored prefix length
            a.props.SetString(pst::kPidTagDisplayName, shown.empty() ? name : shown);
            a.props.SetString(pst::kPidTagAttachMimeTag, type);
            a.data.clear();
            a.embedded = std::move(embedded);
            out.attachments.push_back(std::move(a));
            continue;
        }
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
        if (delivered) {
            a.props.SetTime(pst::kPidTagCreationTime, pst::FileTimeFromUnix(*delivered));
            a.props.SetTime(pst::kPidTagLastModificationTime, pst::FileTimeFromUnix(*delivered));
        }
        out.attachments.push_back(std::move(a));
    }
}

}  // namespace

namespace {

pst::NewMessage MapAt(const mime::MimeMessage& message, const MessageMapOptions& options, MessageMapNotes& notes,
                      int depth) {
    pst::NewMessage out;
    const Part& root = message.Root();
    const mime::Header& header = root.GetHeader();
    const std::string charset = message.MessageCharset();
    PropertyList& props = out.props;

    MapSubject(header, charset, props);

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

    // Times from the mail, never from the clock.
    const std::optional<std::int64_t> date = DateTime(header);
    if (date) props.SetTime(pst::kPidTagClientSubmitTime, pst::FileTimeFromUnix(*date));
    std::optional<std::int64_t> delivered = ReceivedTime(header);
    if (!delivered) delivered = date;
    if (!delivered) delivered = options.indexTime;
    if (!delivered) delivered = options.fallbackTime;
    if (!delivered) delivered = pst::kUndatedMessageTime;
    props.SetTime(pst::kPidTagMessageDeliveryTime, pst::FileTimeFromUnix(*delivered));
    props.SetTime(pst::kPidTagCreationTime, pst::FileTimeFromUnix(*delivered));
    props.SetTime(pst::kPidTagLastModificationTime, pst::FileTimeFromUnix(*delivered));

    if (!header.Fields().empty()) props.SetString(pst::kPidTagTransportMessageHeaders, TransportHeaders(header));
    if (auto v = RawValue(header, "Message-ID")) props.SetString(pst::kPidTagInternetMessageId, *v);
    if (auto v = RawValue(header, "In-Reply-To")) props.SetString(pst::kPidTagInReplyToId, *v);
    if (auto v = RawValue(header, "References")) props.SetString(pst::kPidTagInternetReferences, *v);
    MapFlagsAndPriority(header, props);

    const mime::BodyParts bodies = message.Bodies();
    std::set<std::string> cids;
    MapBodies(bodies, out, cids);
    MapAttachments(bodies, charset, cids, delivered, MapContext{options, notes, depth}, out);

    std::uint32_t flags = options.read ? pst::kMfRead : 0;
    if (!out.attachments.empty()) flags |= pst::kMfHasAttach;
    props.SetInt32(pst::kPidTagMessageFlags, flags);
    notes.nulsReplaced += ReplaceNulCharacters(out);
    return out;
}

}  // namespace

pst::NewMessage MapMessage(const mime::MimeMessage& message, const MessageMapOptions& options, MessageMapNotes& notes) {
    return MapAt(message, options, notes, 0);
}

pst::NewMessage MapMessage(const mime::MimeMessage& message, const MessageMapOptions& options) {
    MessageMapNotes notes;
    return MapAt(message, options, notes, 0);
}

}  // namespace quill
