// Screen locks and sleep on Linux, heard on D-Bus: the screen savers on the
// session bus, logind on the system bus.
#include "ScreenLock.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusMessage>
#include <QObject>

#include <unistd.h>

namespace tainoteka {
namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");

} // namespace

class TScreenLock::TImpl final : public QObject {
    Q_OBJECT
public:
    explicit TImpl(std::function<void()> locking) : locking_(std::move(locking))
    {
        QDBusConnection session = QDBusConnection::sessionBus();
        for (const char* saver : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"})
            session.connect(QString(), QString(), QLatin1String(saver), QStringLiteral("ActiveChanged"), this,
                            SLOT(ActiveChanged(bool)));
        QDBusConnection system = QDBusConnection::systemBus();
        if (!system.isConnected())
            return;
        system.connect(kLogin, kLoginPath, kManager, QStringLiteral("PrepareForSleep"), this,
                       SLOT(PrepareForSleep(bool)));
        FindOwnSession(system);
    }

private slots:
    void ActiveChanged(bool active)
    {
        if (active)
            locking_();
    }
    void PrepareForSleep(bool start)
    {
        if (start)
            locking_();
    }
    void Lock() { locking_(); }

private:
    // Lock is sent on the session's own object; asked for without waiting.
    void FindOwnSession(QDBusConnection system)
    {
        QDBusMessage ask = QDBusMessage::createMethodCall(kLogin, kLoginPath, kManager,
                                                          QStringLiteral("GetSessionByPID"));
        ask << quint32(::getpid());
        auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(ask), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, system](QDBusPendingCallWatcher* call) {
            const QDBusPendingReply<QDBusObjectPath> reply = *call;
            if (reply.isValid())
                QDBusConnection(system).connect(kLogin, reply.value().path(), kSession, QStringLiteral("Lock"), this,
                                                SLOT(Lock()));
            call->deleteLater();
        });
    }

    std::function<void()> locking_;
};

TScreenLock::TScreenLock(std::function<void()> locking) : impl_(std::make_unique<TImpl>(std::move(locking))) {}

TScreenLock::~TScreenLock() = default;

} // namespace tainoteka

#include "ScreenLock_unix.moc"
