// The cheap look that spares most messages the message component. Finishing
// changes a message only for a reference line, an "imbndary" parameter, an
// attachment part without content of its own, or a joined message in a text
// body. The look finds the message's parts the way the component splits them
// (header blocks after the delimiter lines of the boundaries the headers
// declare), reads only their headers, and decodes only text bodies in base64;
// wherever it cannot be sure, it says yes.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "convert/EmlFinish.h"
#include "mime/Header.h"
#include "mime/HeaderValue.h"
#include "mime/TransferEncoding.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"

namespace quill {
namespace {

constexpr auto npos = std::string_view::npos;
using platform::FindIgnoreCase;

// Where needle (lower case) stands in text in any letter case, from `from`
// on: Horspool's search, which skips ahead by up to the needle's length.
class Finder {
  public:
    explicit Finder(std::string_view needle) : needle_(needle) {
        skip_.fill(needle.size());
        for (std::size_t i = 0; i + 1 < needle.size(); ++i) {
            const auto c = static_cast<unsigned char>(needle[i]);
            skip_[c] = needle.size() - 1 - i;
            skip_[static_cast<unsigned char>(platform::ToUpperAscii(static_cast<char>(c)))] = needle.size() - 1 - i;
        }
    }
    std::size_t In(std::string_view text, std::size_t from = 0) const {
        const std::size_t n = needle_.size();
        if (n == 0 || text.size() < n) return npos;
        for (std::size_t at = from; at + n <= text.size();) {
            const char last = text[at + n - 1];
            if (platform::ToLowerAscii(last) == needle_[n - 1] &&
                platform::EqualsIgnoreCase(text.substr(at, n - 1), needle_.substr(0, n - 1)))
                return at;
            at += skip_[static_cast<unsigned char>(last)];
        }
        return npos;
    }

  private:
    std::string_view needle_;
    std::array<std::size_t, 256> skip_{};
};

const Finder kReturnPath("return-path");

// A reference line ("[%ImFilePath%]" in any case) anywhere: '%' is rare in mail.
bool HoldsReferenceLine(std::string_view text) {
    for (std::size_t at = text.find('%'); at != npos; at = text.find('%', at + 1))
        if (at > 0 && text[at - 1] == '[' && platform::StartsWithIgnoreCase(text.substr(at - 1), "[%ImFilePath%]"))
            return true;
    return false;
}

// Could the join mark hide in quoted-printable text: split by a soft line
// break, or with one of its letters written as =XX? Around every soft break
// the text is joined and looked at; an escaped letter of the mark (which no
// encoder needs to write) means a yes.
bool QuotedPrintableMayHideTheMark(std::string_view body) {
    constexpr std::size_t kWindow = 16;                       // more than the mark's length
    auto softBreakEnd = [&](std::size_t at) -> std::size_t {  // past "=" blanks CR? LF, or npos
        std::size_t end = at + 1;
        while (end < body.size() && (body[end] == ' ' || body[end] == '\t')) ++end;
        if (end < body.size() && body[end] == '\r') ++end;
        return end < body.size() && body[end] == '\n' ? end + 1 : npos;
    };
    for (std::size_t at = body.find('='); at != npos; at = body.find('=', at + 1)) {
        if (const std::size_t next = softBreakEnd(at); next != npos) {
            // The line before the break joined to what follows it, through
            // further breaks: a short line may hold only part of the mark.
            const std::size_t before = at >= kWindow ? at - kWindow : 0;
            std::string joined(body.substr(before, at - before));
            for (std::size_t i = next; i < body.size() && joined.size() < 2 * kWindow; ++i) {
                if (body[i] == '=') {
                    if (const std::size_t skip = softBreakEnd(i); skip != npos) {
                        i = skip - 1;
                        continue;
                    }
                }
                joined += body[i];
            }
            if (kReturnPath.In(joined) != npos) return true;
            continue;
        }
        if (at + 2 < body.size() && platform::HexDigitValue(body[at + 1]) >= 0 &&
            platform::HexDigitValue(body[at + 2]) >= 0) {
            const char decoded = platform::ToLowerAscii(
                static_cast<char>(platform::HexDigitValue(body[at + 1]) * 16 + platform::HexDigitValue(body[at + 2])));
            if (std::string_view("return-path").find(decoded) != npos) return true;
        }
    }
    return false;
}

// Charsets in which the join mark's characters are their ASCII bytes, so a
// search of the bytes finds it. Any other (UTF-16, EBCDIC, a name not known
// here) means a yes.
bool AsciiCompatibleCharset(std::string_view charset) {
    const std::string name = platform::NormaliseCharsetName(charset);
    if (name.empty() || name == "utf-8" || name == "us-ascii") return true;
    for (std::string_view prefix : {"iso-8859-", "windows-125", "koi8-", "iso-2022-", "euc-"})
        if (name.rfind(prefix, 0) == 0) return true;
    for (std::string_view known :
         {"shift_jis",      "gb2312",    "gbk",         "gb18030", "big5",   "big5-hkscs",  "cp850",
          "cp437",          "cp866",     "ibm866",      "ibm850",  "ibm437", "windows-874", "tis-620",
          "ks_c_5601-1987", "macintosh", "x-mac-roman", "viscii",  "cp874",  "cp936"})
        if (name == known) return true;
    return false;
}

// The mark in a base64 body, decoded piece by piece (a big body is never
// decoded whole); pieces overlap by the mark's length.
bool Base64HidesTheMark(std::string_view body) {
    constexpr std::size_t kPiece = 1 << 14;
    mime::Base64Decoder decoder;
    std::string decoded;
    for (std::size_t at = 0; at < body.size(); at += kPiece) {
        const std::size_t kept = decoded.size() > 16 ? 16 : decoded.size();
        decoded.erase(0, decoded.size() - kept);
        decoder.Feed(body.substr(at, kPiece), decoded);
        if (kReturnPath.In(decoded) != npos) return true;
    }
    return false;
}

// The value after `at` (where a parameter's name ends): blanks, "=", then a
// quoted string or a token. Empty when no "=" follows.
std::string_view ParameterValueAfter(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '*')) ++at;
    if (at >= text.size() || text[at] != '=') return {};
    ++at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at < text.size() && text[at] == '"') {
        std::size_t end = text.find('"', at + 1);
        return text.substr(at + 1, (end == npos ? text.size() : end) - at - 1);
    }
    std::size_t end = at;
    while (end < text.size() && std::string_view(" \t\r\n\";'(").find(text[end]) == npos) ++end;
    return text.substr(at, end - at);
}

