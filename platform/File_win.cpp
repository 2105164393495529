#include "platform/File.h"

#include <windows.h>

#include "platform/Path.h"
#include "platform/Utf16_win.h"

namespace quill::platform {

const char kPathSeparator = '\\';

namespace {

std::string Describe(const std::string& action, const std::string& path, DWORD err) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = text ? Narrow(text) : "error " + std::to_string(err);
    if (text) LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return action + " \"" + path + "\": " + reason;
}

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

FileKind KindOfAttributes(DWORD a) {
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return FileKind::Link;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
    if (a & FILE_ATTRIBUTE_DEVICE) return FileKind::Other;
    return FileKind::Regular;
}

}  // namespace

FileKind KindAt(const std::string& path) {
    DWORD a = GetFileAttributesW(Widen(path).c_str());
    return a == INVALID_FILE_ATTRIBUTES ? FileKind::Missing : KindOfAttributes(a);
}

InputFile::InputFile(const std::string& path, Links links) : path_(path) {
    DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN;
    // Opens the link itself, so that a junction or symbolic link is seen and refused.
    if (links == Links::Refuse) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw FileError(FileError::Kind::Open, path, 0, Describe("cannot open", path, GetLastError()));
    FileKind kind = FileKind::Regular;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK)
        kind = FileKind::Other;
    else if (GetFileInformationByHandle(h, &info))
        kind = KindOfAttributes(info.dwFileAttributes);
    if (kind != FileKind::Regular && !(kind == FileKind::Link && links == Links::Follow)) {
        CloseHandle(h);
        throw FileError(FileError::Kind::Open, path, 0,
                        "cannot open \"" + path + "\": it is " + DescribeKind(kind) +
                            (kind == FileKind::Link ? ", which is not followed here" : ", not a regular file"));
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
}

InputFile::~InputFile() {
    if (handle_ != -1) CloseHandle(H(handle_));
}

std::size_t InputFile::Read(char* buffer, std::size_t n) {
    DWORD got = 0;
    DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    if (!ReadFile(H(handle_), buffer, want, &got, nullptr)) {
        DWORD err = GetLastError();
        throw FileError(FileError::Kind::Read, path_, offset_,
                        Describe("cannot read", path_, err) + " at offset " + std::to_string(offset_));
    }
    offset_ += got;
    return got;
}

void InputFile::Seek(std::uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (offset > static_cast<std::uint64_t>(INT64_MAX) || !SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN)) {
        DWORD err = GetLastError();
        throw FileError(FileError::Kind::Read, path_, offset,
                        Describe("cannot seek in", path_, err) + " to offset " + std::to_string(offset));
    }
    offset_ = offset;
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        bool exists = err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS;
        throw FileError(
            exists ? FileError::Kind::Exists : FileError::Kind::Open, path, 0,
            exists ? "refusing to replace existing file \"" + path + "\"" : Describe("cannot create", path, err));
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
}

OutputFile::~OutputFile() {
    if (handle_ != -1) {
        CloseHandle(H(handle_));
        DeleteFileW(Widen(path_).c_str());
    }
}

namespace {

// Positioned writes throughout: a synchronous handle moves its file pointer after a positioned
// write, so appending and writing at an offset both name their offset.
void WriteAtOffset(HANDLE h, const std::string& path, std::uint64_t offset, const char* data, std::size_t n) {
    while (n > 0) {
        DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        DWORD put = 0;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        if (!WriteFile(h, data, chunk, &put, &at)) {
            DWORD err = GetLastError();
            throw FileError(FileError::Kind::Write, path, offset,
                            Describe("cannot write", path, err) + " at offset " + std::to_string(offset));
        }
        data += put;
        n -= put;
        offset += put;
    }
}

}  // namespace

void OutputFile::Write(const char* data, std::size_t n) {
    WriteAtOffset(H(handle_), path_, written_, data, n);
    written_ += n;
}

void OutputFile::WriteAt(std::uint64_t offset, const char* data, std::size_t n) {
    WriteAtOffset(H(handle_), path_, offset, data, n);
}

void OutputFile::Sync() {
    if (handle_ == -1) return;
    if (!FlushFileBuffers(H(handle_))) {
        DWORD err = GetLastError();
        throw FileError(FileError::Kind::Write, path_, written_, Describe("cannot flush to disk", path_, err));
    }
}

void OutputFile::Close() {
    if (handle_ == -1) return;
    HANDLE h = H(handle_);
    handle_ = -1;
    if (!CloseHandle(h)) {
        DWORD err = GetLastError();
        DeleteFileW(Widen(path_).c_str());
        throw FileError(FileError::Kind::Write, path_, written_, Describe("cannot close", path_, err));
    }
}

bool PathExists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::string& path) {
    DWORD a = GetFileAttributesW(Widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectories(const std::string& path, std::string* why) {
    if (path.empty()) {
        if (why) *why = "no folder named";
        return false;
    }
    if (IsDirectory(path)) return true;
    auto cut = path.find_last_of("/\\", path.size() > 1 ? path.size() - 2 : 0);
    if (cut != std::string::npos && cut > 0 && path[cut - 1] != ':' && !MakeDirectories(path.substr(0, cut), why))
        return false;
    if (CreateDirectoryW(Widen(path).c_str(), nullptr) || IsDirectory(path)) return true;
    if (why) *why = Describe("cannot create folder", path, GetLastError());
    return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    DWORD err = GetLastError();
    if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) return false;
    throw FileError(FileError::Kind::Write, from, 0, Describe("cannot rename", from, err) + " to \"" + to + "\"");
}

bool RemoveEmptyDirectory(const std::string& path) { return RemoveDirectoryW(Widen(path).c_str()) != 0; }

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        throw FileError(FileError::Kind::Open, path, 0, Describe("cannot open", path, GetLastError()));
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<DirEntry> ListDirectory(const std::string& path) {
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(Widen(JoinPath(path, "*")).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND) return {};
        throw FileError(FileError::Kind::Open, path, 0, Describe("cannot list", path, err));
    }
    std::vector<DirEntry> out;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        DirEntry e;
        e.name = Narrow(name);
        DWORD a = found.dwFileAttributes;
        e.kind = KindOfAttributes(a);
        e.regular = !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
        e.hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0;
        e.system = (a & FILE_ATTRIBUTE_SYSTEM) != 0;
        out.push_back(std::move(e));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return out;
}

}  // namespace quill::platform
