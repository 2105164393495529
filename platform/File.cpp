#include "platform/File.h"

namespace quill::platform {

FileError::FileError(Kind kind, std::string path, std::uint64_t offset, const std::string& what)
    : std::runtime_error(what), kind_(kind), path_(std::move(path)), offset_(offset) {}

const char* DescribeKind(FileKind kind) noexcept {
    switch (kind) {
        case FileKind::Missing:
            return "missing";
        case FileKind::Regular:
            return "a regular file";
        case FileKind::Directory:
            return "a folder";
        case FileKind::Link:
            return "a symbolic link";
        case FileKind::Other:
            break;
    }
    return "a special file (FIFO, device or socket)";
}

bool WriteNewFile(const std::string& path, std::string_view bytes) {
    try {
        OutputFile file(path);
        file.Write(bytes.data(), bytes.size());
        file.Close();
        return true;
    } catch (const FileError& e) {
        if (e.kind() == FileError::Kind::Exists) return false;
        throw;
    }
}

}  // namespace quill::platform
