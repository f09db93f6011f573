// Where a person sees that the timer runs: the status bar's timer field and the tray.
#include <QAccessible>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "history/history_frame.h"
#include "history/history_model.h"
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
    TickAfter(5);
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

// A tick draws the pane's new times, not the frames around them, which cost most.
TEST_F(TimingStatus, ATickRedrawsThePaneTimesWithoutTheirFrames) {
    AddProject("Design");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ClickToolbar("toggletimer");
    QLineEdit* taskTime = window->ui.txtTaskTime;
    QWidget* frame = taskTime->parentWidget();
    QCoreApplication::processEvents();
    const PaintRecorder framePaints(frame);
    const PaintRecorder fieldPaints(taskTime);
    TickAfter(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(taskTime->text(), "0:00:01");
    EXPECT_GT(fieldPaints.paints, 0);
    EXPECT_EQ(framePaints.paints, 0);
    EXPECT_TRUE(frame->geometry().contains(taskTime->geometry().translated(frame->pos())));

    QTest::mouseClick(taskTime, Qt::LeftButton);  // the frame shows the focus
    QCoreApplication::processEvents();
    EXPECT_TRUE(taskTime->hasFocus());
    EXPECT_GT(framePaints.paints, 0);
}

TEST_F(TimingStatus, MinimizedTicksDrawNothingAndTheWindowCatchesUpWhenSeen) {
    TreeNode* design = AddProject("Design");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ClickToolbar("toggletimer");
    window->showMinimized();
    QCoreApplication::processEvents();
    const PaintRecorder tree(window->ui.Tree->viewport());
    QSignalSpy history(window->History->model, &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 3; ++i) {
        TickAfter(1);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(Text(design, "@task_time"), "0:00:03") << "booked all the same";
    EXPECT_EQ(seams->tray->toolTip, "Horavel - Design 0:00:03") << "the tray is still seen";
    EXPECT_EQ(tree.paints, 0) << "no timed row drawn";
    EXPECT_TRUE(history.isEmpty()) << "no period's row measured again";
    EXPECT_GT(window->ui.Timer1.interval(), 500) << "no clock to turn: a tick a second";
    EXPECT_LE(window->ui.Timer1.interval(), 1100);

    seams->clock->Advance(1.5);  // seen again before the next tick came
    window->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(design, "@task_time"), "0:00:04") << "the second passed is booked on sight";
    EXPECT_EQ(window->ui.txtTaskTime->text(), "0:00:04");
    EXPECT_EQ(window->ui.lblTimerStatus->text(), "Timing Design 0:00:04");
    EXPECT_EQ(window->History->model->index(1, HistoryModel::DurationColumn).data(), "0:00:04");
    EXPECT_GT(tree.paints, 0);
    EXPECT_EQ(window->ui.Timer1.interval(), 500) << "the clock turns every half second again";
}

}  // namespace