bool OnlyBlanks(std::string_view s) { return s.find_first_not_of(" \t\r\n") == npos; }

// Is the line at `at` a delimiter of boundary: "--boundary", perhaps "--",
// then only blanks to the line end (as the component splits a multipart)?
bool IsDelimiterAt(std::string_view text, std::size_t at, std::string_view boundary) {
    if (text.compare(at, 2, "--") != 0 || text.compare(at + 2, boundary.size(), boundary) != 0) return false;
    std::size_t i = at + 2 + boundary.size();
    if (text.compare(i, 2, "--") == 0) i += 2;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
    return i >= text.size() || text[i] == '\n';
}

// The media type as the component takes it: "type/subtype", or empty when the
// field is missing or unusable (the component then takes its default type).
std::string EffectiveType(const mime::StructuredValue& type) {
    const std::size_t slash = type.token.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == type.token.size()) return {};
    return type.token;
}

struct Block {
    std::size_t headerStart = 0;
    std::vector<std::string> enclosing;  // the boundaries whose delimiters end this part
};

// Every part the component would find, each looked at once. Returns true as
// soon as one could be changed by finishing; counts the carried attachments
// on the way.
class Scan {
  public:
    explicit Scan(std::string_view text) : text_(text) {
        // Line starts of lines that begin with "--": the only places a delimiter
        // can be. Found by their dashes, which are rarer in mail than line ends.
        for (std::size_t at = text.find("--"); at != npos; at = text.find("--", at + 1)) {
            if (at == 0 || text[at - 1] == '\n') dashLines_.push_back(at);
            while (at + 2 < text.size() && text[at + 2] == '-') ++at;  // a run of dashes is one candidate
        }
    }

    // Looks at every part until both answers are yes.
    void Run() {
        std::vector<Block> queue{Block{}};
        while (!queue.empty() && !(joined && other)) {
            Block block = std::move(queue.back());
            queue.pop_back();
            Look(block, queue);
        }
    }
    bool joined = false;  // a text body may hide a joined message
    bool other = false;   // something else finishing acts on
    int carried = 0;

  private:
    // The next delimiter line of one of these boundaries at or after from, and whether it closes.
    std::size_t NextDelimiter(std::size_t from, const std::vector<std::string>& boundaries, bool* closing) const {
        for (std::size_t line : dashLines_) {
            if (line < from) continue;
            for (const auto& b : boundaries) {
                if (IsDelimiterAt(text_, line, b)) {
                    if (closing) *closing = text_.compare(line + 2 + b.size(), 2, "--") == 0;
                    return line;
                }
            }
        }
        return text_.size();
    }

