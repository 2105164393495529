#include "File.h"

namespace quill::platform {

FileError::FileError(Kind kind, std::string path, std::uint64_t offset, const std::string& what)
    : std::runtime_error(what), kind_(kind), path_(std::move(path)), offset_(offset) {}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    char last = dir.back();
    if (last == '/' || last == '\\') return dir + name;
#ifdef _WIN32
    return dir + '\\' + name;
#else
    return dir + '/' + name;
#endif
}

}  // namespace quill::platform
