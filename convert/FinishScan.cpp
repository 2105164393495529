// The cheap look that spares most messages the message component: finishing
// changes a message only for a reference line, an "imbndary" parameter, a
// part without content of its own, or a joined message in a text body. Each
// is looked for in the bytes as they are, erring on the side of a yes.
#include <string>
#include <string_view>
#include <vector>

#include "convert/EmlFinish.h"
#include "mime/Header.h"
#include "mime/TransferEncoding.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"

namespace quill {
namespace {

constexpr auto npos = std::string_view::npos;
using platform::FindIgnoreCase;

bool IsLineStart(std::string_view text, std::size_t at) { return at == 0 || text[at - 1] == '\n'; }

// Does the join mark stand at `at` in quoted-printable, where any character
// may be written as =XX and soft line breaks may fall between characters?
bool QuotedMarkAt(std::string_view text, std::size_t at) {
    for (char want : kJoinMark) {
        for (;;) {  // soft breaks: "=" and the line end, perhaps after blanks
            if (at < text.size() && text[at] == '=') {
                std::size_t end = at + 1;
                while (end < text.size() && (text[end] == ' ' || text[end] == '\t')) ++end;
                if (end < text.size() && text[end] == '\r') ++end;
                if (end < text.size() && text[end] == '\n') {
                    at = end + 1;
                    continue;
                }
            }
            break;
        }
        if (at >= text.size()) return false;
        char got = text[at];
        std::size_t width = 1;
        if (got == '=' && at + 2 < text.size() && platform::HexDigitValue(text[at + 1]) >= 0 &&
            platform::HexDigitValue(text[at + 2]) >= 0) {
            got = static_cast<char>(platform::HexDigitValue(text[at + 1]) * 16 + platform::HexDigitValue(text[at + 2]));
            width = 3;
        }
        if (platform::ToLowerAscii(got) != want) return false;
        at += width;
    }
    return true;
}

// Charsets in which the join mark's characters are their ASCII bytes, so a
// search of the bytes finds it. Any other (UTF-16, EBCDIC, a name not known
// here) sends the message to be parsed.
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
    while (end < text.size() && std::string_view(" \t\r\n\";'").find(text[end]) == npos) ++end;
    return text.substr(at, end - at);
}

bool AllCharsetsAsciiCompatible(std::string_view text) {
    for (std::size_t at = FindIgnoreCase(text, "charset"); at != npos; at = FindIgnoreCase(text, "charset", at + 7)) {
        std::string_view value = ParameterValueAfter(text, at + 7);
        if (value.data() != nullptr && !AsciiCompatibleCharset(value)) return false;
    }
    return true;
}

bool IsBlankLine(std::string_view line) { return line.find_first_not_of(" \t\r") == npos; }

bool IsFieldLine(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] > ' ' && line[i] < 0x7F && line[i] != ':') ++i;
    if (i == 0) return false;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i < line.size() && line[i] == ':';
}

// Does the text before `end` (a line start, or the end) close a part header
// with no body after it: a delimiter line, header lines, perhaps blank lines,
// then `end`? A header without its blank line has an empty body too.
bool EmptyPartEndsAt(std::string_view text, std::size_t bodyStart, std::size_t end) {
    // The line that ends just before pos (a line start, or the end of the text).
    auto lineBefore = [&](std::size_t pos, std::size_t& start) {
        std::size_t stop = pos;
        if (stop > bodyStart && text[stop - 1] == '\n') --stop;
        std::size_t nl = stop > bodyStart ? text.rfind('\n', stop - 1) : npos;
        start = (nl == npos || nl < bodyStart) ? bodyStart : nl + 1;
        return text.substr(start, stop - start);
    };
    std::size_t pos = end;
    while (pos > bodyStart) {
        std::size_t start = 0;
        std::string_view line = lineBefore(pos, start);
        if (!IsBlankLine(line)) break;
        pos = start;
    }
    bool fields = false, multipart = false, named = false;
    while (pos > bodyStart) {
        std::size_t start = 0;
        std::string_view line = lineBefore(pos, start);
        // A nested multipart's header is followed by its own delimiters, not by
        // an empty body, unless it names itself like an attachment.
        if (line.substr(0, 2) == "--") return fields && (!multipart || named);
        const bool continuation = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (!continuation && !IsFieldLine(line)) return false;
        multipart = multipart || FindIgnoreCase(line, "multipart") != npos;
        named = named || FindIgnoreCase(line, "name") != npos || FindIgnoreCase(line, "attachment") != npos;
        fields = true;
        pos = start;
    }
    return false;
}

// An attachment part without content of its own, or a message that is one.
bool MayHoldAnEmptyPart(std::string_view text, std::size_t bodyStart) {
    if (text.substr(bodyStart).find_first_not_of(" \t\r\n") == npos) return true;
    for (std::size_t at = text.find("--", bodyStart); at != npos; at = text.find("--", at + 2))
        if (IsLineStart(text, at) && EmptyPartEndsAt(text, bodyStart, at)) return true;
    return EmptyPartEndsAt(text, bodyStart, text.size());
}

