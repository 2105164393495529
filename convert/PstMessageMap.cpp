#include "convert/PstMessageMap.h"

#include <algorithm>
#include <array>
#include <set>

#include "mime/Header.h"
#include "mime/HeaderValue.h"
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

constexpr std::size_t kMetaSniffBytes = 2048;  // a <meta> charset stands in the head
constexpr std::size_t kMaxNameFromSubject = 120;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// Blank runs become one space, blanks at the ends go.
std::string CollapseBlanks(std::string_view s) {
    std::string out;
    bool pending = false;
    for (char c : s) {
        if (IsBlank(c)) {
            pending = !out.empty();
            continue;
        }
        if (pending) out += ' ';
        pending = false;
        out += c;
    }
    return out;
}

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

template <typename Visit>
void Walk(const Part& part, Visit&& visit) {
    visit(part);
    if (!part.IsMultipart()) return;
    for (const auto& child : part.Children()) Walk(*child.part, visit);
}

// The body parts exactly as MimeMessage picks them.
const Part* BodyPart(const Part& root, std::string_view mediaType) {
    const Part* found = nullptr;
    Walk(root, [&](const Part& p) {
        if (!found && !p.IsMultipart() && !p.IsAttachment() && p.MediaType() == mediaType) found = &p;
    });
    return found;
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

// ---- addresses -------------------------------------------------------------

// An encoded word starting at s[i] ("=?cs?X?text?="), copied whole so a comma
// a careless writer left inside it does not split the list.
std::size_t EncodedWordEnd(std::string_view s, std::size_t i) {
    if (s.substr(i, 2) != "=?") return 0;
    std::size_t q1 = s.find('?', i + 2);
    if (q1 == std::string_view::npos || q1 + 2 >= s.size() || s[q1 + 2] != '?') return 0;
    std::size_t close = s.find("?=", q1 + 3);
    if (close == std::string_view::npos) return 0;
    for (std::size_t k = i; k < close; ++k)
        if (IsBlank(s[k])) return 0;
    return close + 2;
}

std::string CleanAddress(std::string_view raw) {
    std::string a;
    for (char c : raw)
        if (!IsBlank(c) && c != '<' && c != '>') a += c;
    if (platform::StartsWithIgnoreCase(a, "mailto:")) a.erase(0, 7);
    // An obsolete route "@a,@b:user@host" keeps only the mailbox.
    if (!a.empty() && a[0] == '@') {
        std::size_t colon = a.find(':');
        a = colon == std::string::npos ? std::string() : a.substr(colon + 1);
    }
    while (!a.empty() && (a.back() == '.' || a.back() == ',')) a.pop_back();
    return a;
}

std::string CleanName(std::string_view raw, std::string_view rawCharset) {
    std::string name = CollapseBlanks(mime::DecodeHeaderText(CollapseBlanks(raw), rawCharset));
    // Names written as 'John Doe' or "John Doe" inside another quote.
    while (name.size() >= 2 && (name.front() == '\'' || name.front() == '"') && name.back() == name.front())
        name = CollapseBlanks(name.substr(1, name.size() - 2));
    return name;
}

struct AddressEntry {
    std::string phrase;
    std::string comment;
    std::string angle;
    bool hasAngle = false;
};

void FinishEntry(AddressEntry& e, std::string_view rawCharset, std::vector<MailAddress>& out) {
    MailAddress m;
    if (e.hasAngle) {
        m.address = CleanAddress(e.angle);
        m.name = CleanName(e.phrase, rawCharset);
    } else {
        // A bare address, or damage like "John Doe john@host" without brackets.
        std::vector<std::string> words;
        std::string word;
        for (char c : e.phrase + " ") {
            if (IsBlank(c)) {
                if (!word.empty()) words.push_back(std::move(word));
                word.clear();
            } else {
                word += c;
            }
        }
        auto at = std::find_if(words.rbegin(), words.rend(),
                               [](const std::string& w) { return w.find('@') != std::string::npos; });
        if (at != words.rend()) {
            m.address = CleanAddress(*at);
            std::string rest;
            for (auto it = words.begin(); it != words.end(); ++it)
                if (&*it != &*at) rest += (rest.empty() ? "" : " ") + *it;
            m.name = CleanName(rest, rawCharset);
        } else if (words.size() == 1) {
            m.address = CleanAddress(words[0]);  // a local mailbox
        } else {
            m.name = CleanName(e.phrase, rawCharset);
        }
    }
    if (m.name.empty() && !e.comment.empty()) m.name = CleanName(e.comment, rawCharset);
    if (!m.name.empty() || !m.address.empty()) out.push_back(std::move(m));
    e = AddressEntry{};
}

// ---- dates ----------------------------------------------------------------

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

unsigned DaysInMonth(std::int64_t y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

int MonthFromWord(std::string_view w) {
    static constexpr std::array<std::string_view, 12> kMonths = {"january",   "february", "march",    "april",
                                                                 "may",       "june",     "july",     "august",
                                                                 "september", "october",  "november", "december"};
    if (w.size() < 3) return 0;
    for (std::size_t m = 0; m < kMonths.size(); ++m)
        if (kMonths[m].substr(0, std::min(w.size(), kMonths[m].size())) == w && w.size() <= kMonths[m].size())
            return static_cast<int>(m) + 1;
    if (w == "sept") return 9;
    return 0;
}

// Offset in minutes for zone names seen in mail; nullopt for other words.
std::optional<int> ZoneFromWord(std::string_view w) {
    struct Zone {
        std::string_view name;
        int minutes;
    };
    static constexpr Zone kZones[] = {
        {"ut", 0},      {"utc", 0},     {"gmt", 0},    {"z", 0},      {"est", -300}, {"edt", -240},
        {"cst", -360},  {"cdt", -300},  {"mst", -420}, {"mdt", -360}, {"pst", -480}, {"pdt", -420},
        {"akst", -540}, {"akdt", -480}, {"hst", -600}, {"wet", 0},    {"west", 60},  {"bst", 60},
        {"cet", 60},    {"cest", 120},  {"met", 60},   {"mest", 120}, {"mez", 60},   {"mesz", 120},
        {"eet", 120},   {"eest", 180},  {"msk", 180},  {"ist", 330},  {"jst", 540},  {"kst", 540},
        {"hkt", 480},   {"sgt", 480},   {"aest", 600}, {"aedt", 660}, {"nzst", 720}, {"nzdt", 780},
    };
    for (const auto& z : kZones)
        if (z.name == w) return z.minutes;
    // RFC 5322 4.3: military zones carry no reliable information.
    if (w.size() == 1 && w[0] >= 'a' && w[0] <= 'z' && w[0] != 'j') return 0;
    return std::nullopt;
}

struct DateToken {
    enum Kind { Number, Word, Sign, Colon } kind;
    std::string text;
};

std::vector<DateToken> TokenizeDate(std::string_view text) {
    std::vector<DateToken> tokens;
    int depth = 0;
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '(') {
            ++depth;
            ++i;
        } else if (c == ')') {
            depth = std::max(depth - 1, 0);
            ++i;
        } else if (depth > 0) {
            ++i;
        } else if (platform::IsAsciiDigit(c)) {
            std::size_t j = i;
            while (j < text.size() && platform::IsAsciiDigit(text[j])) ++j;
            tokens.push_back({DateToken::Number, std::string(text.substr(i, j - i))});
            i = j;
        } else if (platform::IsAsciiLetter(c)) {
            std::size_t j = i;
            while (j < text.size() && platform::IsAsciiLetter(text[j])) ++j;
            tokens.push_back({DateToken::Word, platform::LowerAscii(text.substr(i, j - i))});
            i = j;
        } else if (c == '+' || c == '-') {
            tokens.push_back({DateToken::Sign, std::string(1, c)});
            ++i;
        } else if (c == ':') {
            tokens.push_back({DateToken::Colon, ":"});
            ++i;
        } else {
            ++i;  // blanks, commas, dots, slashes
        }
    }
    return tokens;
}

