// Where a person sees that the timer runs: the status bar's timer field and the tray.
#include <QPaintEvent>
#include <QTest>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

using TimingStatus = WindowTest;

TEST_F(TimingStatus, TrayAndStatusBarFollowTheTimer) {
    TreeNode* design = AddProject("Design");
    XML::ResolvePath(design->element, "@task_time").setText("1:02:00");
    const qint64 plainIcon = seams->tray->icon.cacheKey();
    QWidget* button = window->Toolbar1->widgetForAction(window->ToolbarButton("toggletimer"));
    EXPECT_EQ(window->lblTimerStatus->text(), "Timer stopped");

    QTest::mouseClick(button, Qt::LeftButton);
    seams->clock->now += 5;
    window->Timer1_Timer();
    EXPECT_EQ(seams->tray->toolTip, "Horavel - Design 1:02:05");
    EXPECT_EQ(window->lblTimerStatus->text(), "Timing Design 1:02:05");
    EXPECT_NE(seams->tray->icon.cacheKey(), plainIcon) << "the running variant";

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(seams->tray->toolTip, "Horavel");
    EXPECT_EQ(window->lblTimerStatus->text(), "Timer stopped");
}

// Records the area each paint of a widget covers.
class PaintRecorder : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
    QRegion painted;
};

TEST_F(TimingStatus, ATickDrawsOnlyWhatChanged) {
    window->Form_Load({});  // the splitter where a person finds it, the tree wide
    TreeNode* project = AddProject("Design");
    AddTask(project, "Logo");
    window->Tree->setCurrentItem(project);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::mouseClick(window->Toolbar1->widgetForAction(window->ToolbarButton("toggletimer")),
                      Qt::LeftButton);
    ASSERT_TRUE(window->TimerRunning);
    window->Timer1.setEnabled(false);  // ticks come from the test alone
    QTest::qWait(50);
    PaintRecorder recorder;
    window->Tree->viewport()->installEventFilter(&recorder);
    const QRect row = window->Tree->visualItemRect(project);

    seams->clock->now += 1;  // the caption, in h:mm, stays as it is
    window->Timer1_Timer();
    QTest::qWait(50);
    EXPECT_FALSE(recorder.painted.isEmpty()) << "the clock image turns";
    EXPECT_LE(recorder.painted.boundingRect().width(), row.height() + 4) << "only the image";

    window->TT_ShowTime = window->TT_ShowSec = true;
    recorder.painted = QRegion();
    seams->clock->now += 1;
    window->Timer1_Timer();
    QTest::qWait(50);
    EXPECT_TRUE(recorder.painted.contains(row.center())) << "the changed caption";
    EXPECT_FALSE(recorder.painted.contains(window->Tree->visualItemRect(project->child(0))))
        << "not the rows that stay the same";
}

}  // namespace
