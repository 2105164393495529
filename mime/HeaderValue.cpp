#include "mime/HeaderValue.h"

#include <algorithm>
#include <map>
#include <optional>

#include "mime/Header.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/Utf.h"

namespace quill::mime {
namespace {

constexpr int kMaxSection = 999;      // RFC 2231 section numbers beyond this are junk
constexpr std::size_t kMaxLine = 72;  // for parameters we write

// Skips a comment starting at s[i] == '('; comments nest, '\' escapes.
std::size_t SkipComment(std::string_view s, std::size_t i) {
    int depth = 0;
    for (; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '(') {
            ++depth;
        } else if (s[i] == ')') {
            if (--depth == 0) return i + 1;
        }
    }
    return s.size();
}

std::size_t SkipCfws(std::string_view s, std::size_t i) {
    while (i < s.size()) {
        if (IsBlank(s[i]))
            ++i;
        else if (s[i] == '(')
            i = SkipComment(s, i);
        else
            break;
    }
    return i;
}

// A quoted string from s[i] == '"'; i ends past the closing quote.
std::string ReadQuoted(std::string_view s, std::size_t& i) {
    std::string out;
    for (++i; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (s[i] == '"') {
            ++i;
            return out;
        } else if (s[i] != '\r' && s[i] != '\n') {
            out += s[i];
        }
    }
    return out;
}

// Text up to the next ';' with comments left out and blanks trimmed.
std::string ReadBare(std::string_view s, std::size_t& i) {
    std::string out;
    while (i < s.size() && s[i] != ';') {
        if (s[i] == '(') {
            i = SkipComment(s, i);
            continue;
        }
        if (s[i] != '\r' && s[i] != '\n') out += s[i];
        ++i;
    }
    return std::string(TrimBlanks(out));
}

struct Section {
    int number;
    bool encoded;
    std::string value;
};

bool IsAttributeChar(unsigned char c) {
    if (c >= 'a' && c <= 'z') return true;
    if (c >= 'A' && c <= 'Z') return true;
    if (c >= '0' && c <= '9') return true;
    return std::string_view("!#$&+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::string PercentDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            int hi = platform::HexDigitValue(s[i + 1]);
            int lo = platform::HexDigitValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

const Parameter* StructuredValue::Find(std::string_view name) const {
    const Parameter* plain = nullptr;
    for (const auto& p : params) {
        if (!platform::EqualsIgnoreCase(p.name, name)) continue;
        if (p.extended) return &p;
        if (!plain) plain = &p;
    }
    return plain;
}

StructuredValue ParseStructured(std::string_view s) {
    StructuredValue result;
    std::size_t i = SkipCfws(s, 0);
    std::string token;
    while (i < s.size() && s[i] != ';') {
        if (s[i] == '(') {
            i = SkipComment(s, i);
            continue;
        }
        if (!IsBlank(s[i]) && s[i] != '"') token += s[i];
        ++i;
    }
    result.token = platform::LowerAscii(token);

    std::vector<Parameter> plain;
    std::map<std::string, std::vector<Section>> sectioned;
    std::vector<std::string> order;  // first appearance of each parameter name
    while (i < s.size()) {
        ++i;  // past ';'
        i = SkipCfws(s, i);
        std::size_t nameStart = i;
        while (i < s.size() && s[i] != '=' && s[i] != ';') ++i;
        std::string name = platform::LowerAscii(TrimBlanks(s.substr(nameStart, i - nameStart)));
        if (i >= s.size() || s[i] == ';') continue;
        ++i;  // past '='
        i = SkipCfws(s, i);
        std::string value;
        if (i < s.size() && s[i] == '"') {
            value = ReadQuoted(s, i);
            while (i < s.size() && s[i] != ';') ++i;  // junk after the quote
        } else {
            value = ReadBare(s, i);
        }
        name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return IsBlank(c); }), name.end());
        if (name.empty()) continue;

        std::size_t star = name.find('*');
        if (star == std::string::npos) {
            if (std::find(order.begin(), order.end(), name) == order.end()) order.push_back(name);
            bool seen = std::any_of(plain.begin(), plain.end(), [&](const Parameter& p) { return p.name == name; });
            if (!seen) plain.push_back({name, value, false});
            continue;
        }
        std::string base = name.substr(0, star);
        std::string_view rest = std::string_view(name).substr(star + 1);
        Section section{0, false, value};
        if (rest.empty()) {
            section.encoded = true;
        } else {
            bool encoded = rest.back() == '*';
            if (encoded) rest.remove_suffix(1);
            if (rest.empty() || rest.size() > 3 ||
                !std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            section.number = std::stoi(std::string(rest));
            section.encoded = encoded;
        }
        if (base.empty() || section.number > kMaxSection) continue;
        auto& list = sectioned[base];
        bool dup = std::any_of(list.begin(), list.end(), [&](const Section& x) { return x.number == section.number; });
        if (!dup) list.push_back(std::move(section));
        if (std::find(order.begin(), order.end(), base) == order.end()) order.push_back(base);
    }

    for (const auto& name : order) {
        for (auto& p : plain)
            if (p.name == name) result.params.push_back(p);
        auto it = sectioned.find(name);
        if (it == sectioned.end()) continue;
        auto& list = it->second;
        std::stable_sort(list.begin(), list.end(),
                         [](const Section& a, const Section& b) { return a.number < b.number; });
        std::string charset;
        std::string bytes;
        for (std::size_t k = 0; k < list.size(); ++k) {
            std::string_view v = list[k].value;
            if (k == 0 && list[k].number == 0 && list[k].encoded) {
                std::size_t q1 = v.find('\'');
                std::size_t q2 = q1 == std::string_view::npos ? q1 : v.find('\'', q1 + 1);
                if (q2 != std::string_view::npos) {
                    charset = std::string(v.substr(0, q1));
                    v = v.substr(q2 + 1);
                }
            }
            bytes += list[k].encoded ? PercentDecode(v) : std::string(v);
        }
        result.params.push_back({name, BytesToUtf8(bytes, charset), true});
    }
    return result;
}

std::string BytesToUtf8(std::string_view bytes, std::string_view charset) {
    if (!charset.empty()) {
        if (auto text = platform::ToUtf8(bytes, charset)) return *text;
    }
    if (platform::IsValidUtf8(bytes)) return std::string(bytes);
    if (auto text = platform::ToUtf8(bytes, "windows-1252")) return *text;
    return platform::RepairUtf8(bytes);
}

namespace {

struct EncodedWord {
    std::size_t end;  // past "?="
    std::string charset;
    std::string bytes;
};

// An encoded word "=?charset?B|Q?text?=" at text[i], or nullopt.
std::optional<EncodedWord> ReadEncodedWord(std::string_view text, std::size_t i) {
    if (text.substr(i, 2) != "=?") return std::nullopt;
    std::size_t q1 = text.find('?', i + 2);
    if (q1 == std::string_view::npos || q1 == i + 2 || q1 + 2 >= text.size() || text[q1 + 2] != '?')
        return std::nullopt;
    std::string_view charset = text.substr(i + 2, q1 - i - 2);
    if (std::any_of(charset.begin(), charset.end(), [](char c) { return IsBlank(c) || c == '='; })) return std::nullopt;
    char enc = text[q1 + 1];
    std::size_t start = q1 + 3;
    std::size_t close = text.find("?=", start);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view payload = text.substr(start, close - start);
    if (std::any_of(payload.begin(), payload.end(), [](char c) { return c == '\r' || c == '\n'; })) return std::nullopt;
    EncodedWord word{close + 2, std::string(charset), {}};
    if (enc == 'B' || enc == 'b') {
        static constexpr std::string_view kAlphabet =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        unsigned bits = 0;
        int count = 0;
        for (char c : payload) {
            std::size_t v = kAlphabet.find(c);
            if (v == std::string_view::npos) continue;
            bits = (bits << 6) | static_cast<unsigned>(v);
            count += 6;
            if (count >= 8) {
                count -= 8;
                word.bytes += static_cast<char>((bits >> count) & 0xFF);
            }
        }
    } else if (enc == 'Q' || enc == 'q') {
        for (std::size_t k = 0; k < payload.size(); ++k) {
            char c = payload[k];
            if (c == '_') {
                word.bytes += ' ';
            } else if (c == '=' && k + 2 < payload.size() && platform::HexDigitValue(payload[k + 1]) >= 0 &&
                       platform::HexDigitValue(payload[k + 2]) >= 0) {
                word.bytes += static_cast<char>(platform::HexDigitValue(payload[k + 1]) * 16 +
                                                platform::HexDigitValue(payload[k + 2]));
                k += 2;
            } else {
                word.bytes += c;
            }
        }
    } else {
        return std::nullopt;
    }
    return word;
}

}  // namespace

std::string DecodeHeaderText(std::string_view text, std::string_view rawCharset) {
    std::string out;
    std::string raw;        // pending bytes outside encoded words
    std::string wordBytes;  // pending bytes of adjacent encoded words
    std::string wordCharset;
    auto flushRaw = [&] {
        if (!raw.empty()) out += BytesToUtf8(raw, rawCharset);
        raw.clear();
    };
    auto flushWords = [&] {
        if (!wordBytes.empty()) out += BytesToUtf8(wordBytes, wordCharset);
        wordBytes.clear();
        wordCharset.clear();
    };
    bool afterWord = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '=' && i + 1 < text.size() && text[i + 1] == '?') {
            if (auto word = ReadEncodedWord(text, i)) {
                bool gapIsBlank = afterWord && std::all_of(raw.begin(), raw.end(), [](char c) { return IsBlank(c); });
                if (gapIsBlank) raw.clear();
                if (!raw.empty() || !platform::EqualsIgnoreCase(platform::NormaliseCharsetName(word->charset),
                                                                platform::NormaliseCharsetName(wordCharset)))
                    flushWords();
                flushRaw();
                wordCharset = word->charset;
                wordBytes += word->bytes;
                afterWord = true;
                i = word->end;
                continue;
            }
        }
        if (!IsBlank(text[i]) && afterWord) {
            flushWords();
            afterWord = false;
        }
        raw += text[i];
        ++i;
    }
    flushWords();
    flushRaw();
    return out;
}

