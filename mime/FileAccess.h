#pragma once
// How the message component reaches files, so tests can hand it bytes.
// Paths are UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace quill::mime {

class FileAccess {
  public:
    virtual ~FileAccess() = default;
    // The whole file; nullopt when it cannot be read.
    virtual std::optional<std::string> ReadAll(const std::string& path) = 0;
    // Replaces the file's content (creating it if needed); false when it
    // could not. A failed replace leaves the old content.
    virtual bool ReplaceAll(const std::string& path, std::string_view bytes) = 0;
};

// The real file system.
FileAccess& DiskFiles();

}  // namespace quill::mime
