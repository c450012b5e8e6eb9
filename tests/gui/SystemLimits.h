#pragma once
// Ways to make the file system refuse a write for any user, root included,
// so that the failure paths run on every machine.
#include <QDirIterator>
#include <QFile>
#include <QString>

#include <csignal>
#include <functional>
#include <string>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tainoteka::test {

#ifdef Q_OS_UNIX
// While alive, no file of this process may grow past `bytes`: a longer write
// fails with EFBIG ("Файл слишком велик"), whoever runs it.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousSignal_ = std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of killing us
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousSignal_)(int) = SIG_DFL;
};

// While alive the process may take only `room` more bytes of address space.
class TAddressSpaceLimit {
public:
    explicit TAddressSpaceLimit(quint64 room)
    {
        ::getrlimit(RLIMIT_AS, &saved_);
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        quint64 used = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmSize:"))
                used = line.mid(7).trimmed().split(' ').value(0).toULongLong() * 1024;
        rlimit limited = saved_;
        limited.rlim_cur = used + room;
        ::setrlimit(RLIMIT_AS, &limited);
    }
    ~TAddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &saved_); }

private:
    rlimit saved_{};
};

namespace detail {
inline void ChangeOwner(const QString& folder, uid_t user, gid_t group)
{
    [[maybe_unused]] int ignored = ::chown(QFile::encodeName(folder).constData(), user, group);
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext())
        ignored = ::lchown(QFile::encodeName(entries.next()).constData(), user, group);
}
} // namespace detail

// Runs check as a user whom file permissions bind. An ordinary user runs it
// as it is; root hands the folder to "nobody" and runs it in a child process
// that has given up root. check returns "" when everything held, else what
// went wrong; so does this.
inline std::string AsUserBoundByPermissions(const QString& folder, const std::function<std::string()>& check)
{
    if (::geteuid() != 0)
        return check();
    constexpr uid_t kNobody = 65534;
    detail::ChangeOwner(folder, kNobody, kNobody);
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string outcome = "could not give up root";
        if (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
            outcome = check();
        [[maybe_unused]] const ssize_t sent = ::write(channel[1], outcome.data(), outcome.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string outcome;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        outcome.append(buffer, std::size_t(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    detail::ChangeOwner(folder, 0, 0);
    if (!WIFEXITED(status))
        return "the unprivileged check ended abnormally";
    return outcome;
}
#endif

} // namespace tainoteka::test