std::string FormatParameter(std::string_view name, std::string_view value, std::string_view lineEnd) {
    std::string sep = ";" + std::string(lineEnd) + "\t";
    bool ascii = std::all_of(value.begin(), value.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u >= 32 && u < 127;
    });
    if (ascii) {
        // Each character with its escape, so a section never ends inside one.
        std::vector<std::string> quoted;
        std::size_t total = 0;
        for (char c : value) {
            quoted.push_back(c == '"' || c == '\\' ? std::string{'\\', c} : std::string(1, c));
            total += quoted.back().size();
        }
        if (name.size() + total + 3 <= kMaxLine) {
            std::string out = std::string(name) + "=\"";
            for (const auto& q : quoted) out += q;
            return out + "\"";
        }
        std::size_t budget = name.size() + 24 < kMaxLine ? kMaxLine - name.size() - 8 : 16;
        std::string out;
        std::string section;
        int n = 0;
        auto flush = [&] {
            if (n) out += sep;
            out += std::string(name) + "*" + std::to_string(n) + "=\"" + section + "\"";
            section.clear();
            ++n;
        };
        for (const auto& q : quoted) {
            if (!section.empty() && section.size() + q.size() > budget) flush();
            section += q;
        }
        if (!section.empty()) flush();
        return out;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::vector<std::string> units;
    for (char c : value) {
        auto u = static_cast<unsigned char>(c);
        if (IsAttributeChar(u))
            units.emplace_back(1, c);
        else
            units.push_back(std::string("%") + kHex[u >> 4] + kHex[u & 15]);
    }
    std::string first = std::string(name) + "*=utf-8''";
    std::size_t total = first.size();
    for (const auto& u : units) total += u.size();
    if (total <= kMaxLine) {
        for (const auto& u : units) first += u;
        return first;
    }
    std::string out;
    std::string line;
    int n = 0;
    auto head = [&] { return std::string(name) + "*" + std::to_string(n) + "*=" + (n == 0 ? "utf-8''" : ""); };
    line = head();
    for (const auto& u : units) {
        if (line.size() + u.size() > kMaxLine) {
            if (n) out += sep;
            out += line;
            ++n;
            line = head();
        }
        line += u;
    }
    if (n) out += sep;
    out += line;
    return out;
}

}  // namespace quill::mime
