#pragma once
// Whether the screen is locked, and since when: logind's LockedHint on this login session
// (on the system bus), and the screen saver's ActiveChanged (on the session bus).

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>

class ScreenLockWatch : public QObject {
    Q_OBJECT
  public:
    ScreenLockWatch(QDBusConnection sessionBus, QDBusConnection systemBus,
                    std::function<double()> monotonicSeconds, QObject* parent = nullptr);
    // Seconds since the screen locked, or nothing while it is not locked.
    std::optional<double> LockedSeconds() const;

  private slots:
    void ScreenSaverActiveChanged(bool active);
    void SessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);

  private:
    void WatchScreenSaver();
    void WatchLoginSession();
    void WatchSessionAt(const QString& path);
    // Either source may say so; the screen counts as locked while one of them does.
    void Update();

    QDBusConnection session_;
    QDBusConnection system_;
    std::function<double()> now_;
    bool saverActive_ = false;
    bool sessionLocked_ = false;
    std::optional<double> lockedAt_;
};
