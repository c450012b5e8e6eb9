// New file content on Windows: a temporary file of ours beside the target,
// held open without delete sharing so that no other writer's sweep can
// take it, and moved over the target once complete.
#include "ReplacementFile.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <windows.h>

namespace tainoteka {
namespace {

std::wstring Wide(const std::string& utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

std::string Utf8(const wchar_t* wide)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = LastSeparator(path);
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string NameBeside(const std::string& target)
{
    const std::size_t slash = LastSeparator(target);
    if (slash == std::string::npos)
        return OurTemporaryName({}, target);
    return OurTemporaryName(target.substr(0, slash + 1), target.substr(slash + 1));
}

int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    default: return EIO;
    }
}

} // namespace

void RemoveLeftOverTemporaries(const std::string& folder)
{
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/')
        prefix += '\\';
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(Wide(prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = Utf8(found.cFileName);
        // A file another writer holds open refuses to be deleted.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsOurTemporaryName(name))
            DeleteFileW(Wide(prefix + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

TReplacementFile::~TReplacementFile() { Discard(); }

int TReplacementFile::Open(const std::string& target, unsigned permissions)
{
    Discard();
    target_ = target;
    RemoveLeftOverTemporaries(FolderOf(target));
    return OpenNamed(permissions);
}

int TReplacementFile::OpenNamed(unsigned permissions)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = NameBeside(target_);
        const errno_t error = _wsopen_s(&fd_, Wide(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                                        _SH_DENYRW, int(permissions));
        if (error == 0) {
            temporary_ = name;
            return 0;
        }
        fd_ = -1;
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

int TReplacementFile::Commit()
{
    int error = _commit(fd_) == 0 ? 0 : errno;
    if (_close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    if (error == 0 && !MoveFileExW(Wide(temporary_).c_str(), Wide(target_).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ErrnoOf(GetLastError());
    if (error != 0) {
        Discard();
        return error;
    }
    temporary_.clear();
    return 0;
}

void TReplacementFile::Discard()
{
    if (fd_ >= 0)
        _close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        DeleteFileW(Wide(temporary_).c_str());
    temporary_.clear();
}

} // namespace tainoteka
