#pragma once
// Files for the portable core: paths are UTF-8 everywhere; the Windows
// backend widens them at the system call. Failures are FileError values that
// carry the path and, for reads, the offset where reading stopped.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform {

class FileError : public std::runtime_error {
  public:
    enum class Kind { Open, Read, Write, Exists, Other };
    FileError(Kind kind, std::string path, std::uint64_t offset, const std::string& what);
    Kind kind() const noexcept { return kind_; }
    const std::string& path() const noexcept { return path_; }
    std::uint64_t offset() const noexcept { return offset_; }

  private:
    Kind kind_;
    std::string path_;
    std::uint64_t offset_;
};

// What stands at a path, seen without following a final symbolic link.
// Windows junctions and other reparse points count as links: they may lead
// anywhere.
enum class FileKind { Missing, Regular, Directory, Link, Other };
[[nodiscard]] FileKind KindAt(const std::string& path);
// "a folder", "a symbolic link", "a special file (FIFO, device or socket)"...
[[nodiscard]] const char* DescribeKind(FileKind kind) noexcept;

// Whether opening follows a symbolic link at the path's last component.
enum class Links { Follow, Refuse };

// Binary reading, sequential from where the last read or seek left off. Only
// a regular file opens: a folder, a FIFO or a device is refused with a
// FileError(Open) that says what it is, and opening never waits on one.
class InputFile {
  public:
    explicit InputFile(const std::string& path, Links links = Links::Follow);  // throws FileError(Open)
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Reads up to n bytes; returns 0 only at the end. Throws FileError(Read).
    std::size_t Read(char* buffer, std::size_t n);
    // The next read starts at offset (past the end reads nothing). Throws FileError(Read).
    void Seek(std::uint64_t offset);
    std::uint64_t Offset() const noexcept { return offset_; }
    const std::string& Path() const noexcept { return path_; }

  private:
    std::string path_;
    std::uint64_t offset_ = 0;
    std::intptr_t handle_ = -1;
};

// Writes a new file. It never replaces one: creating a path that exists fails
// with FileError(Exists). A file that was not Close()d is removed again.
class OutputFile {
  public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const char* data, std::size_t n);
    void Write(const std::string& s) { Write(s.data(), s.size()); }
    // Writes at an offset already written (or inside the file) without moving the end that
    // Write appends at: for formats whose header is written last.
    void WriteAt(std::uint64_t offset, const char* data, std::size_t n);
    std::uint64_t Size() const noexcept { return written_; }
    // Waits until everything written so far is on the disk itself (fsync, FlushFileBuffers), so
    // a format whose header is written last can order its data before its header across a
    // power loss. Throws FileError(Write) when the system reports that the data did not land.
    void Sync();
    void Close();  // flushes; throws FileError(Write) when the data did not land
    const std::string& Path() const noexcept { return path_; }

  private:
    std::string path_;
    std::intptr_t handle_ = -1;
    std::uint64_t written_ = 0;
};

// Writes bytes to a new file at path. False when a file is already there (it
// is left alone); any other failure throws FileError, and a file half written
// is removed again.
[[nodiscard]] bool WriteNewFile(const std::string& path, std::string_view bytes);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Creates the folder and its missing parents; true when it exists afterwards.
// When it does not, why (the system's reason, naming the folder) goes to *why.
bool MakeDirectories(const std::string& path, std::string* why = nullptr);
bool RemoveFile(const std::string& path);
// Moves a file to a new name in the same folder, never over a file that is
// there: false when `to` exists (nothing moves); FileError for any other
// failure.
[[nodiscard]] bool MoveWithoutReplacing(const std::string& from, const std::string& to);
// Removes a folder only when it is empty.
bool RemoveEmptyDirectory(const std::string& path);
std::uint64_t FileSize(const std::string& path);  // throws FileError(Open)

struct DirEntry {
    std::string name;
    bool regular = false;             // a normal file, itself or where its link leads
    FileKind kind = FileKind::Other;  // the entry itself, links not followed
    bool hidden = false;
    bool system = false;
};
// The folder's entries in the order the file system gives them. Throws
// FileError(Open) when the folder cannot be read.
std::vector<DirEntry> ListDirectory(const std::string& path);

}  // namespace quill::platform