// ---- subjects, names, code pages --------------------------------------------

std::string FileNameFromParameter(const mime::Parameter* p, std::string_view charset) {
    if (!p) return {};
    return p->extended ? p->value : mime::DecodeHeaderText(p->value, charset);
}

// A name usable as a file name: its last path component, no control or
// reserved characters, no blanks or dots at the ends.
std::string SafeFileName(std::string_view name) {
    name = platform::LastPathComponent(name);
    std::string out;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) continue;
        out += std::string_view("<>:\"|?*").find(c) == std::string_view::npos ? c : '_';
    }
    auto trim = [](char c) { return c == ' ' || c == '.'; };
    while (!out.empty() && trim(out.back())) out.pop_back();
    std::size_t start = 0;
    while (start < out.size() && out[start] == ' ') ++start;
    return out.substr(start);
}

// Cuts UTF-8 text to at most max bytes without splitting a character.
std::string CutUtf8(std::string s, std::size_t max) {
    if (s.size() <= max) return s;
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
    return s;
}

std::string ExtensionForType(std::string_view type) {
    struct TypeExt {
        std::string_view type, ext;
    };
    static constexpr TypeExt kExts[] = {
        {"image/jpeg", ".jpg"},      {"image/pjpeg", ".jpg"},    {"image/png", ".png"},
        {"image/gif", ".gif"},       {"image/bmp", ".bmp"},      {"image/tiff", ".tif"},
        {"image/svg+xml", ".svg"},   {"image/webp", ".webp"},    {"image/x-icon", ".ico"},
        {"text/plain", ".txt"},      {"text/html", ".htm"},      {"text/calendar", ".ics"},
        {"text/vcard", ".vcf"},      {"text/x-vcard", ".vcf"},   {"application/pdf", ".pdf"},
        {"application/zip", ".zip"}, {"audio/mpeg", ".mp3"},     {"audio/wav", ".wav"},
        {"video/mp4", ".mp4"},       {"message/rfc822", ".eml"}, {"application/pgp-signature", ".asc"},
    };
    for (const auto& e : kExts)
        if (e.type == type) return std::string(e.ext);
    return ".dat";
}

