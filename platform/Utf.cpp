#include "platform/Utf.h"

namespace quill::platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr char16_t kReplacementUnit = 0xFFFD;

// The code point of a valid sequence of length n at s[i].
std::uint32_t DecodeSequence(std::string_view s, std::size_t i, std::size_t n) noexcept {
    static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t cp = static_cast<unsigned char>(s[i]) & kLeadMask[n];
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) noexcept {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    else
        return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    const std::uint32_t cp = DecodeSequence(s, i, n);
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool IsValidUtf8(std::string_view bytes) noexcept {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string RepairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string CutUtf8(std::string s, std::size_t max) {
    if (s.size() <= max) return s;
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
    return s;
}

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        // Mail text is mostly ASCII: runs of it need no decoding.
        std::size_t ascii = i;
        while (ascii < s.size() && static_cast<unsigned char>(s[ascii]) < 0x80) ++ascii;
        if (ascii > i) {
            const std::size_t at = out.size();
            out.resize(at + (ascii - i));
            for (std::size_t k = i; k < ascii; ++k) out[at + (k - i)] = static_cast<char16_t>(s[k]);
            i = ascii;
            if (i == s.size()) break;
        }
        const std::size_t n = Utf8SequenceLength(s, i);
        if (n == 0) {
            out += kReplacementUnit;
            ++i;
            continue;
        }
        const std::uint32_t cp = DecodeSequence(s, i, n);
        if (cp < 0x10000) {
            out += static_cast<char16_t>(cp);
        } else {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        i += n;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::uint32_t unit = s[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (s[i + 1] - 0xDC00u));
            ++i;
        } else {
            AppendUtf8(out, unit);  // an unpaired surrogate becomes U+FFFD there
        }
    }
    return out;
}

}  // namespace quill::platform
