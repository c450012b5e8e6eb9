#include "FileStreams.h"
#include "ShownName.h"
#include "StreamIo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <system_error>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tainoteka::cli {
namespace {

const std::string kStandardInput = "standard input";
const std::string kStandardOutput = "standard output";

// The system's own words for the last failure.
TOutcome SystemFailure(const std::string& name)
{
    return Failure(TExitCode::FileError, name + ": " + std::strerror(errno));
}

} // namespace

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

bool StatOf(const std::string& path, struct _stat64& info)
{
    return _wstat64(Wide(path).c_str(), &info) == 0;
}

std::wstring FullPath(const std::string& path)
{
    wchar_t full[32768];
    if (!_wfullpath(full, Wide(path).c_str(), std::size(full)))
        return Wide(path);
    std::wstring text = full;
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

} // namespace

TInputFile::~TInputFile()
{
    if (owned_ && fd_ >= 0)
        _close(fd_);
}

TOutcome TInputFile::Open(const std::string& path)
{
    if (path.empty()) {
        _setmode(0, _O_BINARY);
        fd_ = 0;
        name_ = kStandardInput;
        return Success();
    }
    name_ = ShownName(path);
    fd_ = _wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY);
    if (fd_ < 0)
        return SystemFailure(name_);
    owned_ = true;
    return Success();
}

TOutcome TOutputFile::Open(const std::string& path, TOutputAccess)
{
    if (path.empty()) {
        _setmode(1, _O_BINARY);
        fd_ = 1;
        name_ = kStandardOutput;
        return Success();
    }
    name_ = ShownName(path);
    struct _stat64 info {};
    if (StatOf(path, info) && (info.st_mode & _S_IFMT) != _S_IFREG) {
        fd_ = _wopen(Wide(path).c_str(), _O_WRONLY | _O_BINARY);
        if (fd_ < 0)
            return SystemFailure(name_);
        owned_ = true;
        return Success();
    }
    if (const int error = replacement_.Open(path, _S_IREAD | _S_IWRITE); error != 0) {
        errno = error;
        return SystemFailure(name_);
    }
    replacing_ = true;
    fd_ = replacement_.Descriptor();
    return Success();
}

TOutcome TOutputFile::Commit()
{
    if (replacing_)
        return CommitReplacement();
    if (owned_ && fd_ >= 0) {
        const bool closed = _close(fd_) == 0;
        fd_ = -1;
        if (!closed)
            return SystemFailure(name_);
    }
    return Success();
}

void TOutputFile::Discard()
{
    DiscardReplacement();
    if (owned_ && fd_ >= 0)
        _close(fd_);
    fd_ = -1;
}

TOutcome RefuseOutputOntoInput(const std::string& input, const std::string& output)
{
    struct _stat64 in {}, out {};
    if (input.empty() || output.empty() || !StatOf(input, in) || !StatOf(output, out))
        return Success();
    if ((in.st_mode & _S_IFMT) != _S_IFREG || FullPath(input) != FullPath(output))
        return Success();
    return Failure(TExitCode::Usage, "-o " + ShownName(output) + " is the input file itself; write to another file");
}

#else

namespace {

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The descriptor that path names when it is one of the program's own open
// files (/dev/stdout, /dev/fd/N, or the very file standard output or error
// was sent to); -1 otherwise. Such a file is written through that descriptor,
// where its offset and append mode are.
int OwnDescriptorNamed(const std::string& path, const struct stat* existing)
{
    if (path == "/dev/stdout")
        return 1;
    if (path == "/dev/stderr")
        return 2;
    for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (path.rfind(prefix, 0) != 0 || path.size() == prefix.size())
            continue;
        const std::string number = path.substr(prefix.size());
        if (number.find_first_not_of("0123456789") == std::string::npos && number.size() < 8)
            return std::atoi(number.c_str());
    }
    if (!existing)
        return -1;
    for (const int fd : {1, 2}) {
        struct stat own {};
        if (fstat(fd, &own) == 0 && SameFile(own, *existing))
            return fd;
    }
    return -1;
}

// A signal that ends the program while a temporary file is being written
// removes that file first: it may hold plain text.
char gTemporary[PATH_MAX + 1];
volatile sig_atomic_t gHasTemporary = 0;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction gPreviousActions[std::size(kEndingSignals)];

