#include "convert/Html.h"

#include "mime/Header.h"
#include "mime/HeaderValue.h"
#include "platform/Ascii.h"
#include "platform/Utf.h"

#include <algorithm>
#include <cstdint>

namespace quill {
namespace {

constexpr std::size_t kMetaSniffBytes = 2048;  // a <meta> charset stands in the head

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
        if (mime::IsBlank(c)) {
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

std::string HtmlMetaCharset(std::string_view html) {
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

}  // namespace quill
