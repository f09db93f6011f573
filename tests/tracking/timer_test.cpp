// The timer as the toolbar, the pop-up and the clock drive it, and what a tick books.
#include <QTest>

#include <gtest/gtest.h>

#include "support/window_fixture.h"
#include "tracking/elapsed.h"

namespace {

TEST(MeasureTick, BooksTheWholeSecondBoundariesPassed) {
    const struct {
        double reference, now, elapsed, nextReference;
    } cases[] = {
        {36000.3, 36000.9, 0, 36000}, {36000.9, 36001.1, 0, 36001}, {36001, 36002.0, 1, 36002},
        {36002, 36007.4, 5, 36007},   {86399, 0.4, 1, 0},           {84000, 3000.5, 5400, 3000},
        {40000, 36400.5, 0, 36400},   {82000, 100, 0, 100},         {86000, 4000, 0, 4000},
    };
    for (const auto& c : cases) {
        const TickMeasure measure = MeasureTick(c.reference, c.now);
        EXPECT_EQ(measure.elapsed, c.elapsed) << c.reference << " to " << c.now;
        EXPECT_EQ(measure.reference, c.nextReference) << c.reference << " to " << c.now;
    }
}

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
    EXPECT_EQ(window->mnuToggleTimer->text(), "Stop Timer");
    EXPECT_TRUE(window->Timer1.enabled());
    TickAfter(5);
    EXPECT_EQ(Times(a1), "0:00:05+");
    EXPECT_EQ(Times(a), "+0:00:05");
    EXPECT_EQ(Times(project), "+0:00:05");
    EXPECT_EQ(window->txtTaskTime->text(), "0:00:05");
    EXPECT_EQ(window->txtTotalTime->text(), "0:00:05");

    seams->clock->now += 2.5;
    ClickToolbar("toggletimer");  // the seconds since the last tick are booked too
    EXPECT_EQ(Times(a1), "0:00:07+");
    EXPECT_EQ(Times(project), "+0:00:07");
    EXPECT_FALSE(window->Timer1.enabled());
    EXPECT_EQ(window->ToolbarButton("toggletimer")->text(), "Start Timer");
    EXPECT_EQ(a1->image(), TreeImage::Task);
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified) << "timing marks nothing";
}

TEST_F(Timing, ThePopUpSwitchesTheTimerToTheSelectedNode) {
    ClickNode(a1);
    ClickToolbar("toggletimer");
    TickAfter(3);
    seams->menus->choose = [this](QMenu*) { return window->mnuSwitchTimer; };
    QTest::mouseClick(window->Tree->viewport(), Qt::RightButton, {},
                      window->Tree->visualItemRect(b).center());
    EXPECT_EQ(window->TimedNode, b);
    TickAfter(4);
    EXPECT_EQ(Times(a1), "0:00:03+");
    EXPECT_EQ(Times(b), "0:00:04+");
    EXPECT_EQ(Times(project), "+0:00:07");
}

}  // namespace
