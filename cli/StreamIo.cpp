#include "StreamIo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tainoteka::cli {

#ifdef _WIN32
long ReadSome(int fd, char* buffer, std::size_t size)
{
    _setmode(fd, _O_BINARY);
    return _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}
long WriteSome(int fd, const char* data, std::size_t size)
{
    _setmode(fd, _O_BINARY);
    return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}
#else
long ReadSome(int fd, char* buffer, std::size_t size)
{
    ssize_t got;
    do
        got = ::read(fd, buffer, size);
    while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
}
long WriteSome(int fd, const char* data, std::size_t size)
{
    ssize_t put;
    do
        put = ::write(fd, data, size);
    while (put < 0 && errno == EINTR);
    return static_cast<long>(put);
}
#endif

namespace {

TOutcome SystemFailure(const std::string& name)
{
    return Failure(TExitCode::FileError, name + ": " + std::strerror(errno));
}

} // namespace

TOutcome WriteStandardOutput(std::string_view data)
{
    while (!data.empty()) {
        const long put = WriteSome(1, data.data(), data.size());
        if (put <= 0)
            return SystemFailure("standard output");
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return Success();
}

TOutcome ReadLineFromDescriptor(int fd, std::size_t limit, const std::string& name, std::string& line)
{
    line.clear();
    for (;;) {
        char ch = 0;
        const long got = ReadSome(fd, &ch, 1);
        if (got < 0)
            return SystemFailure(name);
        if (got == 0 || ch == '\n')
            return Success();
        if (line.size() == limit)
            return Failure(TExitCode::Usage, name + ": no line end within the first " + std::to_string(limit) +
                                                 " bytes; that is not a password line");
        line += ch;
    }
}

} // namespace tainoteka::cli
