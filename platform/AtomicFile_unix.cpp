// The file layer on POSIX systems, on the system calls themselves so that
// every failure carries the system's own reason.
#include "AtomicFile.h"
#include "FileName.h"
#include "ReplacementFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tainoteka {
namespace {

class TDescriptor {
public:
    explicit TDescriptor(int fd) : fd_(fd) {}
    ~TDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // 0, or the error of the last write that close() reports.
    int Close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd_;
};

int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= std::size_t(written);
    }
    return 0;
}

// The file a path names: a symbolic link is followed, so that the link keeps
// pointing at the document instead of being replaced by a copy.
QByteArray TargetOf(const QByteArray& path)
{
    struct stat link {};
    if (::lstat(path.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

struct TTemporaryOutcome {
    bool Created = false; // the folder let us make the temporary file
    int Error = 0;
};

TTemporaryOutcome WriteThroughTemporary(const QByteArray& target, const QByteArray& data, const struct stat* existing)
{
    TReplacementFile file;
    const int opened = file.Open(target.toStdString(), existing ? existing->st_mode & 07777 : NewFileMode());
    if (opened != 0)
        return {false, opened};
    if (existing) {
        [[maybe_unused]] const int owned = ::fchown(file.Descriptor(), existing->st_uid, existing->st_gid);
    }
    int error = WriteAll(file.Descriptor(), data.constData(), std::size_t(data.size()));
    if (error == 0)
        error = file.Commit();
    return {true, error};
}

// Claims the blocks a longer file needs before any old byte is overwritten,
// so that a full disk or quota is reported with the old file still whole.
int ReserveSpace(int fd, off_t oldSize, off_t newSize)
{
#ifdef __linux__
    if (newSize <= oldSize || ::fallocate(fd, 0, oldSize, newSize - oldSize) == 0)
        return 0;
    const int error = errno;
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? error : 0; // unsupported: just write
#else
    (void)fd;
    (void)oldSize;
    (void)newSize;
    return 0;
#endif
}

// Tests kill a save half-way through its in-place write: with this set, the
// process stops itself once that many bytes are written.
std::size_t InPlacePauseAt()
{
    bool given = false;
    const qlonglong bytes = qEnvironmentVariableIntValue("TAINOTEKA_TEST_IN_PLACE_PAUSE", &given);
    return given && bytes > 0 ? std::size_t(bytes) : SIZE_MAX;
}

int WriteInPlaceBytes(int fd, const QByteArray& data)
{
    const std::size_t size = std::size_t(data.size());
    const std::size_t pause = std::min(InPlacePauseAt(), size);
    int error = WriteAll(fd, data.constData(), pause);
    if (error == 0 && pause < size) {
        ::fdatasync(fd); // what a reader would find on disk at this moment
        ::raise(SIGSTOP);
        error = WriteAll(fd, data.constData() + pause, size - pause);
    }
    return error;
}

int WriteInPlace(const QByteArray& target, const QByteArray& data, bool regular)
{
    // A pipe without a reader fails at once instead of hanging the caller.
    TDescriptor file(::open(target.constData(), O_WRONLY | O_CLOEXEC | (regular ? 0 : O_NONBLOCK)));
    if (!file.Valid())
        return errno;
    if (!regular)
        ::fcntl(file.Get(), F_SETFL, ::fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
    int error = 0;
    if (regular) {
        struct stat now {};
        if (::fstat(file.Get(), &now) != 0)
            return errno;
        error = ReserveSpace(file.Get(), now.st_size, off_t(data.size()));
    }
    if (error == 0)
        error = regular ? WriteInPlaceBytes(file.Get(), data) : WriteAll(file.Get(), data.constData(), std::size_t(data.size()));
    if (error == 0 && regular && ::ftruncate(file.Get(), off_t(data.size())) != 0)
        error = errno;
    if (error == 0 && regular && ::fsync(file.Get()) != 0)
        error = errno;
    if (const int closed = file.Close(); error == 0)
        error = closed;
    return error;
}

bool FolderRefusesNewFiles(int error) { return error == EACCES || error == EPERM; }

} // namespace

TFileResult WriteFileAtomically(const QString& path, const QByteArray& data, const TInPlaceWrite& inPlace)
{
    const QByteArray target = TargetOf(FileNameForSystem(path));
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return SystemFileFailure(path, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) {
        const int error = WriteInPlace(target, data, false);
        return error == 0 ? TFileResult{true, {}, 0} : SystemFileFailure(path, error);
    }
    // A file its owner marked read-only stays as it is, though the folder would let us replace it.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return SystemFileFailure(path, errno);
    const TTemporaryOutcome atomic = WriteThroughTemporary(target, data, exists ? &existing : nullptr);
    if (atomic.Created || !exists || !FolderRefusesNewFiles(atomic.Error))
        return atomic.Error == 0 ? TFileResult{true, {}, 0} : SystemFileFailure(path, atomic.Error);
    if (inPlace)
        return inPlace(path, data);
    const int error = WriteInPlace(target, data, true);
    return error == 0 ? TFileResult{true, {}, 0} : SystemFileFailure(path, error);
}

TFileResult WriteFileInPlace(const QString& path, const QByteArray& data)
{
    const int error = WriteInPlace(TargetOf(FileNameForSystem(path)), data, true);
    return error == 0 ? TFileResult{true, {}, 0} : SystemFileFailure(path, error);
}

TFileResult ReadWholeFile(const QString& path, QByteArray& data)
{
    // Not blocking: a FIFO without a writer is refused instead of waited on.
    TDescriptor file(::open(FileNameForSystem(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.Valid())
        return SystemFileFailure(path, errno);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        return SystemFileFailure(path, errno);
    if (S_ISDIR(info.st_mode))
        return SystemFileFailure(path, EISDIR);
    if (!S_ISREG(info.st_mode))
        return FileFailure(path, NotAFileReason());
    QByteArray read;
    qsizetype used = 0;
    // Read into a buffer of its size, in growing steps if it grows meanwhile.
    qsizetype room = qsizetype(info.st_size) + 1;
    for (;;) {
        if (read.size() - used < 1)
            read.resize(used + room);
        const ssize_t got = ::read(file.Get(), read.data() + used, std::size_t(read.size() - used));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return SystemFileFailure(path, errno);
        }
        if (got == 0)
            break;
        used += got;
        room = std::max<qsizetype>(used, 64 * 1024);
    }
    read.truncate(used);
    data = std::move(read);
    return {true, {}, 0};
}

std::optional<TFileStamp> RegularFileStamp(const QString& path)
{
    struct stat info {};
    if (::stat(FileNameForSystem(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return TFileStamp{qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

} // namespace tainoteka