// The ids an HTML body refers to as "cid:...", lower case.
std::set<std::string> CidReferences(std::string_view html) {
    std::set<std::string> ids;
    std::string lower = platform::LowerAscii(html);
    for (std::size_t at = lower.find("cid:"); at != std::string::npos; at = lower.find("cid:", at + 4)) {
        std::size_t end = at + 4;
        while (end < lower.size() && std::string_view("\"'<> \t\r\n)").find(lower[end]) == std::string_view::npos)
            ++end;
        if (end == at + 4) continue;
        std::string id = lower.substr(at + 4, end - at - 4);
        ids.insert(id);
        // cid: URLs may be percent-encoded (RFC 2392); Content-ID values are not.
        ids.insert(platform::LowerAscii(mime::PercentDecode(id)));
    }
    return ids;
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

// The charset an HTML document declares in its <meta>, empty when none.
std::string MetaCharset(std::string_view html) {
    std::string head = platform::LowerAscii(html.substr(0, std::min(html.size(), kMetaSniffBytes)));
    std::size_t at = head.find("charset=");
    if (at == std::string::npos) return {};
    std::size_t start = at + 8;
    while (start < head.size() && (head[start] == '"' || head[start] == '\'' || head[start] == ' ')) ++start;
    std::size_t end = start;
    while (end < head.size() && (platform::IsAsciiAlnum(head[end]) || head[end] == '-' || head[end] == '_' ||
                                 head[end] == ':' || head[end] == '.'))
        ++end;
    return head.substr(start, end - start);
}

std::string SubjectOfAttachedMessage(std::string_view bytes) {
    mime::MimeMessage inner;
    inner.Load(bytes);
    return inner.HeaderText("Subject").value_or(std::string());
}

void AppendUnicodeZ(std::vector<std::uint8_t>& out, std::string_view utf8) {
    auto units = pst::Utf16Le(utf8);
    out.insert(out.end(), units.begin(), units.end());
    out.push_back(0);
    out.push_back(0);
}

// ---- HTML to text ---------------------------------------------------------

void AppendCodePoint(std::string& out, std::uint32_t cp) { platform::AppendUtf8(out, cp == 0 ? 0xFFFD : cp); }

// An entity at html[i] == '&'; returns the length consumed, 0 when it is none.
std::size_t DecodeEntity(std::string_view html, std::size_t i, std::string& out) {
    std::size_t semi = html.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) return 0;
    std::string_view name = html.substr(i + 1, semi - i - 1);
    if (!name.empty() && name[0] == '#') {
        std::uint32_t cp = 0;
        bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 7) return 0;
        for (char c : digits) {
            int v = hex ? platform::HexDigitValue(c) : platform::IsAsciiDigit(c) ? c - '0' : -1;
            if (v < 0) return 0;
            cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        }
        AppendCodePoint(out, cp == 0xA0 ? ' ' : cp);
        return semi - i + 1;
    }
    struct Entity {
        std::string_view name, text;
    };
    static constexpr Entity kEntities[] = {{"amp", "&"},         {"lt", "<"},         {"gt", ">"},
                                           {"quot", "\""},       {"apos", "'"},       {"nbsp", " "},
                                           {"copy", "\xC2\xA9"}, {"reg", "\xC2\xAE"}, {"euro", "\xE2\x82\xAC"}};
    for (const auto& e : kEntities) {
        if (e.name == name) {
            out += e.text;
            return semi - i + 1;
        }
    }
    return 0;
}

}  // namespace

