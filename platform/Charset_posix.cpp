#include "Charset.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <utility>
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

// Opening a converter loads (and closing it unloads) glibc's conversion module, which cost
// more than the conversions themselves: converters are kept per thread, reset before each use.
// Names come from mail, so the cache is bounded; a name that cannot be opened is remembered too.
iconv_t Open(const std::string& to, const std::string& from) {
    thread_local std::map<std::pair<std::string, std::string>, Iconv> cache;
    auto key = std::make_pair(to, from);
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() >= 64) cache.clear();
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        it = cache.emplace(std::move(key), cd == reinterpret_cast<iconv_t>(-1) ? nullptr : Iconv(cd)).first;
    }
    if (!it->second) return nullptr;
    iconv_t cd = static_cast<iconv_t>(it->second.get());
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
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
    iconv_t cd = Open("UTF-8", IconvName(charset));
    if (!cd) return std::nullopt;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    bool ok = Run(cd, bytes, out, [](std::string& o) {
        o += "\xEF\xBF\xBD";
        return true;
    });
    if (!ok) return std::nullopt;
    return out;
}

std::optional<std::string> NativeFromUtf8(std::string_view utf8, const std::string& charset) {
    iconv_t cd = Open(IconvName(charset), "UTF-8");
    if (!cd) return std::nullopt;
    std::string out;
    if (!Run(cd, utf8, out, [](std::string&) { return false; })) return std::nullopt;
    return out;
}

}  // namespace quill::platform::detail

namespace quill::platform {

std::string SystemAnsiCharset() { return {}; }

}  // namespace quill::platform
