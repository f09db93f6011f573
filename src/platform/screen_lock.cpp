#include "platform/screen_lock.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kLockedHint = QStringLiteral("LockedHint");

// Runs `answered` with the reply once it comes, on this thread; startup never waits for it.
template <typename Reply>
void WhenAnswered(QObject* owner, const QDBusConnection& bus, const QDBusMessage& call,
                  std::function<void(const Reply&)> answered) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [watcher, answered = std::move(answered)] {
                         const Reply reply = *watcher;
                         if (!reply.isError()) {
                             answered(reply);
                         }
                         watcher->deleteLater();
                     });
}

}  // namespace

ScreenLockWatch::ScreenLockWatch(QDBusConnection sessionBus, QDBusConnection systemBus,
                                 std::function<double()> monotonicSeconds, QObject* parent)
    : QObject(parent),
      session_(std::move(sessionBus)),
      system_(std::move(systemBus)),
      now_(std::move(monotonicSeconds)) {
    WatchScreenSaver();
    WatchLoginSession();
}

std::optional<double> ScreenLockWatch::LockedSeconds() const {
    if (!lockedAt_) {
        return std::nullopt;
    }
    return now_() - *lockedAt_;
}

void ScreenLockWatch::WatchScreenSaver() {
    if (!session_.isConnected()) {
        return;
    }
    // KDE answers on both paths; the signal may come from whichever service holds the name.
    for (const QString& path :
         {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
        session_.connect(QString(), path, QStringLiteral("org.freedesktop.ScreenSaver"),
                         QStringLiteral("ActiveChanged"), this,
                         SLOT(ScreenSaverActiveChanged(bool)));
    }
}

void ScreenLockWatch::WatchLoginSession() {
    if (!system_.isConnected()) {
        return;
    }
    // "auto" is the caller's own session, for a program started outside one (by the
    // desktop's autostart, say) the person's display session.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID", QStringLiteral("auto"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        kLogin, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"));
    call << id;
    WhenAnswered<QDBusPendingReply<QDBusObjectPath>>(
        this, system_, call, [this](const QDBusPendingReply<QDBusObjectPath>& reply) {
            WatchSessionAt(reply.value().path());
        });
}

void ScreenLockWatch::WatchSessionAt(const QString& path) {
    system_.connect(kLogin, path, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(SessionPropertiesChanged(QString, QVariantMap, QStringList)));
    QDBusMessage get =
        QDBusMessage::createMethodCall(kLogin, path, kProperties, QStringLiteral("Get"));
    get << kSessionInterface << kLockedHint;
    WhenAnswered<QDBusPendingReply<QDBusVariant>>(
        this, system_, get, [this](const QDBusPendingReply<QDBusVariant>& reply) {
            sessionLocked_ = reply.value().variant().toBool();
            Update();
        });
}

void ScreenLockWatch::ScreenSaverActiveChanged(bool active) {
    saverActive_ = active;
    Update();
}

void ScreenLockWatch::SessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                               const QStringList& invalidated) {
    Q_UNUSED(invalidated);
    if (interface == kSessionInterface && changed.contains(kLockedHint)) {
        sessionLocked_ = changed.value(kLockedHint).toBool();
        Update();
    }
}

void ScreenLockWatch::Update() {
    const bool locked = saverActive_ || sessionLocked_;
    if (locked && !lockedAt_) {
        lockedAt_ = now_();
    } else if (!locked) {
        lockedAt_.reset();
    }
}
