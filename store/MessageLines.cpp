#include "store/MessageLines.h"

#include <algorithm>
#include <array>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Ascii.h"

namespace quill::structure {
namespace {

using platform::IsAsciiAlnum;
using platform::IsAsciiLetter;

// The top-level names, in the order their codes follow.
constexpr std::array<std::string_view, kTopNames> kTopNameList = {
    // trace: the first five are what a delivery writes at a message's top
    "return-path", "received", "delivered-to", "x-original-to", "envelope-to", "x-envelope-to", "x-envelope-from",
    "dkim-signature", "domainkey-signature", "authentication-results", "arc-seal", "arc-message-signature",
    "arc-authentication-results", "received-spf", "x-received", "x-account-key", "x-uidl", "delivery-date",
    // the rest
    "from", "to", "cc", "bcc", "subject", "date", "message-id", "reply-to", "sender", "in-reply-to", "references",
    "mime-version", "x-mailer", "user-agent", "organization", "importance", "x-priority", "x-msmail-priority",
    "precedence", "list-id", "list-post", "list-unsubscribe", "list-subscribe", "list-help", "list-archive",
    "errors-to", "thread-topic", "thread-index", "content-class", "x-mimeole", "comments", "keywords", "newsgroups",
    "path", "lines", "x-newsreader", "resent-from", "resent-to", "resent-date", "resent-message-id", "resent-sender",
    "disposition-notification-to", "return-receipt-to", "x-beenthere", "x-mailman-version", "auto-submitted",
    "x-spam-status", "x-spam-level", "x-spam-checker-version", "x-virus-scanned", "x-originating-ip",
    "x-mozilla-status", "x-mozilla-status2", "x-accept-language", "x-face", "x-url"};

struct NameEntry {
    std::string_view name;
    int code;
};

constexpr std::size_t kNamed = kTopNames + 3;

// Sorted for a binary search.
constexpr std::array<NameEntry, kNamed> SortedNames() {
    std::array<NameEntry, kNamed> all{};
    for (int i = 0; i < kTopNames; ++i) all[static_cast<std::size_t>(i)] = {kTopNameList[static_cast<std::size_t>(i)], i};
    all[kTopNames] = {"content-type", kContentType};
    all[kTopNames + 1] = {"content-transfer-encoding", kContentTransferEncoding};
    all[kTopNames + 2] = {"sent", kSent};
    std::sort(all.begin(), all.end(), [](const NameEntry& a, const NameEntry& b) { return a.name < b.name; });
    return all;
}
constexpr std::array<NameEntry, kNamed> kSortedNames = SortedNames();

constexpr NameSet SingleSet() {
    NameSet s;
    for (std::string_view n : {"from", "to", "subject", "date", "message-id", "mime-version", "sender", "reply-to", "cc"})
        for (int i = 0; i < kTopNames; ++i)
            if (kTopNameList[static_cast<std::size_t>(i)] == n) s.bits[i >> 6] |= std::uint64_t{1} << (i & 63);
    return s;
}
constexpr NameSet kSingle = SingleSet();

bool IsNameChar(char c) noexcept { return IsAsciiAlnum(c) || c == '-' || c == '_'; }
bool IsWs(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view TrimWs(std::string_view s) noexcept {
    while (!s.empty() && IsWs(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsWs(s.back()) || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

// Phrases that announce a copy of another message's header.
constexpr std::string_view kIntroductions[] = {
    "original message", "forwarded message", "begin forwarded", "message follows", "copy of the message",
    "returned mail", "returned message", "undelivered message", "undeliverable message", "header of the",
    "headers of the", "header follow", "headers follow", "below this line", "original mail", "source mail",
    "as follows", "relates to your message", "message was", "message header", "original text", "text of the",
    "message text"};

bool HasWordEnd(std::string_view line) noexcept {
    for (std::size_t at = 0; (at = platform::FindIgnoreCase(line, "end", at)) != std::string_view::npos; ++at) {
        const bool before = at == 0 || !IsAsciiLetter(line[at - 1]);
        const bool after = at + 3 >= line.size() || !IsAsciiLetter(line[at + 3]);
        if (before && after) return true;
    }
    return false;
}

}  // namespace

bool IsFieldLine(std::string_view line) noexcept {
    if (line.empty() || !IsAsciiLetter(line[0])) return false;
    std::size_t i = 1;
    while (i < line.size() && IsNameChar(line[i])) ++i;
    if (i >= line.size() || line[i] != ':') return false;
    return !(i + 2 < line.size() && line[i + 1] == '/' && line[i + 2] == '/');
}

std::string_view FieldName(std::string_view line) noexcept {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? line : line.substr(0, colon);
}

bool IsWhitespaceOnly(std::string_view line) noexcept {
    for (char c : line)
        if (!IsWs(c)) return false;
    return true;
}

bool HasOpeningDelimiterLook(std::string_view line) noexcept {
    if (line.size() <= 2 || line[0] != '-' || line[1] != '-') return false;
    if (line.find_first_of(" \t") != std::string_view::npos) return false;
    return !(line.size() >= 4 && line[line.size() - 1] == '-' && line[line.size() - 2] == '-');
}

bool OpensAPart(std::string_view line) noexcept {
    return HasOpeningDelimiterLook(line) && line.substr(0, kAttachmentReference.size()) != kAttachmentReference;
}

bool HasClosingDelimiterLook(std::string_view line) noexcept {
    while (!line.empty() && IsWs(line.back())) line.remove_suffix(1);
    if (line.size() <= 4 || line.find_first_of(" \t") != std::string_view::npos) return false;
    return line.substr(0, 2) == "--" && line.substr(line.size() - 2) == "--";
}

bool IsIntroduction(std::string_view line) noexcept {
    if (HasClosingDelimiterLook(line)) return false;
    const std::string_view t = TrimWs(line);
    if (t.size() >= 10 && t.find_first_not_of('_') == std::string_view::npos) return true;
    for (std::string_view phrase : kIntroductions)
        if (platform::FindIgnoreCase(line, phrase) != std::string_view::npos) return !HasWordEnd(line);
    return false;
}

namespace {

constexpr std::array<bool, 256> Base64Table() {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<std::size_t>(c)] = IsAsciiAlnum(static_cast<char>(c)) || c == '+' || c == '/';
    return t;
}
constexpr std::array<bool, 256> kBase64 = Base64Table();

}  // namespace

bool IsBase64Line(std::string_view line) noexcept {
    std::size_t i = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(line.data());
#if defined(__SSE2__)
    // Sixteen characters at a time while all are letters, digits, '+' or '/'.
    const __m128i x20 = _mm_set1_epi8(0x20), a = _mm_set1_epi8('a' - 1), z = _mm_set1_epi8('z' + 1);
    const __m128i d0 = _mm_set1_epi8('0' - 1), d9 = _mm_set1_epi8('9' + 1);
    const __m128i plus = _mm_set1_epi8('+'), slash = _mm_set1_epi8('/');
    while (i + 16 <= line.size()) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i lower = _mm_or_si128(v, x20);
        const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(lower, a), _mm_cmplt_epi8(lower, z));
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, d0), _mm_cmplt_epi8(v, d9));
        const __m128i sign = _mm_or_si128(_mm_cmpeq_epi8(v, plus), _mm_cmpeq_epi8(v, slash));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), sign)) != 0xffff) break;
        i += 16;
    }
