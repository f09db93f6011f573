// Where a person sees that the timer runs: the status bar's timer field and the tray.
#include <QAccessible>
#include <QTest>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

using TimingStatus = WindowTest;

TEST_F(TimingStatus, TrayAndStatusBarFollowTheTimer) {
    TreeNode* design = AddProject("Design");
    XML::ResolvePath(design->element, "@task_time").setText("1:02:00");
    const qint64 plainIcon = seams->tray->icon.cacheKey();
    QWidget* button = window->ui.Toolbar1->widgetForAction(window->ToolbarButton("toggletimer"));
    EXPECT_EQ(window->ui.lblTimerStatus->text(), "Timer stopped");

    QTest::mouseClick(button, Qt::LeftButton);
    seams->clock->now += 5;
    window->Timer1_Timer();
    EXPECT_EQ(seams->tray->toolTip, "Horavel - Design 1:02:05");
    EXPECT_EQ(window->ui.lblTimerStatus->text(), "Timing Design 1:02:05");
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(window->ui.lblTimerStatus);
    EXPECT_EQ(field->text(QAccessible::Name), "Timer");
    EXPECT_EQ(field->text(QAccessible::Description), "Timing Design 1:02:05")
        << "what a screen reader reads of it";
    EXPECT_NE(seams->tray->icon.cacheKey(), plainIcon) << "the running variant";

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(seams->tray->toolTip, "Horavel");
    EXPECT_EQ(window->ui.lblTimerStatus->text(), "Timer stopped");
}

}  // namespace
