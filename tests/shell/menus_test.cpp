// The tray icon's menu and the Help menu, reached as a person reaches them.
#include <QPushButton>
#include <QTest>

#include "shell/frm_about.h"
#include "shell/tray_menu.h"
#include "support/window_fixture.h"

namespace {

class Menus : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->Form_Load({QStringLiteral("-n")});
        window->show();
    }
    // A right click on the tray icon, choosing `entry` from its menu (none: just look).
    QStringList TrayMenu(QAction* entry = nullptr) {
        seams->menus->choose = [entry](QMenu*) { return entry; };
        seams->tray->Send(Tray::kRightButtonUp);
        return seams->menus->shown.back().visibleEntries;
    }
};

TEST_F(Menus, TheTrayMenuStopsTheTimerAndHidesTheWindow) {
    EXPECT_EQ(TrayMenu().join('|'), "Hide Horavel|-|About Horavel|E&xit Horavel");
    AddTask(AddProject("P"), "T");
    ClickToolbar("toggletimer");
    EXPECT_TRUE(TrayMenu().contains("&Stop Timer"));
    TrayMenu(window->ui.Tray->mnuStop);
    EXPECT_FALSE(window->Timing.TimerRunning);
    EXPECT_FALSE(window->ui.Timer1.enabled());
    EXPECT_EQ(window->ToolbarButton("toggletimer")->text(), "Start Timer");

    seams->tray->Send(Tray::kLeftDoubleClick);
    EXPECT_FALSE(window->isVisible());
    TrayMenu(window->ui.Tray->mnuToggleView);
    EXPECT_TRUE(window->isVisible());
}

// A desktop without a tray (GNOME without an extension): the window never hides into
// nothing, and the icon registers once a tray comes up.
class NoTray : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        seams->tray->available = false;
        window->Form_Load({QStringLiteral("-n")});
        window->show();
    }
};

TEST_F(NoTray, TheWindowStaysUntilATrayComesUpAndTheIconRegistersThere) {
    seams->tray->Send(Tray::kLeftDoubleClick);
    window->ui.Tray->mnuToggleView->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(seams->tray->watching);

    const int placed = seams->tray->placeCalls;
    seams->tray->ComeUp();
    EXPECT_EQ(seams->tray->placeCalls, placed + 1);
    EXPECT_TRUE(seams->tray->placed);
    EXPECT_FALSE(seams->tray->watching);
    seams->tray->Send(Tray::kLeftDoubleClick);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(NoTray, TurningTheIconOffStopsWaitingForATray) {
    ASSERT_TRUE(seams->tray->watching);
    window->ui.Tray->PlaceIcon(false);
    EXPECT_FALSE(seams->tray->watching);
    const int placed = seams->tray->placeCalls;
    seams->tray->available = true;
    emit seams->tray->Appeared();
    EXPECT_EQ(seams->tray->placeCalls, placed);
}

TEST_F(Menus, HelpOpensTheAboutBoxAndTheWebPage) {
    Choose("mnuWebpage");
    ASSERT_EQ(seams->web->opened.size(), 1u);
    Choose("mnuAbout");
    auto* about = window->findChild<frmAbout*>();
    ASSERT_NE(about, nullptr);
    QTest::mouseClick(about->Command2, Qt::LeftButton);
    ASSERT_EQ(seams->web->opened.size(), 2u);
    EXPECT_EQ(seams->web->opened[1], seams->web->opened[0]);
}

}  // namespace
