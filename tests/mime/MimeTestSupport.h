#pragma once
// Shared by the message component's tests: an in-memory file system and a
// few ways of writing small messages.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "mime/FileAccess.h"
#include "mime/MimeMessage.h"

namespace quill::mime::test {

class MemoryFiles final : public FileAccess {
  public:
    std::map<std::string, std::string> files;
    bool refuseWrites = false;

    std::optional<std::string> ReadAll(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    bool ReplaceAll(const std::string& path, std::string_view bytes) override {
        if (refuseWrites) return false;
        files[path] = std::string(bytes);
        return true;
    }
};

// The same text with every LF turned into CR LF.
inline std::string Crlf(std::string_view lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

inline MimeMessage Loaded(std::string_view bytes) {
    MimeMessage m;
    m.Load(bytes);
    return m;
}

}  // namespace quill::mime::test