// The parts a cheap look can find: the message's own header, and a header
// after every line that is a delimiter of a boundary the message declares.
struct Block {
    std::size_t headerStart = 0, bodyStart = 0, bodyEnd = 0;
};

std::vector<Block> HeaderBlocks(std::string_view text) {
    std::vector<std::string_view> boundaries;
    for (std::size_t at = FindIgnoreCase(text, "boundary"); at != npos; at = FindIgnoreCase(text, "boundary", at + 8)) {
        std::string_view value = ParameterValueAfter(text, at + 8);
        if (!value.empty()) boundaries.push_back(value);
    }
    // Line starts of delimiter lines, in order.
    std::vector<std::size_t> delimiters;
    for (std::size_t at = text.find("--"); at != npos; at = text.find("--", at + 2)) {
        if (!IsLineStart(text, at)) continue;
        for (std::string_view b : boundaries)
            if (text.substr(at + 2, b.size()) == b) {
                delimiters.push_back(at);
                break;
            }
    }
    std::vector<Block> blocks;
    auto add = [&](std::size_t headerStart) {
        Block b;
        b.headerStart = headerStart;
        std::size_t bodyOffset = 0;
        (void)mime::Header::Parse(text.substr(headerStart), bodyOffset);
        b.bodyStart = headerStart + bodyOffset;
        b.bodyEnd = text.size();
        for (std::size_t d : delimiters)
            if (d >= b.bodyStart) {
                b.bodyEnd = d;
                break;
            }
        blocks.push_back(b);
    };
    add(0);
    for (std::size_t d : delimiters) {
        std::size_t nl = text.find('\n', d);
        if (nl != npos) add(nl + 1);
    }
    return blocks;
}

// A text body in base64 may hide a joined message; look into it. A base64
// field the cheap look cannot place in a header block means a yes.
bool Base64TextHidesAMark(std::string_view text) {
    const std::vector<Block> blocks = HeaderBlocks(text);
    for (std::size_t at = FindIgnoreCase(text, "base64"); at != npos; at = FindIgnoreCase(text, "base64", at + 6)) {
        bool placed = false;
        for (const Block& b : blocks) placed = placed || (at >= b.headerStart && at < b.bodyStart);
        if (placed) continue;
        // In a body, the word is only text; in a field of a header not found, it may matter.
        std::size_t lineStart = text.rfind('\n', at);
        lineStart = lineStart == npos ? 0 : lineStart + 1;
        const std::string_view line = text.substr(lineStart, at - lineStart);
        if (FindIgnoreCase(line, "transfer-encoding") != npos) return true;
    }
    for (const Block& b : blocks) {
        std::size_t ignored = 0;
        const mime::Header header =
            mime::Header::Parse(text.substr(b.headerStart, b.bodyStart - b.headerStart), ignored);
        auto encoding = header.Value("Content-Transfer-Encoding");
        if (!encoding || FindIgnoreCase(*encoding, "base64") == npos) continue;
        auto type = header.Value("Content-Type");
        if (type && FindIgnoreCase(*type, "text") == npos && FindIgnoreCase(*type, "/") != npos) continue;
        const std::string decoded = mime::DecodeBase64(text.substr(b.bodyStart, b.bodyEnd - b.bodyStart));
        if (FindIgnoreCase(decoded, "return-path") != npos) return true;
    }
    return false;
}

std::size_t TopBodyStart(std::string_view text) {
    std::size_t bodyStart = 0;
    (void)mime::Header::Parse(text, bodyStart);
    return bodyStart;
}

}  // namespace

int CountCarriedAttachments(std::string_view text) {
    int count = 0;
    for (const Block& b : HeaderBlocks(text)) {
        std::size_t ignored = 0;
        const mime::Header header =
            mime::Header::Parse(text.substr(b.headerStart, b.bodyStart - b.headerStart), ignored);
        const auto type = header.Value("Content-Type");
        if (type && FindIgnoreCase(*type, "multipart/") != npos) continue;
        const auto disposition = header.Value("Content-Disposition");
        if ((disposition && (FindIgnoreCase(*disposition, "attachment") != npos ||
                             FindIgnoreCase(*disposition, "filename") != npos)) ||
            (type && FindIgnoreCase(*type, "name") != npos))
            ++count;
    }
    return count;
}

bool NeedsFinishing(std::string_view text) {
    if (FindIgnoreCase(text, "[%ImFilePath%]") != npos) return true;  // a reference line
    if (FindIgnoreCase(text, "imbndary") != npos) return true;
    // Charsets whose ASCII is not ASCII's could hide the join mark from the look.
    if (!AllCharsetsAsciiCompatible(text)) return true;
    const std::size_t bodyStart = TopBodyStart(text);
    const std::string_view body = text.substr(bodyStart);
    if (FindIgnoreCase(body, "return-path") != npos) return true;
    if (FindIgnoreCase(text, "quoted-printable") != npos) {
        for (std::size_t at = body.find_first_of("rR="); at != npos; at = body.find_first_of("rR=", at + 1))
            if (QuotedMarkAt(body, at)) return true;
    }
    if (FindIgnoreCase(text, "base64") != npos && Base64TextHidesAMark(text)) return true;
    return MayHoldAnEmptyPart(text, bodyStart);
}

}  // namespace quill
