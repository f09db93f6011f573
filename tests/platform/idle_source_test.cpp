// The desktop idle source against doubles of GNOME's idle monitor, the desktop's screen
// saver and logind, served on private buses of their own: which route answers first, and a
// locked screen counting as idle from the moment it locked.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "platform/idle_source.h"

namespace {

// A dbus-daemon of its own, ended with the test.
class PrivateBus {
  public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (daemon_.waitForReadyRead(5000)) {
            address = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QDBusConnection Connect(const QString& name) const {
        return QDBusConnection::connectToBus(address, name);
    }
    QString address;

  private:
    QProcess daemon_;
};

// Answers the methods it was given, each by its path, interface and name; it lives on a
// thread of its own, since the idle source blocks this one while it waits for an answer.
class ServiceDouble : public QDBusVirtualObject {
  public:
    using Answer = std::function<QVariantList(const QDBusMessage&)>;
    void On(const QString& path, const QString& interface, const QString& method, Answer answer) {
        answers_[path + u'|' + interface + u'|' + method] = std::move(answer);
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const auto found =
            answers_.find(message.path() + u'|' + message.interface() + u'|' + message.member());
        if (found == answers_.end()) {
            return false;
        }
        connection.send(message.createReply(found->second(message)));
        return true;
    }

  private:
    std::map<QString, Answer> answers_;
};

class Desktop {
  public:
    explicit Desktop(const PrivateBus& bus, const QString& name)
        : connection(bus.Connect(name)), name_(name) {
        service_.moveToThread(&thread_);
        thread_.start();
    }
    ~Desktop() {
        connection.unregisterObject(QStringLiteral("/"));
        thread_.quit();
        thread_.wait();
        QDBusConnection::disconnectFromBus(name_);
    }
    void Serve(const QString& service, const QString& path, const QString& interface,
               const QString& method, ServiceDouble::Answer answer) {
        service_.On(path, interface, method, std::move(answer));
        connection.registerService(service);
        connection.registerVirtualObject(QStringLiteral("/"), &service_, QDBusConnection::SubPath);
    }
    void Signal(const QString& path, const QString& interface, const QString& name,
                const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        connection.send(signal);
    }
    QDBusConnection connection;

  private:
    QString name_;
    ServiceDouble service_;
    QThread thread_;
};

const QString kSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/_31");

class IdleRoutes : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(sessionBus_.address.isEmpty()) << "dbus-daemon did not start";
        ASSERT_FALSE(systemBus_.address.isEmpty()) << "dbus-daemon did not start";
    }
    void ServeMutter(qulonglong idleMs) {
        session.Serve(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                      QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                      QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"),
                      [idleMs](const QDBusMessage&) { return QVariantList{idleMs}; });
    }
    void ServeScreenSaver(uint idleMs) {
        session.Serve(kSaver, kSaverPath, kSaver, QStringLiteral("GetSessionIdleTime"),
                      [idleMs](const QDBusMessage&) { return QVariantList{idleMs}; });
    }
    void ServeLogin(bool locked) {
        system.Serve(QStringLiteral("org.freedesktop.login1"),
                     QStringLiteral("/org/freedesktop/login1"),
                     QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"),
                     [](const QDBusMessage&) {
                         return QVariantList{QVariant::fromValue(QDBusObjectPath(kSessionPath))};
                     });
        system.Serve(QStringLiteral("org.freedesktop.login1"), kSessionPath,
                     QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                     [locked](const QDBusMessage&) {
                         return QVariantList{QVariant::fromValue(QDBusVariant(locked))};
                     });
    }
    void SetLockedHint(bool locked) {
        system.Signal(kSessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"),
                      {QStringLiteral("org.freedesktop.login1.Session"),
                       QVariantMap{{QStringLiteral("LockedHint"), locked}}, QStringList()});
    }
    std::unique_ptr<DesktopIdleSource> MakeSource() {
        return std::make_unique<DesktopIdleSource>(sessionBus_.Connect(QStringLiteral("idle.s")),
                                                   systemBus_.Connect(QStringLiteral("idle.y")),
                                                   [this] { return now; });
    }
    // Lets the signals and the source's first questions arrive.
    static void Settle() {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 300) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(QStringLiteral("idle.s"));
        QDBusConnection::disconnectFromBus(QStringLiteral("idle.y"));
    }

    double now = 1000.0;

  private:
    PrivateBus sessionBus_;
    PrivateBus systemBus_;

  protected:
    Desktop session{sessionBus_, QStringLiteral("double.s")};
    Desktop system{systemBus_, QStringLiteral("double.y")};
};

TEST_F(IdleRoutes, GnomesIdleMonitorComesBeforeTheScreenSaverWhichAnswersAlone) {
    ServeScreenSaver(7000);
    {
        auto alone = MakeSource();
        EXPECT_EQ(alone->IdleSeconds(), 7.0);
    }
    ServeMutter(42500);
    auto gnome = MakeSource();
    EXPECT_EQ(gnome->IdleSeconds(), 42.5);
}

TEST_F(IdleRoutes, WhereNothingAnswersItTellsNothing) {
    ServeLogin(true);
    auto source = MakeSource();
    Settle();
    EXPECT_EQ(source->IdleSeconds(), std::nullopt);
}

TEST_F(IdleRoutes, TheScreenSaverTurningOnCountsAsIdleFromThatMoment) {
    ServeScreenSaver(0);
    auto source = MakeSource();
    Settle();
    EXPECT_EQ(source->IdleSeconds(), 0.0);
    session.Signal(kSaverPath, kSaver, QStringLiteral("ActiveChanged"), {true});
    Settle();
    now += 90;
    EXPECT_EQ(source->IdleSeconds(), 90.0);
    session.Signal(kSaverPath, kSaver, QStringLiteral("ActiveChanged"), {false});
    Settle();
    EXPECT_EQ(source->IdleSeconds(), 0.0);
}

TEST_F(IdleRoutes, LoginsLockedHintCountsAsIdleFromTheLockOrFromStartWhenAlreadyLocked) {
    ServeMutter(5000);
    ServeLogin(false);
    auto source = MakeSource();
    Settle();
    EXPECT_EQ(source->IdleSeconds(), 5.0);
    SetLockedHint(true);
    Settle();
    now += 600;
    EXPECT_EQ(source->IdleSeconds(), 600.0);
    SetLockedHint(false);
    Settle();
    EXPECT_EQ(source->IdleSeconds(), 5.0);

    ServeLogin(true);
    auto startedLocked = MakeSource();
    Settle();
    now += 30;
    EXPECT_EQ(startedLocked->IdleSeconds(), 30.0);
}

}  // namespace