extern "C" void RemoveTemporaryAndResignal(int signal)
{
    if (gHasTemporary)
        ::unlink(gTemporary);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void GuardTemporary(const std::string& path)
{
    if (path.size() > PATH_MAX)
        return;
    std::memcpy(gTemporary, path.c_str(), path.size() + 1);
    gHasTemporary = 1;
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndResignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
        sigaction(kEndingSignals[i], &action, &gPreviousActions[i]);
}

void UnguardTemporary()
{
    if (!gHasTemporary)
        return;
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
        sigaction(kEndingSignals[i], &gPreviousActions[i], nullptr);
    gHasTemporary = 0;
}

mode_t UsualNewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The file that a link names is the one replaced, not the link.
std::string ReplacedFile(const std::string& path)
{
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

} // namespace

TInputFile::~TInputFile()
{
    if (owned_ && fd_ >= 0)
        ::close(fd_);
}

TOutcome TInputFile::Open(const std::string& path)
{
    if (path.empty()) {
        fd_ = 0;
        name_ = kStandardInput;
        return Success();
    }
    name_ = ShownName(path);
    fd_ = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0)
        return SystemFailure(name_);
    owned_ = true;
    return Success();
}

TOutcome TOutputFile::Open(const std::string& path, TOutputAccess access)
{
    name_ = path.empty() ? kStandardOutput : ShownName(path);
    struct stat existing {};
    const bool exists = !path.empty() && ::stat(path.c_str(), &existing) == 0;
    const int own = path.empty() ? 1 : OwnDescriptorNamed(path, exists ? &existing : nullptr);
    if (own >= 0) {
        fd_ = own;
        return Success();
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            return SystemFailure(name_);
        owned_ = true;
        return Success();
    }
    const mode_t mode = access == TOutputAccess::OwnerOnly ? mode_t(0600)
                        : exists                          ? mode_t(existing.st_mode & 07777)
                                                          : UsualNewFileMode();
    if (const int error = replacement_.Open(ReplacedFile(path), mode); error != 0) {
        errno = error;
        return SystemFailure(name_);
    }
    replacing_ = true;
    fd_ = replacement_.Descriptor();
    if (replacement_.Named())
        GuardTemporary(replacement_.TemporaryName());
    return Success();
}

TOutcome TOutputFile::Commit()
{
    if (replacing_) {
        UnguardTemporary();
        return CommitReplacement();
    }
    if (owned_ && fd_ >= 0) {
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!closed)
            return SystemFailure(name_);
    }
    return Success();
}

void TOutputFile::Discard()
{
    DiscardReplacement();
    UnguardTemporary();
    if (owned_ && fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

TOutcome RefuseOutputOntoInput(const std::string& input, const std::string& output)
{
    struct stat in {}, out {};
    if (input.empty() || output.empty() || ::stat(input.c_str(), &in) != 0 || ::stat(output.c_str(), &out) != 0)
        return Success();
    if (!S_ISREG(in.st_mode) || !SameFile(in, out))
        return Success();
    return Failure(TExitCode::Usage, "-o " + ShownName(output) + " is the input file itself; write to another file");
}

#endif

TOutputFile::~TOutputFile()
{
    Discard();
}

TOutcome TOutputFile::CommitReplacement()
{
    replacing_ = false;
    fd_ = -1;
    if (const int error = replacement_.Commit(); error != 0) {
        errno = error;
        return SystemFailure(name_);
    }
    return Success();
}

// The replacement owns its descriptor; a dropped one leaves nothing behind.
void TOutputFile::DiscardReplacement()
{
    if (!replacing_)
        return;
    replacement_.Discard();
    replacing_ = false;
    fd_ = -1;
}

TOutcome TInputFile::Read(char* buffer, std::size_t capacity, std::size_t& got)
{
    got = 0;
    const long read = ReadSome(fd_, buffer, capacity);
    if (read < 0)
        return SystemFailure(name_);
    got = static_cast<std::size_t>(read);
    return Success();
}

TOutcome TOutputFile::Write(std::string_view data)
{
    while (!data.empty()) {
        const long put = WriteSome(fd_, data.data(), data.size());
        if (put < 0)
            return SystemFailure(name_);
        if (put == 0) {
            errno = EIO;
            return SystemFailure(name_);
        }
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return Success();
}

} // namespace tainoteka::cli
