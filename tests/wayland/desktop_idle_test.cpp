// The desktop idle source in a Qt program on a real Wayland compositor, a headless sway
// (under_sway.sh): it finds Qt's own display and sway's org_kde_kwin_idle, and the seconds
// grow once sway has seen no input for the timeout. No D-Bus desktop answers here.
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include "platform/idle_source.h"
#include "platform/wayland_idle.h"

namespace {

TEST(IdleUnderSway, QtsDisplayOffersKdesIdleAndTheSourceCountsFromIt) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
    const auto watch = WaylandIdleWatch::OnQtsDisplay([] { return 0.0; });
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->protocol(), WaylandIdleWatch::Protocol::KdeIdle);

    const QDBusConnection nowhere =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), "nowhere");
    DesktopIdleSource source(nowhere, nowhere);
    // Active at first, unless a busy machine let the timeout pass already.
    const std::optional<double> first = source.IdleSeconds();
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(*first == 0.0 || *first >= WaylandIdleWatch::kTimeoutMs / 1000.0) << *first;
    // Nothing touches sway's seat: it says "idle" once the timeout has passed.
    std::optional<double> seconds;
    QDeadlineTimer deadline(10000);
    while ((seconds = source.IdleSeconds()) == 0.0 && !deadline.hasExpired()) {
        QGuiApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_TRUE(seconds.has_value());
    EXPECT_GE(*seconds, WaylandIdleWatch::kTimeoutMs / 1000.0);
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