    void Look(const Block& block, std::vector<Block>& queue) {
        std::size_t bodyOffset = 0;
        const mime::Header header = mime::Header::Parse(text_.substr(block.headerStart), bodyOffset);
        const std::size_t bodyStart = block.headerStart + bodyOffset;
        const auto type = header.Value("Content-Type");
        if (type && FindIgnoreCase(*type, "imbndary") != npos) other = true;
        // Only a multipart's value is parsed in full (its boundary must be the
        // component's to the byte); a leaf's type and parameters are looked for.
        mime::StructuredValue contentType;
        if (type) contentType.token = platform::LowerAscii(mime::TrimBlanks(type->substr(0, type->find(';'))));
        if (type && (contentType.token.rfind("multipart/", 0) == 0 || type->find('(') != npos))
            contentType = mime::ParseStructured(*type);
        const std::string mediaType = EffectiveType(contentType);
        if (mediaType.rfind("multipart/", 0) == 0) {
            const mime::Parameter* boundary = contentType.Find("boundary");
            if (!boundary || boundary->value.empty()) {  // one the look cannot follow
                joined = other = true;
                return;
            }
            std::vector<std::string> enclosing = block.enclosing;
            enclosing.push_back(boundary->value);
            const std::vector<std::string> own{boundary->value};
            bool any = false;
            for (std::size_t at = bodyStart;;) {
                bool closing = false;
                const std::size_t d = NextDelimiter(at, own, &closing);
                const std::size_t end = NextDelimiter(at, block.enclosing, nullptr);
                if (d >= end) break;  // the enclosing part ends first (also on a line that is both)
                any = true;
                if (closing) break;
                const std::size_t nl = text_.find('\n', d);
                if (nl == npos) break;
                queue.push_back({nl + 1, enclosing});
                at = nl + 1;
            }
            if (any) return;  // a multipart: its parts are looked at one by one
            // Without a delimiter line it is a leaf, as the component keeps it.
        }
        const std::size_t bodyEnd = NextDelimiter(bodyStart, block.enclosing, nullptr);
        const std::string_view body =
            bodyStart < bodyEnd ? text_.substr(bodyStart, bodyEnd - bodyStart) : std::string_view();

        if (type) {
            const std::size_t at = FindIgnoreCase(*type, "charset");
            const std::string_view value = at == npos ? std::string_view() : ParameterValueAfter(*type, at + 7);
            if (at != npos && (value.empty() || !AsciiCompatibleCharset(value))) joined = true;
        }
        const auto disposition = header.Value("Content-Disposition");
        const bool named = (disposition && (FindIgnoreCase(*disposition, "attachment") != npos ||
                                            FindIgnoreCase(*disposition, "filename") != npos)) ||
                           (type && FindIgnoreCase(*type, "name") != npos);
        if (named && OnlyBlanks(body)) other = true;  // an attachment without content of its own
        if (named) ++carried;
        // A part without a usable type is text/plain (in a digest, an attached message: looked at all the same).
        const bool text = mediaType.empty() || mediaType.rfind("text/", 0) == 0;
        if (!text || joined) return;
        const auto encoding = header.Value("Content-Transfer-Encoding");
        std::string cte;
        if (encoding)
            cte = encoding->find_first_of("(;\"") == std::string::npos
                      ? platform::LowerAscii(mime::TrimBlanks(*encoding))
                      : mime::ParseStructured(*encoding).token;
        // Only text bodies are looked into: no other part is ever a body the join mark is looked for in.
        if (cte == "base64")
            joined = Base64HidesTheMark(body);
        else
            joined = kReturnPath.In(body) != npos || (cte == "quoted-printable" && QuotedPrintableMayHideTheMark(body));
    }

    std::string_view text_;
    std::vector<std::size_t> dashLines_;
};

}  // namespace

FinishHints LookBeforeFinishing(std::string_view text) {
    FinishHints hints;
    Scan scan(text);
    scan.other = HoldsReferenceLine(text);
    scan.Run();
    hints.mayHoldJoined = scan.joined;
    hints.other = scan.other;
    hints.carriedAttachments = scan.carried;
    return hints;
}

bool NeedsFinishing(std::string_view text) { return LookBeforeFinishing(text).Any(); }

}  // namespace quill
