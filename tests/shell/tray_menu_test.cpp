// The tray icon's set-up, its mouse messages and its menu, on a plain window.
#include <QAction>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "platform/qt_tray.h"
#include "shell/tray_menu.h"
#include "support/doubles.h"

namespace {

class TrayMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        tray.TraySetup(true);
    }
    QStringList RightClick() {
        fake.Send(Tray::kRightButtonUp);
        return menus.shown.empty() ? QStringList() : menus.shown.back().visibleEntries;
    }
    void Choose(QAction* entry) {
        menus.choose = [entry](QMenu*) { return entry; };
        fake.Send(Tray::kRightButtonUp);
        menus.choose = nullptr;
    }

    FakeTray fake;
    RecordingMenuPopper menus;
    QWidget window;
    bool timerRunning = false;
    TrayMenu tray{fake, menus, window, [this] { return timerRunning; }};
};

TEST_F(TrayMenuTest, SetupGivesTooltipAndIconAndPlacesItWhenAsked) {
    EXPECT_EQ(fake.toolTip.toStdString(), "Horavel");
    EXPECT_FALSE(fake.icon.isNull());
    EXPECT_TRUE(fake.placed);
    FakeTray other;
    TrayMenu unplaced(other, menus, window, nullptr);
    unplaced.TraySetup(false);
    EXPECT_EQ(other.toolTip.toStdString(), "Horavel");
    EXPECT_EQ(other.placeCalls + other.removeCalls, 0);
}

TEST_F(TrayMenuTest, TheMenuOffersHideThenRestore) {
    EXPECT_EQ(tray.mnuToggleView->text().toStdString(), "&Restore Horavel") << "before first use";
    EXPECT_EQ(RightClick(), (QStringList{"Hide Horavel", "-", "About Horavel", "E&xit Horavel"}));
    Choose(tray.mnuToggleView);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(RightClick().value(0).toStdString(), "Restore Horavel");
    Choose(tray.mnuToggleView);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(menus.shown.back().menu, tray.mnuTrayIcon);
}

TEST_F(TrayMenuTest, StopTimerShowsOnlyWhileTheTimerRuns) {
    timerRunning = true;
    EXPECT_EQ(RightClick(),
              (QStringList{"Hide Horavel", "&Stop Timer", "-", "About Horavel", "E&xit Horavel"}));
    timerRunning = false;
    EXPECT_EQ(RightClick().value(1).toStdString(), "-");
}

TEST_F(TrayMenuTest, DoubleClickHidesAndThenShowsTheWindow) {
    fake.Send(Tray::kLeftDoubleClick);
    EXPECT_FALSE(window.isVisible());
    fake.Send(Tray::kLeftDoubleClick);
    EXPECT_TRUE(window.isVisible());
    fake.Send(514);  // any other message is ignored
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(menus.shown.empty());
}

TEST_F(TrayMenuTest, ExitClosesTheWindow) {
    Choose(tray.mnuTrayExit);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TrayMenuTest, TheWindowIsNeverHiddenOutOfReach) {
    fake.available = false;  // no tray host: the icon cannot appear
    fake.Send(Tray::kLeftDoubleClick);
    tray.mnuToggleView_Click();
    EXPECT_TRUE(window.isVisible());
    fake.available = true;
    tray.PlaceIcon(false);
    tray.mnuToggleView_Click();
    EXPECT_TRUE(window.isVisible()) << "no icon placed";
}

TEST_F(TrayMenuTest, RemovingTheIconWhileHiddenShowsTheWindow) {
    fake.Send(Tray::kLeftDoubleClick);
    ASSERT_FALSE(window.isVisible());
    tray.PlaceIcon(false);
    EXPECT_FALSE(fake.placed);
    EXPECT_TRUE(window.isVisible());
    tray.PlaceIcon(true);
    tray.PlaceIcon(true);  // harmless when repeated
    EXPECT_TRUE(fake.placed);
}

TEST_F(TrayMenuTest, ShutdownRemovesTheIconWithoutShowingTheWindow) {
    fake.Send(Tray::kLeftDoubleClick);
    tray.RemoveAtShutdown();
    EXPECT_FALSE(fake.placed);
    EXPECT_FALSE(window.isVisible());
}

TEST(QtTrayTest, ActivationReasonsMapToTheTrayMessages) {
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::DoubleClick), Tray::kLeftDoubleClick);
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::Context), Tray::kRightButtonUp);
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::Trigger), 0);
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::MiddleClick), 0);
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::Unknown), 0);
}

TEST(QtTrayTest, PlaceAndRemoveAreHarmlessWhenRepeated) {
    QtTray tray;
    tray.setIcon(QIcon(QPixmap(16, 16)));
    tray.Remove();
    EXPECT_FALSE(tray.isPlaced());
    tray.Place();
    tray.Place();
    EXPECT_TRUE(tray.isPlaced());
    tray.Remove();
    tray.Remove();
    EXPECT_FALSE(tray.isPlaced());
}

}  // namespace
