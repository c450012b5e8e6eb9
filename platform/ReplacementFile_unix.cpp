// New file content on POSIX systems. On Linux it is written to an unnamed
// file (O_TMPFILE) that is linked into the folder only once it is complete.
#include "ReplacementFile.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tainoteka {
namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A temporary name of ours beside target.
std::string NameBeside(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    if (slash == std::string::npos)
        return OurTemporaryName({}, target);
    return OurTemporaryName(target.substr(0, slash + 1), target.substr(slash + 1));
}

void SyncFolder(const std::string& folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir); // best effort: the rename is already done
        ::close(dir);
    }
}

// The file system has no unnamed files, or /proc is not there to link one.
bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

void RemoveIfUnheld(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    // A writer holds its lock until the file has taken its final name.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(path.c_str());
    ::close(fd);
}

} // namespace

void RemoveLeftOverTemporaries(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsOurTemporaryName(entry->d_name))
            RemoveIfUnheld(folder + "/" + entry->d_name);
    }
    ::closedir(dir);
}

TReplacementFile::~TReplacementFile() { Discard(); }

int TReplacementFile::Open(const std::string& target, unsigned permissions)
{
    Discard();
    target_ = target;
    const std::string folder = FolderOf(target);
    RemoveLeftOverTemporaries(folder);
    const int unnamed = OpenUnnamed(folder, permissions);
    if (unnamed == 0 || !NoUnnamedFiles(unnamed))
        return unnamed;
    return OpenNamed(permissions);
}

int TReplacementFile::OpenUnnamed(const std::string& folder, unsigned permissions)
{
#ifdef O_TMPFILE
    if (::access("/proc/self/fd", X_OK) != 0)
        return EOPNOTSUPP;
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return errno;
    // Locked like a named one, so that the moment it has a name of ours no
    // other writer takes it for a left-over.
    ::flock(fd_, LOCK_EX);
    if (::fchmod(fd_, permissions) != 0) {
        const int error = errno;
        Discard();
        return error;
    }
    return 0;
#else
    (void)folder;
    (void)permissions;
    return EOPNOTSUPP;
#endif
}

int TReplacementFile::OpenNamed(unsigned permissions)
{
    for (int attempt = 0; fd_ < 0; ++attempt) {
        const std::string name = NameBeside(target_);
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno == EEXIST && attempt < 100)
            continue;
        if (fd_ < 0)
            return errno;
        temporary_ = name;
        ::flock(fd_, LOCK_EX);
        struct stat info {};
        // Another writer's sweep may have taken it between creation and lock.
        if (::fstat(fd_, &info) == 0 && info.st_nlink > 0)
            break;
        ::close(fd_);
        fd_ = -1;
        temporary_.clear();
    }
    if (::fchmod(fd_, permissions) != 0) {
        const int error = errno;
        Discard();
        return error;
    }
    return 0;
}

// Gives the unnamed content a name of ours beside the target.
int TReplacementFile::LinkBeside()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = NameBeside(target_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int TReplacementFile::Commit()
{
    int error = ::fsync(fd_) == 0 ? 0 : errno;
    if (error == 0 && temporary_.empty())
        error = LinkBeside();
    // Renamed while still open and locked, so no sweep takes it meanwhile;
    // the content is on disk already, so closing cannot lose any of it.
    if (error == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        Discard();
        return error;
    }
    temporary_.clear();
    ::close(fd_);
    fd_ = -1;
    SyncFolder(FolderOf(target_));
    return 0;
}

void TReplacementFile::Discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

} // namespace tainoteka
