#include "Charset.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace quill::platform::detail {
namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using Iconv = std::unique_ptr<void, IconvCloser>;

// glibc spells a few of mail's names differently.
std::string IconvName(const std::string& charset) {
    if (charset == "ks_c_5601-1987") return "CP949";
    if (charset == "windows-874") return "CP874";
    if (charset == "unicode-1-1-utf-7") return "UTF-7";
    return charset;
}

Iconv Open(const std::string& to, const std::string& from) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return Iconv(cd);
}

// Runs the whole input through cd, then flushes its shift state. onInvalid
// decides what a bad input byte does: true means it was handled (and is
// skipped), false stops the conversion as failed.
template <typename OnInvalid>
bool Run(iconv_t cd, std::string_view in, std::string& out, OnInvalid onInvalid) {
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        if (errno != EILSEQ && errno != EINVAL) return false;
        if (!onInvalid(out)) return false;
        ++src;
        --srcLeft;
    }
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return true;
}

}  // namespace

std::optional<std::string> NativeToUtf8(std::string_view bytes, const std::string& charset) {
    Iconv cd = Open("UTF-8", IconvName(charset));
    if (!cd) return std::nullopt;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    bool ok = Run(static_cast<iconv_t>(cd.get()), bytes, out, [](std::string& o) {
        o += "\xEF\xBF\xBD";
        return true;
    });
    if (!ok) return std::nullopt;
    return out;
}

std::optional<std::string> NativeFromUtf8(std::string_view utf8, const std::string& charset) {
    Iconv cd = Open(IconvName(charset), "UTF-8");
    if (!cd) return std::nullopt;
    std::string out;
    if (!Run(static_cast<iconv_t>(cd.get()), utf8, out, [](std::string&) { return false; })) return std::nullopt;
    return out;
}

}  // namespace quill::platform::detail