#endif
    while (i + 4 <= line.size() && kBase64[p[i]] && kBase64[p[i + 1]] && kBase64[p[i + 2]] && kBase64[p[i + 3]]) i += 4;
    while (i < line.size() && kBase64[p[i]]) ++i;
    std::size_t pad = 0;
    while (i < line.size() && line[i] == '=' && pad < 2) ++i, ++pad;
    return i == line.size();
}

int NameCodeOf(std::string_view name) noexcept {
    char lower[32];
    if (name.empty() || name.size() > sizeof lower) return kOtherName;
    for (std::size_t i = 0; i < name.size(); ++i) lower[i] = platform::ToLowerAscii(name[i]);
    const std::string_view key(lower, name.size());
    const auto it = std::lower_bound(kSortedNames.begin(), kSortedNames.end(), key,
                                     [](const NameEntry& e, std::string_view k) { return e.name < k; });
    return it != kSortedNames.end() && it->name == key ? it->code : kOtherName;
}

bool IsSingleName(int code) noexcept { return kSingle.Has(code); }

int NameSet::Count() const noexcept { return std::popcount(bits[0]) + std::popcount(bits[1]); }

int NameSet::CountSingle() const noexcept {
    return std::popcount(bits[0] & kSingle.bits[0]) + std::popcount(bits[1] & kSingle.bits[1]);
}

std::string LowerValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\r' || c == '\n') continue;
        out += platform::ToLowerAscii(c == '\t' ? ' ' : c);
    }
    return std::string(TrimWs(out));
}

ContentType ParseContentType(std::string_view value) {
    ContentType ct;
    std::string v;  // unfolded, case kept (a boundary keeps its case)
    v.reserve(value.size());
    for (char c : value)
        if (c != '\r' && c != '\n') v += c == '\t' ? ' ' : c;
    const std::size_t semi = v.find(';');
    const std::string media = LowerValue(std::string_view(v).substr(0, semi));
    if (!media.empty()) ct.mediaType = media;
    if (semi == std::string::npos || ct.mediaType.rfind("multipart/", 0) != 0) return ct;
    // Parameters: name=value or name="value", separated by ';'.
    std::size_t at = semi + 1;
    while (at < v.size()) {
        while (at < v.size() && (v[at] == ' ' || v[at] == ';')) ++at;
        const std::size_t eq = v.find('=', at);
        if (eq == std::string::npos) break;
        const std::string name = LowerValue(std::string_view(v).substr(at, eq - at));
        std::size_t p = eq + 1;
        while (p < v.size() && v[p] == ' ') ++p;
        std::string val;
        if (p < v.size() && v[p] == '"') {
            const std::size_t close = v.find('"', p + 1);
            const std::size_t end = close == std::string::npos ? v.size() : close;
            val = v.substr(p + 1, end - p - 1);
            at = close == std::string::npos ? v.size() : close + 1;
            const std::size_t next = v.find(';', at);
            at = next == std::string::npos ? v.size() : next + 1;
        } else {
            const std::size_t end = std::min(v.find(';', p), v.size());
            val = std::string(TrimWs(std::string_view(v).substr(p, end - p)));
            at = end + 1;
        }
        if (name == "boundary" && !val.empty()) {
            ct.boundary = val;
            ct.hasBoundary = true;
        }
    }
    return ct;
}

}  // namespace quill::structure
