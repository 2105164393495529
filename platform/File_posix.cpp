#include "platform/File.h"

#include "platform/Path.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

namespace quill::platform {

const char kPathSeparator = '/';

namespace {

std::string Describe(const std::string& action, const std::string& path, int err) {
    return action + " \"" + path + "\": " + std::strerror(err);
}

FileKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Directory;
    if (S_ISLNK(mode)) return FileKind::Link;
    return FileKind::Other;
}

}  // namespace

FileKind KindAt(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return FileKind::Missing;
    return KindOfMode(st.st_mode);
}

InputFile::InputFile(const std::string& path, Links links) : path_(path) {
    // Non-blocking, so that a FIFO standing where a file was expected is
    // refused at once instead of waiting for a writer forever.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::Refuse) flags |= O_NOFOLLOW;
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        int err = errno;
        if (err == ELOOP && links == Links::Refuse && KindAt(path) == FileKind::Link)
            throw FileError(FileError::Kind::Open, path, 0,
                            "cannot open \"" + path + "\": it is a symbolic link, which is not followed here");
        throw FileError(FileError::Kind::Open, path, 0, Describe("cannot open", path, err));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        throw FileError(FileError::Kind::Open, path, 0, Describe("cannot open", path, err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw FileError(
            FileError::Kind::Open, path, 0,
            "cannot open \"" + path + "\": it is " + DescribeKind(KindOfMode(st.st_mode)) + ", not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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

bool MakeDirectories(const std::string& path, std::string* why) {
    if (path.empty()) {
        if (why) *why = "no folder named";
        return false;
    }
    if (IsDirectory(path)) return true;
    auto slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash), why)) return false;
    if (::mkdir(path.c_str(), 0755) == 0 || IsDirectory(path)) return true;
    const int err = errno;
    if (why) *why = Describe("cannot create folder", path, err == EEXIST ? ENOTDIR : err);
    return false;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    int err = errno;
    if (err == EEXIST) return false;
    if (err == EINVAL || err == ENOSYS) {
        // A file system that cannot refuse by itself: look first, then move.
        if (KindAt(to) != FileKind::Missing) return false;
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
        err = errno;
    }
    throw FileError(FileError::Kind::Write, from, 0, Describe("cannot rename", from, err) + " to \"" + to + "\"");
}

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
        const std::string full = JoinPath(path, name);
        e.kind = KindAt(full);
        struct stat st {};
        e.regular = ::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        e.hidden = name[0] == '.';
        out.push_back(std::move(e));
    }
    ::closedir(dir);
    return out;
}

}  // namespace quill::platform
