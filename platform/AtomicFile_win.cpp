// The file layer on Windows, on the Win32 calls themselves so that every
// failure carries the system's own reason.
#include "AtomicFile.h"

#include <QDir>

#include <algorithm>
#include <string>

#include <windows.h>

#include "ReplacementFile.h"
#include "SystemError.h"

namespace tainoteka {
namespace {

class THandle {
public:
    explicit THandle(HANDLE handle) : handle_(handle) {}
    ~THandle()
    {
        if (Valid())
            CloseHandle(handle_);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // 0, or the error the system gives while closing.
    DWORD Close()
    {
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed ? 0 : GetLastError();
    }

private:
    HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

std::wstring Wide(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

TFileResult Success() { return {true, {}, 0}; }

TFileResult Outcome(const QString& path, DWORD error)
{
    return error == 0 ? Success() : WindowsFileFailure(path, error);
}

DWORD WriteAll(HANDLE file, const char* bytes, qsizetype count)
{
    while (count > 0) {
        const DWORD chunk = DWORD(std::min<qsizetype>(count, qsizetype(1) << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr))
            return GetLastError();
        bytes += written;
        count -= written;
    }
    return 0;
}

DWORD FinalPathOf(HANDLE file, std::wstring& resolved)
{
    resolved.assign(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file, resolved.data(), DWORD(resolved.size()), FILE_NAME_NORMALIZED);
    if (length >= resolved.size()) {
        resolved.assign(length + 1, L'\0');
        length = GetFinalPathNameByHandleW(file, resolved.data(), DWORD(resolved.size()), FILE_NAME_NORMALIZED);
    }
    if (length == 0 || length >= resolved.size())
        return GetLastError() ? GetLastError() : ERROR_INVALID_PARAMETER;
    resolved.resize(length);
    return 0;
}

// The file a path names: a symbolic link is followed, so that the link keeps
// pointing at the document instead of being replaced by a copy.
std::wstring TargetOf(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == kNoAttributes || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    THandle file(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::wstring resolved;
    if (!file.Valid() || FinalPathOf(file.Get(), resolved) != 0)
        return path;
    return resolved;
}

// A disk file, as opposed to a device (NUL, COM1) or a pipe.
bool IsDiskFile(const std::wstring& path)
{
    THandle file(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !file.Valid() || GetFileType(file.Get()) == FILE_TYPE_DISK;
}

// A program that holds the file open without letting others replace it
// (ERROR_SHARING_VIOLATION) stops the save before anything is written.
DWORD HeldByAnotherProgram(const std::wstring& path)
{
    THandle file(CreateFileW(path.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.Valid())
        return 0;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? error : 0;
}

std::string Utf8(const std::wstring& text) { return QString::fromStdWString(text).toStdString(); }

std::size_t NameStart(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? 0 : slash + 1;
}

// Left-overs of a killed save go before a new temporary file is made.
void RemoveLeftOversBeside(const std::wstring& target)
{
    const std::string folder = Utf8(target.substr(0, NameStart(target)));
    RemoveLeftOverTemporaries(folder.empty() ? std::string(".") : folder);
}

std::wstring TemporaryBeside(const std::wstring& target)
{
    const std::size_t nameStart = NameStart(target);
    const std::string name = OurTemporaryName(Utf8(target.substr(0, nameStart)), Utf8(target.substr(nameStart)));
    return QString::fromStdString(name).toStdWString();
}

struct TTemporaryFile {
    std::wstring Name;
    HANDLE Handle = INVALID_HANDLE_VALUE;
    DWORD Error = 0;
};

// The new file takes the old one's attributes (hidden, archive) but never
// the read-only one, which would stop the replacement.
TTemporaryFile CreateTemporary(const std::wstring& target, DWORD oldAttributes)
{
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (oldAttributes != kNoAttributes)
        attributes = (oldAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)) |
                     FILE_ATTRIBUTE_NORMAL;
    RemoveLeftOversBeside(target);
    TTemporaryFile temporary;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.Name = TemporaryBeside(target);
        temporary.Handle = CreateFileW(temporary.Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (temporary.Handle != INVALID_HANDLE_VALUE)
            return temporary;
        temporary.Error = GetLastError();
        if (temporary.Error != ERROR_FILE_EXISTS && temporary.Error != ERROR_ALREADY_EXISTS)
            break;
    }
    return temporary;
}

// ReplaceFileW keeps the old file's security, streams and creation time
// (its write-through flag is documented as unsupported: the new file was
// flushed before); where it cannot (some network shares), a plain replacing
// move.
DWORD PutInPlaceOf(const std::wstring& target, const std::wstring& temporary, bool existed)
{
    if (existed &&
        ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return 0;
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return GetLastError();
}

struct TTemporaryOutcome {
    bool Created = false; // the folder let us make the temporary file
    DWORD Error = 0;
};

TTemporaryOutcome WriteThroughTemporary(const std::wstring& target, const QByteArray& data, DWORD oldAttributes)
{
    TTemporaryFile temporary = CreateTemporary(target, oldAttributes);
    if (temporary.Handle == INVALID_HANDLE_VALUE)
        return {false, temporary.Error};
    THandle file(temporary.Handle);
    DWORD error = WriteAll(file.Get(), data.constData(), data.size());
    if (error == 0 && !FlushFileBuffers(file.Get()))
        error = GetLastError();
    if (const DWORD closed = file.Close(); error == 0)
        error = closed;
    if (error == 0)
        error = PutInPlaceOf(target, temporary.Name, oldAttributes != kNoAttributes);
    if (error != 0)
        DeleteFileW(temporary.Name.c_str());
    return {true, error};
}

bool IsOutOfRoom(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == kWindowsErrorQuotaExceeded ||
           error == ERROR_FILE_TOO_LARGE;
}

// Claims the room a longer file needs before any old byte is overwritten, so
// that a full disk or quota is reported with the old file still whole.
DWORD ReserveSpace(HANDLE file, qsizetype newSize)
{
    LARGE_INTEGER oldSize{};
    if (!GetFileSizeEx(file, &oldSize) || newSize <= oldSize.QuadPart)
        return 0;
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = newSize;
    if (SetFileInformationByHandle(file, FileAllocationInfo, &room, sizeof room))
        return 0;
    const DWORD error = GetLastError();
    return IsOutOfRoom(error) ? error : 0; // not supported here: just write
}

DWORD CutAt(HANDLE file, qsizetype size)
{
    LARGE_INTEGER end{};
    end.QuadPart = size;
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
        return GetLastError();
    return 0;
}

DWORD WriteInPlace(const std::wstring& target, const QByteArray& data, bool disk)
{
    THandle file(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return GetLastError();
    DWORD error = disk ? ReserveSpace(file.Get(), data.size()) : 0;
    if (error == 0)
        error = WriteAll(file.Get(), data.constData(), data.size());
    if (error == 0 && disk)
        error = CutAt(file.Get(), data.size());
    if (error == 0 && disk && !FlushFileBuffers(file.Get()))
        error = GetLastError();
    if (const DWORD closed = file.Close(); error == 0)
        error = closed;
    return error;
}

bool FolderRefusesNewFiles(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT; }

DWORD ReadAll(HANDLE file, QByteArray& data)
{
    LARGE_INTEGER size{};
    const bool sized = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size);
    QByteArray read;
    qsizetype used = 0;
    // A disk file is read into a buffer of its size; anything else (or a
    // file that grows meanwhile) in growing steps.
    qsizetype room = sized ? qsizetype(size.QuadPart) + 1 : 64 * 1024;
    for (;;) {
        if (read.size() - used < 1)
            read.resize(used + room);
        const DWORD wanted = DWORD(std::min<qsizetype>(read.size() - used, qsizetype(1) << 30));
        DWORD got = 0;
        if (!ReadFile(file, read.data() + used, wanted, &got, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
                break;
            return error;
        }
        if (got == 0)
            break;
        used += got;
        room = std::max<qsizetype>(used, 64 * 1024);
    }
    read.truncate(used);
    data = std::move(read);
    return 0;
}

} // namespace

TFileResult WindowsFileFailure(const QString& path, unsigned long code)
{
    TFileResult failure = FileFailure(path, WindowsErrorText(code));
    failure.SystemError = int(code);
    return failure;
}

TFileResult WriteFileAtomically(const QString& path, const QByteArray& data, const TInPlaceWrite& inPlace)
{
    const std::wstring target = TargetOf(Wide(path));
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != kNoAttributes;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return WindowsFileFailure(path, kWindowsErrorIsFolder);
    if (!IsDiskFile(target))
        return Outcome(path, WriteInPlace(target, data, false));
    // A file its owner marked read-only stays as it is, though the folder would let us replace it.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return WindowsFileFailure(path, ERROR_FILE_READ_ONLY);
    if (const DWORD held = exists ? HeldByAnotherProgram(target) : 0; held != 0)
        return WindowsFileFailure(path, held);
    const TTemporaryOutcome atomic = WriteThroughTemporary(target, data, attributes);
    if (atomic.Created || !exists || !FolderRefusesNewFiles(atomic.Error))
        return Outcome(path, atomic.Error);
    if (inPlace)
        return inPlace(path, data);
    return Outcome(path, WriteInPlace(target, data, true));
}

TFileResult WriteFileInPlace(const QString& path, const QByteArray& data)
{
    return Outcome(path, WriteInPlace(TargetOf(Wide(path)), data, true));
}

TFileResult ReadWholeFile(const QString& path, QByteArray& data)
{
    const std::wstring name = Wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return WindowsFileFailure(path, kWindowsErrorIsFolder);
    THandle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return WindowsFileFailure(path, GetLastError());
    return Outcome(path, ReadAll(file.Get(), data));
}

std::optional<TFileStamp> RegularFileStamp(const QString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsDiskFile(Wide(path)))
        return std::nullopt;
    return TFileStamp{(qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                      (qint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime};
}

} // namespace tainoteka
