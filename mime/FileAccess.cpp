#include "mime/FileAccess.h"

#include <filesystem>
#include <system_error>

#include "platform/File.h"
#include "platform/NumberedName.h"

namespace quill::mime {
namespace {

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

class Disk final : public FileAccess {
  public:
    std::optional<std::string> ReadAll(const std::string& path) override {
        try {
            platform::InputFile in(path);
            std::string out;
            char buffer[1 << 16];
            while (std::size_t n = in.Read(buffer, sizeof buffer)) out.append(buffer, n);
            return out;
        } catch (const platform::FileError&) {
            return std::nullopt;
        }
    }

    // Written beside the target first and moved over it, so a failed write
    // never leaves a half file in the target's place. The temporary file is
    // made under a name nobody uses, so a file of the user's is never touched.
    bool ReplaceAll(const std::string& path, std::string_view bytes) override {
        std::string temp;
        try {
            auto made = platform::CreateUnderFreeName(path, ".quill-tmp", [&](const std::string& candidate) {
                return platform::WriteNewFile(candidate, bytes);
            });
            if (!made) return false;
            temp = *made;
        } catch (const platform::FileError&) {
            return false;  // WriteNewFile removed what it made
        }
        std::error_code ec;
        std::filesystem::rename(FsPath(temp), FsPath(path), ec);
        if (ec) {
            // Some systems refuse to move over an existing file.
            std::filesystem::remove(FsPath(path), ec);
            std::filesystem::rename(FsPath(temp), FsPath(path), ec);
        }
        if (ec) platform::RemoveFile(temp);
        return !ec;
    }
};

}  // namespace

FileAccess& DiskFiles() {
    static Disk disk;
    return disk;
}

}  // namespace quill::mime
