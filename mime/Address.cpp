#include "mime/Address.h"

#include "mime/Header.h"
#include "mime/HeaderValue.h"
#include "platform/Ascii.h"

#include <algorithm>

namespace quill::mime {
namespace {

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
    std::string name = CollapseBlanks(DecodeHeaderText(CollapseBlanks(raw), rawCharset));
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

}  // namespace

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

}  // namespace quill::mime
