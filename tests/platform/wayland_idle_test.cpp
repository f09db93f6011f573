// The Wayland idle watch against a compositor of our own (tests/wayland/idle_compositor)
// over a real Wayland socket: which protocol it chooses, and the seconds it counts between
// the compositor's "idle" and "resumed".
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <wayland-client.h>

#include "platform/wayland_idle.h"

namespace {

class IdleCompositor {
  public:
    explicit IdleCompositor(const QStringList& offers) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(HORAVEL_IDLE_COMPOSITOR), offers);
        const QString name = NextLine();
        if (!name.isEmpty()) {
            display_ = wl_display_connect(qPrintable(runtime_.filePath(name)));
        }
    }
    ~IdleCompositor() {
        if (display_ != nullptr) {
            wl_display_disconnect(display_);
        }
        End();
    }
    wl_display* display() const { return display_; }
    void Tell(const char* command) {
        process_.write(QByteArray(command) + '\n');
        process_.waitForBytesWritten(2000);
    }
    // What the compositor says next: its socket, then what the clients asked for.
    QString NextLine() {
        QDeadlineTimer deadline(5000);
        while (!process_.canReadLine() && !deadline.hasExpired()) {
            process_.waitForReadyRead(100);
        }
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    void End() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

  private:
    QTemporaryDir runtime_;
    QProcess process_;
    wl_display* display_ = nullptr;
};

// Asks until the answer is `expected`; the compositor's events arrive when they do.
std::optional<double> AskUntil(WaylandIdleWatch& watch, std::optional<double> expected) {
    std::optional<double> seconds;
    QDeadlineTimer deadline(5000);
    while ((seconds = watch.IdleSeconds()) != expected && !deadline.hasExpired()) {
        QThread::msleep(10);
    }
    return seconds;
}

double now = 1000.0;

TEST(WaylandIdle, ExtIdleNotifyComesFirstAndCountsFromTheIdleEventLessTheTimeout) {
    IdleCompositor compositor({QStringLiteral("kde"), QStringLiteral("ext")});
    ASSERT_NE(compositor.display(), nullptr) << "the idle compositor did not start";
    WaylandIdleWatch watch(
        compositor.display(), [] { return now; }, 2000);
    EXPECT_EQ(watch.protocol(), WaylandIdleWatch::Protocol::ExtIdleNotify);
    EXPECT_EQ(compositor.NextLine(), QStringLiteral("ext 2000"));
    EXPECT_EQ(watch.IdleSeconds(), 0.0);

    compositor.Tell("idled");
    EXPECT_EQ(AskUntil(watch, 2.0), 2.0);
    now += 300;
    EXPECT_EQ(watch.IdleSeconds(), 302.0);
    compositor.Tell("resumed");
    EXPECT_EQ(AskUntil(watch, 0.0), 0.0);
}

TEST(WaylandIdle, KdesIdleAnswersWhereItIsTheOnlyOneAndNeitherMeansNothing) {
    IdleCompositor kde({QStringLiteral("kde")});
    ASSERT_NE(kde.display(), nullptr) << "the idle compositor did not start";
    WaylandIdleWatch watch(kde.display(), [] { return now; });
    EXPECT_EQ(watch.protocol(), WaylandIdleWatch::Protocol::KdeIdle);
    EXPECT_EQ(kde.NextLine(), QStringLiteral("kde %1").arg(WaylandIdleWatch::kTimeoutMs));
    kde.Tell("idled");
    EXPECT_EQ(AskUntil(watch, WaylandIdleWatch::kTimeoutMs / 1000.0),
              WaylandIdleWatch::kTimeoutMs / 1000.0);
    kde.Tell("resumed");
    EXPECT_EQ(AskUntil(watch, 0.0), 0.0);

    IdleCompositor neither({});
    ASSERT_NE(neither.display(), nullptr) << "the idle compositor did not start";
    WaylandIdleWatch none(neither.display(), [] { return now; });
    EXPECT_EQ(none.protocol(), WaylandIdleWatch::Protocol::NotOffered);
    EXPECT_EQ(none.IdleSeconds(), std::nullopt);
}

TEST(WaylandIdle, ACompositorThatGoesAwayLeavesItTellingNothing) {
    IdleCompositor compositor({QStringLiteral("ext")});
    ASSERT_NE(compositor.display(), nullptr) << "the idle compositor did not start";
    WaylandIdleWatch watch(compositor.display(), [] { return now; });
    EXPECT_EQ(watch.IdleSeconds(), 0.0);
    compositor.End();
    EXPECT_EQ(AskUntil(watch, std::nullopt), std::nullopt);
}

}  // namespace