// ---- the pieces ------------------------------------------------------------

std::vector<MailAddress> ParseAddressList(std::string_view s, std::string_view rawCharset) {
    std::vector<MailAddress> out;
    AddressEntry e;
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '"') {
            std::size_t j = i + 1;
            std::string quoted;
            for (; j < s.size() && s[j] != '"'; ++j) {
                if (s[j] == '\\' && j + 1 < s.size()) ++j;
                quoted += s[j];
            }
            e.phrase += quoted;
            i = j + 1;
        } else if (c == '(') {
            int depth = 0;
            std::size_t j = i;
            std::string text;
            for (; j < s.size(); ++j) {
                if (s[j] == '\\' && j + 1 < s.size()) {
                    text += s[++j];
                    continue;
                }
                if (s[j] == '(' && depth++ == 0) continue;
                if (s[j] == ')' && --depth == 0) break;
                text += s[j];
            }
            if (e.comment.empty()) e.comment = text;
            e.phrase += ' ';
            i = j + 1;
        } else if (c == '<') {
            std::size_t j = i + 1;
            // A comma inside brackets ends them, except in an obsolete route.
            while (j < s.size() && s[j] != '>' && !(s[j] == ',' && (j == i + 1 || s[i + 1] != '@'))) ++j;
            if (!e.hasAngle) e.angle = std::string(s.substr(i + 1, j - i - 1));
            e.hasAngle = true;
            i = j < s.size() && s[j] == '>' ? j + 1 : j;
        } else if (c == ',' || c == ';') {
            FinishEntry(e, rawCharset, out);
            ++i;
        } else if (c == ':' && !e.hasAngle) {
            e = AddressEntry{};  // "group name:" opens a group; its members follow
            ++i;
        } else if (std::size_t end = EncodedWordEnd(s, i)) {
            e.phrase += s.substr(i, end - i);
            i = end;
        } else {
            if (c != '>') e.phrase += c;
            ++i;
        }
    }
    FinishEntry(e, rawCharset, out);
    return out;
}

