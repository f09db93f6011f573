// The timer as the toolbar, the pop-up and the clock drive it, and what a tick books.
#include <QPaintEvent>
#include <QTest>

#include "support/window_fixture.h"

namespace {

class Timing : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("P");
        a = AddTask(project, "A");
        a1 = AddTask(a, "A1");
        b = AddTask(project, "B");
        window->MarkUnmodified(project);
    }
    // The clock moves on and Timer1 ticks: no input reaches the tick but the timer itself.
    void TickAfter(double seconds) {
        seams->clock->now += seconds;
        window->Timer1_Timer();
    }
    std::string Times(TreeNode* node) const {
        return Text(node, "@task_time") + "+" + Text(node, "@subtask_time");
    }
    TreeNode *project, *a, *a1, *b;
};

TEST_F(Timing, BooksOnTheTaskAndEveryAncestorUntilStopped) {
    ClickNode(a1);
    ClickToolbar("toggletimer");
    EXPECT_EQ(window->ToolbarButton("toggletimer")->text(), "Stop Timer");
    EXPECT_EQ(window->ui.mnuToggleTimer->text(), "Stop Timer");
    EXPECT_TRUE(window->ui.Timer1.enabled());
    TickAfter(5);
    EXPECT_EQ(Times(a1), "0:00:05+");
    EXPECT_EQ(Times(a), "+0:00:05");
    EXPECT_EQ(Times(project), "+0:00:05");
    EXPECT_EQ(window->ui.txtTaskTime->text(), "0:00:05");
    EXPECT_EQ(window->ui.txtTotalTime->text(), "0:00:05");

    seams->clock->now += 2.5;
    ClickToolbar("toggletimer");  // the seconds since the last tick are booked too
    EXPECT_EQ(Times(a1), "0:00:07+");
    EXPECT_EQ(Times(project), "+0:00:07");
    EXPECT_FALSE(window->ui.Timer1.enabled());
    EXPECT_EQ(window->ToolbarButton("toggletimer")->text(), "Start Timer");
    EXPECT_EQ(a1->image(), TreeImage::Task);
    EXPECT_EQ(project->image(), TreeImage::ProjectModified) << "booked time is unsaved work";
}

// The regions of the paint events a widget receives.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
    QRegion painted;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

// Repainting the whole tree every half second is most of what timing costs: a tick
// repaints the rows whose caption or clock it changed, and those only.
TEST_F(Timing, ATickRepaintsTheTimedChainsRowsAndNoOthers) {
    ClickNode(a1);
    ClickToolbar("toggletimer");
    QCoreApplication::processEvents();
    PaintRecorder recorder(window->ui.Tree->viewport());
    TickAfter(1);
    QCoreApplication::processEvents();
    for (TreeNode* changed : {project, a, a1}) {
        EXPECT_TRUE(recorder.painted.contains(window->ui.Tree->visualItemRect(changed)))
            << changed->text(0).toStdString();
    }
    EXPECT_FALSE(recorder.painted.intersects(window->ui.Tree->visualItemRect(b)));
}

TEST_F(Timing, ThePopUpSwitchesTheTimerToTheSelectedNode) {
    ClickNode(a1);
    ClickToolbar("toggletimer");
    TickAfter(3);
    seams->menus->choose = [this](QMenu*) { return window->ui.mnuSwitchTimer; };
    QTest::mouseClick(window->ui.Tree->viewport(), Qt::RightButton, {},
                      window->ui.Tree->visualItemRect(b).center());
    EXPECT_EQ(window->Timing.TimedNode, b);
    TickAfter(4);
    EXPECT_EQ(Times(a1), "0:00:03+");
    EXPECT_EQ(Times(b), "0:00:04+");
    EXPECT_EQ(Times(project), "+0:00:07");
}

}  // namespace
