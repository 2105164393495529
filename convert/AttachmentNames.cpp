#include "convert/AttachmentNames.h"

#include "mime/BodyParts.h"
#include "mime/Header.h"
#include "mime/MimeMessage.h"
#include "platform/Ascii.h"
#include "platform/Path.h"
#include "platform/Utf.h"

#include <algorithm>
#include <array>

namespace quill {
namespace {

constexpr std::size_t kMaxNameFromSubject = 120;

bool IsBlankOrDot(char c) { return c == ' ' || c == '.'; }

std::string WithoutTrailingBlanksAndDots(std::string s) {
    while (!s.empty() && IsBlankOrDot(s.back())) s.pop_back();
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

std::string SubjectOfAttachedMessage(std::string_view bytes) {
    mime::MimeMessage inner;
    inner.Load(bytes);
    return inner.HeaderText("Subject").value_or(std::string());
}

}  // namespace

bool IsUnfitInFileName(char c) noexcept {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
}

std::string SafeAttachmentName(const std::string& name) {
    std::string last(platform::LastPathComponent(name));
    if (last.size() >= 2 && last[1] == ':') last = last.substr(2);  // a drive
    last = WithoutTrailingBlanksAndDots(std::move(last));
    if (last.empty() || platform::IsWindowsDeviceName(last)) return {};
    if (std::any_of(last.begin(), last.end(), IsUnfitInFileName)) return {};
    return last;
}

std::string AttachmentDisplayName(std::string_view name) {
    std::string out;
    for (char c : platform::LastPathComponent(name)) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) continue;
        out += IsUnfitInFileName(c) ? '_' : c;
    }
    out = WithoutTrailingBlanksAndDots(std::move(out));
    return out.substr(std::min(out.find_first_not_of(' '), out.size()));
}

std::string PstAttachmentName(const mime::Part& part, std::string_view content, std::string_view charset,
                              int& unnamed) {
    const std::string type = part.MediaType();
    std::string name = AttachmentDisplayName(mime::PartFileName(part, charset));
    if (name.empty() && type == "message/rfc822") {
        name = AttachmentDisplayName(
            platform::CutUtf8(mime::CollapseBlanks(SubjectOfAttachedMessage(content)), kMaxNameFromSubject));
        if (!name.empty()) name += ".eml";  // a subject's dots make no extension
    }
    if (name.empty()) {
        std::string serial = std::to_string(++unnamed);
        serial.insert(0, serial.size() < 3 ? 3 - serial.size() : 0, '0');
        name = std::string(type.rfind("image/", 0) == 0 ? "image" : "attachment") + serial + ExtensionForType(type);
    } else if (type == "message/rfc822" && platform::PathExtension(name).empty()) {
        name += ".eml";
    }
    return name;
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

}  // namespace quill
