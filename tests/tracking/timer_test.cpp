// The timer as the toolbar, the pop-up and the clock drive it, and what a tick books.
#include <QTest>

#include <functional>

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

// Repainting the whole tree every half second is most of what timing costs: a tick
// repaints the timed row, whose clock turns (even when it books no second), and a row
// above it only when its caption changed (in h:mm, once a minute), and no other.
TEST_F(Timing, ATickRepaintsTheRowsItChangedAndNoOthers) {
    window->Display.TT_ShowTime = true;
    ClickNode(a1);
    ClickToolbar("toggletimer");
    TickAfter(1);  // the captions take their times
    QCoreApplication::processEvents();
    const auto paintedRows = [this](const std::function<void()>& act) {
        PaintRecorder recorder(window->ui.Tree->viewport());
        act();
        QCoreApplication::processEvents();
        std::string rows;
        for (TreeNode* node : {project, a, a1, b}) {
            const QRect row = window->ui.Tree->visualItemRect(node);
            rows += recorder.painted.contains(row) ? node->text(0).toStdString() + ";"
                    : recorder.painted.intersects(row)
                        ? "part of " + node->text(0).toStdString() + ";"
                        : "";
        }
        return rows;
    };
    EXPECT_EQ(paintedRows([this] { TickAfter(1); }), "A1 (0:00);");
    EXPECT_EQ(paintedRows([this] { TickAfter(0.5); }), "A1 (0:00);") << "no second: the clock";
    EXPECT_EQ(paintedRows([this] { TickAfter(60); }), "P (0:01);A (0:01);A1 (0:01);");
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