std::optional<std::int64_t> ParseMailDate(std::string_view text) {
    auto tokens = TokenizeDate(text);
    int day = 0, month = 0, hour = -1, minute = 0, second = 0;
    std::int64_t year = -1;
    std::optional<int> numericZone, namedZone;
    bool am = false, pm = false;
    auto number = [&](std::size_t k) { return tokens[k].text.size() > 9 ? -1 : std::stoi(tokens[k].text); };
    auto isKind = [&](std::size_t k, DateToken::Kind kind) { return k < tokens.size() && tokens[k].kind == kind; };
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const DateToken& t = tokens[k];
        if (t.kind == DateToken::Number && hour < 0 && isKind(k + 1, DateToken::Colon) &&
            isKind(k + 2, DateToken::Number)) {
            hour = number(k);
            minute = number(k + 2);
            k += 2;
            if (isKind(k + 1, DateToken::Colon) && isKind(k + 2, DateToken::Number)) {
                second = number(k + 2);
                k += 2;
            }
        } else if (t.kind == DateToken::Sign && hour >= 0 && !numericZone && isKind(k + 1, DateToken::Number)) {
            const std::string& z = tokens[k + 1].text;
            int hh = -1, mm = 0;
            if (z.size() == 4 || z.size() == 3) {
                int v = std::stoi(z);
                hh = v / 100;
                mm = v % 100;
            } else if (z.size() <= 2) {
                hh = std::stoi(z);
                if (isKind(k + 2, DateToken::Colon) && isKind(k + 3, DateToken::Number) &&
                    tokens[k + 3].text.size() == 2) {
                    mm = std::stoi(tokens[k + 3].text);
                    k += 2;
                }
            }
            ++k;
            if (hh >= 0 && hh <= 23 && mm <= 59) numericZone = (t.text == "-" ? -1 : 1) * (hh * 60 + mm);
        } else if (t.kind == DateToken::Word) {
            if (int m = MonthFromWord(t.text); m != 0 && month == 0)
                month = m;
            else if (t.text == "am")
                am = true;
            else if (t.text == "pm")
                pm = true;
            else if (auto z = ZoneFromWord(t.text); z && !namedZone)
                namedZone = z;
        } else if (t.kind == DateToken::Number) {
            int v = number(k);
            if (v < 0) continue;
            if (t.text.size() >= 3) {
                if (year < 0) year = v;
            } else if (day == 0 && v >= 1 && v <= 31) {
                day = v;
            } else if (year < 0) {
                year = v;
            }
        }
    }
    if (day == 0 || month == 0 || year < 0) return std::nullopt;
    // Obsolete two- and three-digit years.
    if (year < 50)
        year += 2000;
    else if (year < 1000)
        year += 1900;
    if (year > 9999 || static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month)))
        return std::nullopt;
    if (hour < 0) hour = 0;  // a date without a time still tells the day
    if (pm && hour < 12) hour += 12;
    if (am && hour == 12) hour = 0;
    if (hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) return std::nullopt;
    second = std::min(second, 59);
    int zone = numericZone ? *numericZone : namedZone.value_or(0);
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
           minute * 60 + second - zone * 60;
}

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

