#include "platform/File.h"

#include "platform/Path.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill::platform {

const char kPathSeparator = '/';

namespace {

std::string Describe(const std::string& action, const std::string& path, int err) {
    return action + " \"" + path + "\": " + std::strerror(err);
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError(FileError::Kind::Open, path, 0, Describe("cannot open", path, errno));
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw FileError(FileError::Kind::Open, path, 0, Describe("cannot open", path, EISDIR));
    }
    handle_ = fd;
}

InputFile::~InputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::size_t InputFile::Read(char* buffer, std::size_t n) {
    for (;;) {
        ssize_t got = ::read(static_cast<int>(handle_), buffer, n);
        if (got >= 0) {
            offset_ += static_cast<std::uint64_t>(got);
            return static_cast<std::size_t>(got);
        }
        if (errno == EINTR) continue;
        int err = errno;
        throw FileError(FileError::Kind::Read, path_, offset_,
                        Describe("cannot read", path_, err) + " at offset " + std::to_string(offset_));
    }
}

void InputFile::Seek(std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(INT64_MAX) ||
        ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) {
        int err = errno;
        throw FileError(FileError::Kind::Read, path_, offset,
                        Describe("cannot seek in", path_, err) + " to offset " + std::to_string(offset));
    }
    offset_ = offset;
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        int err = errno;
        auto kind = err == EEXIST ? FileError::Kind::Exists : FileError::Kind::Open;
        throw FileError(kind, path, 0,
                        err == EEXIST ? "refusing to replace existing file \"" + path + "\""
                                      : Describe("cannot create", path, err));
    }
    handle_ = fd;
}

OutputFile::~OutputFile() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        ::unlink(path_.c_str());
    }
}

void OutputFile::Write(const char* data, std::size_t n) {
    while (n > 0) {
        ssize_t put = ::write(static_cast<int>(handle_), data, n);
        if (put < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            throw FileError(FileError::Kind::Write, path_, written_,
                            Describe("cannot write", path_, err) + " at offset " + std::to_string(written_));
        }
        data += put;
        n -= static_cast<std::size_t>(put);
        written_ += static_cast<std::uint64_t>(put);
    }
}

void OutputFile::WriteAt(std::uint64_t offset, const char* data, std::size_t n) {
    while (n > 0) {
        ssize_t put = ::pwrite(static_cast<int>(handle_), data, n, static_cast<off_t>(offset));
        if (put < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            throw FileError(FileError::Kind::Write, path_, offset,
                            Describe("cannot write", path_, err) + " at offset " + std::to_string(offset));
        }
        data += put;
        n -= static_cast<std::size_t>(put);
        offset += static_cast<std::uint64_t>(put);
    }
}

void OutputFile::Sync() {
    if (handle_ < 0) return;
    while (::fsync(static_cast<int>(handle_)) != 0) {
        if (errno == EINTR) continue;
        // A file system that cannot sync (some pseudo file systems) has nothing to order.
        if (errno == EINVAL || errno == ENOTSUP) return;
        int err = errno;
        throw FileError(FileError::Kind::Write, path_, written_, Describe("cannot flush to disk", path_, err));
    }
}

void OutputFile::Close() {
    if (handle_ < 0) return;
    int fd = static_cast<int>(handle_);
    handle_ = -1;
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(path_.c_str());
        throw FileError(FileError::Kind::Write, path_, written_, Describe("cannot close", path_, err));
    }
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (IsDirectory(path)) return true;
    auto slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0) MakeDirectories(path.substr(0, slash));
    return ::mkdir(path.c_str(), 0755) == 0 || IsDirectory(path);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RemoveEmptyDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

std::uint64_t FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw FileError(FileError::Kind::Open, path, 0, Describe("cannot open", path, errno));
    return static_cast<std::uint64_t>(st.st_size);
}

std::vector<DirEntry> ListDirectory(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) throw FileError(FileError::Kind::Open, path, 0, Describe("cannot list", path, errno));
    std::vector<DirEntry> out;
    while (dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        DirEntry e;
        e.name = name;
        struct stat st {};
        e.regular = ::stat(JoinPath(path, name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
        e.hidden = name[0] == '.';
        out.push_back(std::move(e));
    }
    ::closedir(dir);
    return out;
}

}  // namespace quill::platform
