#include "platform/UnicodeName.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

#include "platform/Utf.h"

namespace quill::platform {

std::string FileNameKey(std::string_view utf8) {
    const std::string valid = RepairUtf8(utf8);
    utf8proc_uint8_t* composed = nullptr;
    utf8proc_ssize_t n = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(valid.data()),
                                      static_cast<utf8proc_ssize_t>(valid.size()), &composed,
                                      static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(composed, &std::free);
    std::string_view text = valid;
    if (n >= 0) text = std::string_view(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(n));

    std::string key;
    key.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        utf8proc_int32_t cp = 0;
        utf8proc_ssize_t len = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + i),
                                                static_cast<utf8proc_ssize_t>(text.size() - i), &cp);
        if (len <= 0) break;  // cannot happen after the repair
        AppendUtf8(key, static_cast<std::uint32_t>(utf8proc_toupper(cp)));
        i += static_cast<std::size_t>(len);
    }
    return key;
}

}  // namespace quill::platform