std::string ShortFileName(std::string_view longName, int serial) {
    std::string ext(platform::PathExtension(longName));
    std::string_view base = longName.substr(0, longName.size() - ext.size());
    if (!ext.empty()) ext.erase(0, 1);
    auto filter = [](std::string_view s) {
        std::string out;
        for (char c : s) {
            auto u = static_cast<unsigned char>(c);
            if (u < 0x80 &&
                (platform::IsAsciiAlnum(c) || std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos))
                out += platform::ToUpperAscii(c);
        }
        return out;
    };
    std::string b = filter(base), e = filter(ext);
    bool fits = !b.empty() && b.size() == base.size() && b.size() <= 8 && e.size() == ext.size() && e.size() <= 3;
    if (fits && serial <= 1) return e.empty() ? b : b + "." + e;
    if (b.empty()) b = "ATT";
    std::string tail = "~" + std::to_string(std::max(serial, 1));
    b = b.substr(0, 8 - std::min<std::size_t>(tail.size(), 7)) + tail;
    e.resize(std::min<std::size_t>(e.size(), 3));
    return e.empty() ? b : b + "." + e;
}

std::string HtmlToText(std::string_view html) {
    std::string out;
    bool space = false;
    auto endsWith = [&](std::string_view tail) {
        return out.size() >= tail.size() && out.compare(out.size() - tail.size(), tail.size(), tail) == 0;
    };
    auto lineBreak = [&] {
        while (!out.empty() && out.back() == ' ') out.pop_back();
        if (!out.empty() && out.back() != '\n') out += '\n';
        space = false;
    };
    auto paragraph = [&] {
        lineBreak();
        if (!out.empty() && !endsWith("\n\n")) out += '\n';
    };
    static const std::set<std::string, std::less<>> kParagraphs = {"p",          "h1",    "h2", "h3", "h4",  "h5", "h6",
                                                                   "blockquote", "table", "ul", "ol", "pre", "hr"};
    static const std::set<std::string, std::less<>> kLines = {"div", "tr", "li", "dt", "dd"};
    for (std::size_t i = 0; i < html.size();) {
        char c = html[i];
        const char next = i + 1 < html.size() ? html[i + 1] : '\0';
        if (c == '<' && (platform::IsAsciiLetter(next) || next == '/' || next == '!' || next == '?')) {
            if (html.substr(i, 4) == "<!--") {
                std::size_t end = html.find("-->", i + 4);
                i = end == std::string_view::npos ? html.size() : end + 3;
                continue;
            }
            std::size_t end = html.find('>', i);
            if (end == std::string_view::npos) break;  // a cut-off tag ends the text
            std::string tag = platform::LowerAscii(html.substr(i + 1, end - i - 1));
            bool closing = !tag.empty() && tag[0] == '/';
            std::size_t nameStart = closing ? 1 : 0;
            std::size_t nameEnd = nameStart;
            while (nameEnd < tag.size() && platform::IsAsciiAlnum(tag[nameEnd])) ++nameEnd;
            std::string name = tag.substr(nameStart, nameEnd - nameStart);
            i = end + 1;
            if (!closing && (name == "script" || name == "style" || name == "head" || name == "title")) {
                std::size_t close = platform::FindIgnoreCase(html, "</" + name, i);
                if (close == std::string_view::npos) break;
                std::size_t closeEnd = html.find('>', close);
                i = closeEnd == std::string_view::npos ? html.size() : closeEnd + 1;
                continue;
            }
            if (name == "br") {
                while (!out.empty() && out.back() == ' ') out.pop_back();
                if (!out.empty() && !endsWith("\n\n")) out += '\n';
                space = false;
            } else if (kParagraphs.count(name)) {
                paragraph();
            } else if (kLines.count(name)) {
                lineBreak();
            } else if (name == "td" || name == "th") {
                space = !out.empty() && out.back() != '\n';
            }
            continue;
        }
        if (IsBlank(c)) {
            space = !out.empty() && out.back() != '\n';
            ++i;
            continue;
        }
        if (space) out += ' ';
        space = false;
        if (c == '&') {
            if (std::size_t n = DecodeEntity(html, i, out)) {
                i += n;
                continue;
            }
        }
        out += c;
        ++i;
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// ---- the message -----------------------------------------------------------

namespace {

void SetAddressee(PropertyList& props, const MailAddress& m, std::uint16_t name, std::uint16_t addrType,
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

std::optional<MailAddress> FirstMailbox(const mime::Header& header, std::string_view field, std::string_view charset) {
    for (const auto* f : FieldsNamed(header, field)) {
        auto list = ParseAddressList(f->Value(), charset);
        for (auto& m : list)
            if (!m.address.empty()) return std::move(m);
        if (!list.empty()) return std::move(list.front());
    }
    return std::nullopt;
}

void MapSubject(const mime::MimeMessage& message, PropertyList& props) {
    auto subject = message.HeaderText("Subject");
    if (!subject) return;
    std::string text = CollapseBlanks(*subject);
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
            for (const auto& m : ParseAddressList(f->Value(), charset)) {
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
            if (auto t = ParseMailDate(std::string_view(v).substr(semi + 1))) return t;
    }
    if (auto date = header.Value("Date")) return ParseMailDate(*date);
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

void MapBodies(const Part& root, pst::NewMessage& out, std::set<std::string>& cids) {
    const Part* text = BodyPart(root, "text/plain");
    const Part* html = BodyPart(root, "text/html");
    if (text) out.props.SetString(kBody, CrLf(text->Text()));
    if (html) {
        std::string bytes = html->DecodedBody();
        std::string charset = html->Charset();
        if (charset.empty()) charset = MetaCharset(bytes);
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

void MapAttachments(const mime::MimeMessage& message, const std::set<std::string>& cids,
                    std::optional<std::uint64_t> fileTime, pst::NewMessage& out) {
    const Part& root = message.Root();
    const Part* text = BodyPart(root, "text/plain");
    const Part* html = BodyPart(root, "text/html");
    std::string charset = message.MessageCharset();
    std::set<std::string> shortNames;
    int unnamed = 0;
    Walk(root, [&](const Part& p) {
        if (p.IsMultipart() || &p == text || &p == html) return;
        std::string type = p.MediaType();
        std::string cid = ContentId(p);
        mime::StructuredValue disposition = p.ContentDisposition();
        bool referenced = !cid.empty() && cids.count(platform::LowerAscii(cid)) != 0;
        // Unnamed text parts are further body forms (text/enriched, a second
        // alternative), not files; multipart bodies without delimiters are kept as leaves.
        if (!p.IsAttachment() && !referenced && (type.rfind("text/", 0) == 0 || type.rfind("multipart/", 0) == 0))
            return;

        pst::NewAttachment a;
        a.data = p.DecodedBody();
        std::string name = FileNameFromParameter(disposition.Find("filename"), charset);
        if (name.empty()) name = FileNameFromParameter(p.ContentType().Find("name"), charset);
        name = SafeFileName(name);
        if (name.empty() && type == "message/rfc822") {
            name = SafeFileName(CutUtf8(CollapseBlanks(SubjectOfAttachedMessage(a.data)), kMaxNameFromSubject));
            if (!name.empty()) name += ".eml";  // a subject's dots make no extension
        }
        if (name.empty()) {
            std::string serial = std::to_string(++unnamed);
            serial.insert(0, serial.size() < 3 ? 3 - serial.size() : 0, '0');
            name = std::string(type.rfind("image/", 0) == 0 ? "image" : "attachment") + serial + ExtensionForType(type);
        } else if (type == "message/rfc822" && platform::PathExtension(name).empty()) {
            name += ".eml";
        }
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
    });
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
        if (auto t = ParseMailDate(*date)) props.SetTime(kClientSubmitTime, pst::FileTimeFromUnix(*t));
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

    std::set<std::string> cids;
    MapBodies(root, out, cids);
    MapAttachments(message, cids, delivered, out);

    std::uint32_t flags = options.read ? kMsgFlagRead : 0;
    if (!out.attachments.empty()) flags |= kMsgFlagHasAttach;
    props.SetInt32(kMessageFlags, flags);
    return out;
}

}  // namespace quill
