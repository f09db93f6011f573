#include <QImage>

#include <gtest/gtest.h>

#include "model/xml.h"
#include "shell/toolbar_icons.h"
#include "support/window_fixture.h"

namespace {

class TimerControl : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("Site");
        a = AddTask(project, "A");
        b = AddTask(a, "B");
        c = AddTask(b, "C");  // three levels below the project
    }

    void At(double seconds) { seams->clock->now = seconds; }
    void TickAt(double seconds) {
        At(seconds);
        window->Timer1_Timer();
    }
    void StartOn(TreeNode* node, double seconds) {
        Select(node);
        At(seconds);
        window->ToggleTimer();
    }
    void Select(TreeNode* node) { window->Tree->setCurrentItem(node); }
    static void SetText(TreeNode* node, std::string_view path, std::string_view text) {
        XML::ResolvePath(node->element, path).setText(text);
    }
    QAction* toggleButton() const { return window->ToolbarButton("toggletimer"); }
    static bool SameIcon(const QIcon& shown, const QString& key) {
        return shown.pixmap(25).toImage() == ToolbarIcon(key).pixmap(25).toImage();
    }

    TreeNode* project = nullptr;
    TreeNode* a = nullptr;
    TreeNode* b = nullptr;
    TreeNode* c = nullptr;
};

TEST_F(TimerControl, BooksOnTheTaskAndEveryAncestorUpToTheProject) {
    SetText(c, "@task_time", "0:00:10");
    SetText(b, "@subtask_time", "0:59:58");
    SetText(a, "@task_time", "2:00:00");
    SetText(project, "@subtask_time", "1:00:00");
    TreeNode* sibling = AddTask(project, "Sibling");
    StartOn(c, 36000.25);
    EXPECT_TRUE(window->TimerRunning);
    EXPECT_TRUE(window->Timer1.enabled());
    EXPECT_EQ(window->TimedNode, c);

    TickAt(36007.5);
    EXPECT_EQ(Text(c, "@task_time"), "0:00:17");
    EXPECT_EQ(Text(c, "@subtask_time"), "");
    EXPECT_EQ(Text(b, "@subtask_time"), "1:00:05");
    EXPECT_EQ(Text(a, "@subtask_time"), "0:00:07");
    EXPECT_EQ(Text(a, "@task_time"), "2:00:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "1:00:07");
    EXPECT_EQ(Text(project, "@task_time"), "");
    EXPECT_EQ(Text(sibling, "@task_time"), "");
}

TEST_F(TimerControl, ATimedProjectGetsOnlyItsOwnTime) {
    StartOn(project, 36000);
    TickAt(36003);
    EXPECT_EQ(Text(project, "@task_time"), "0:00:03");
    EXPECT_EQ(Text(project, "@subtask_time"), "");
    EXPECT_EQ(Text(a, "@task_time"), "");
}

TEST_F(TimerControl, LateTicksCatchUpAndHalfSecondTicksBookEveryOtherTime) {
    StartOn(c, 36000.2);
    std::vector<std::string> booked;
    for (int tick = 1; tick <= 6; ++tick) {
        TickAt(36000.2 + 0.5 * tick);
        booked.push_back(Text(c, "@task_time"));
    }
    EXPECT_EQ(booked, (std::vector<std::string>{"0:00:00", "0:00:01", "0:00:01", "0:00:02",
                                                "0:00:02", "0:00:03"}));
    TickAt(36008.3);  // five seconds late
    EXPECT_EQ(Text(c, "@task_time"), "0:00:08");
    EXPECT_EQ(Text(project, "@subtask_time"), "0:00:08");
}

TEST_F(TimerControl, StartAndStopWithinOneClockSecondBookNothing) {
    StartOn(c, 36000.1);
    At(36000.9);
    window->ToggleTimer();
    EXPECT_FALSE(window->TimerRunning);
    EXPECT_FALSE(window->Timer1.enabled());
    EXPECT_EQ(Text(c, "@task_time"), "0:00:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "0:00:00");

    // Across a boundary of the clock, even a fifth of a second counts as one.
    StartOn(c, 36001.9);
    At(36002.1);
    window->ToggleTimer();
    EXPECT_EQ(Text(c, "@task_time"), "0:00:01");
}

TEST_F(TimerControl, MidnightAndASetClockBookExactlyTheSecondsThatPassed) {
    StartOn(c, 86399);
    seams->clock->Advance(1.4);
    window->Timer1_Timer();
    EXPECT_EQ(Text(c, "@task_time"), "0:00:01");

    seams->clock->StepWall(-300);  // the clock was set back five minutes
    seams->clock->Advance(2);
    window->Timer1_Timer();
    EXPECT_EQ(Text(c, "@task_time"), "0:00:03");
    EXPECT_EQ(Text(project, "@subtask_time"), "0:00:03");
}

TEST_F(TimerControl, ClockFramesTurnOnePerTickAndCarryAcrossPeriods) {
    StartOn(c, 36000);
    EXPECT_EQ(c->image(), ClockFrame(1));  // the first tick after program start
    std::vector<TreeImage> frames;
    for (int tick = 0; tick < 7; ++tick) {
        window->Timer1_Timer();
        frames.push_back(c->image());
    }
    EXPECT_EQ(frames,
              (std::vector<TreeImage>{ClockFrame(2), ClockFrame(3), ClockFrame(4), ClockFrame(5),
                                      ClockFrame(6), ClockFrame(7), ClockFrame(0)}));
    window->ToggleTimer();  // its final tick shows "m1" before the resting image
    StartOn(b, 36010);
    EXPECT_EQ(b->image(), ClockFrame(2));
}

TEST_F(TimerControl, StoppingGivesTheRestingImage) {
    SetText(c, "@completed", "TRUE");
    StartOn(c, 36000);
    window->ToggleTimer();
    EXPECT_EQ(c->image(), TreeImage::TaskCompleted);

    StartOn(b, 36000);
    window->ToggleTimer();
    EXPECT_EQ(b->image(), TreeImage::Task);

    window->MarkModified(project);
    StartOn(project, 36000);
    window->ToggleTimer();
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
    EXPECT_EQ(Text(project, "@modified"), "true");
}

TEST_F(TimerControl, CommandSurfacesShowWhatTheNextClickDoes) {
    EXPECT_EQ(window->mnuToggleTimer->text(), "&Start Timer");
    StartOn(c, 36000);
    EXPECT_EQ(toggleButton()->text(), "Stop Timer");
    EXPECT_TRUE(SameIcon(toggleButton()->icon(), "stop"));
    EXPECT_EQ(window->mnuToggleTimer->text(), "Stop Timer");
    toggleButton()->trigger();
    EXPECT_FALSE(window->TimerRunning);
    EXPECT_EQ(toggleButton()->text(), "Start Timer");
    EXPECT_TRUE(SameIcon(toggleButton()->icon(), "start"));
    EXPECT_EQ(window->mnuToggleTimer->text(), "Start Timer");
    window->mnuToggleTimer->trigger();
    EXPECT_TRUE(window->TimerRunning);
}

TEST_F(TimerControl, WithoutASelectedNodeTheButtonDoesNotStopAndTheTickStillBooks) {
    StartOn(c, 36000);
    Select(nullptr);
    toggleButton()->trigger();
    EXPECT_TRUE(window->TimerRunning);
    EXPECT_TRUE(window->Timer1.enabled());
    EXPECT_EQ(toggleButton()->text(), "Stop Timer");

    window->txtTaskTime->setText("left alone");
    TickAt(36004);
    EXPECT_EQ(Text(c, "@task_time"), "0:00:04");
    EXPECT_EQ(window->txtTaskTime->text(), "left alone");
}

TEST_F(TimerControl, PaneShowsTheSelectedNodeAndKeepsCaretAndSelection) {
    SetText(project, "@task_time", "0:00:30");
    StartOn(c, 36000);
    Select(project);
    TickAt(36002);
    EXPECT_EQ(window->txtTaskTime->text(), "0:00:30");
    EXPECT_EQ(window->txtSubTaskTime->text(), "0:00:02");
    EXPECT_EQ(window->txtTotalTime->text(), "0:00:32");

    Select(c);
    window->txtTaskTime->setSelection(2, 3);      // forwards: caret after "00:"
    window->txtSubTaskTime->setSelection(7, -5);  // backwards: caret at 2
    window->txtTotalTime->setCursorPosition(1);
    TickAt(36010);
    EXPECT_EQ(window->txtTaskTime->text(), "0:00:10");
    EXPECT_EQ(window->txtTaskTime->selectionStart(), 2);
    EXPECT_EQ(window->txtTaskTime->selectedText(), "00:");
    EXPECT_EQ(window->txtTaskTime->cursorPosition(), 5);
    EXPECT_EQ(window->txtSubTaskTime->selectionStart(), 2);
    EXPECT_EQ(window->txtSubTaskTime->selectionLength(), 5);
    EXPECT_EQ(window->txtSubTaskTime->cursorPosition(), 2);
    EXPECT_EQ(window->txtTotalTime->text(), "0:00:10");
    EXPECT_FALSE(window->txtTotalTime->hasSelectedText());
    EXPECT_EQ(window->txtTotalTime->cursorPosition(), 1);
}

TEST_F(TimerControl, TicksRefreshTheChainsCaptionsAndMarkTheProjectModified) {
    window->MarkUnmodified(project);
    window->TT_ShowTime = true;
    window->TT_ShowSec = true;
    window->TT_ShowTotalTime = true;
    StartOn(c, 36000);
    TickAt(36065);
    EXPECT_EQ(c->caption(), "C (0:01:05)");
    EXPECT_EQ(b->caption(), "B (0:01:05)");
    EXPECT_EQ(a->caption(), "A (0:01:05)");
    EXPECT_EQ(project->caption(), "Site (0:01:05)");
    EXPECT_EQ(Text(project, "@modified"), "true");
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);
}

// A person renames an ancestor of the timed task in place while the clock runs.
TEST_F(TimerControl, TicksLeaveAnOpenLabelEditAlone) {
    window->TT_ShowTime = true;
    window->TT_ShowSec = true;
    StartOn(c, 36000);
    window->show();
    Select(b);
    window->Tree->editItem(b);
    window->Timer2_Timer();  // the edit reopens with the bare name
    auto* editor =
        qobject_cast<QLineEdit*>(window->Tree->indexWidget(window->Tree->indexFromItem(b)));
    ASSERT_NE(editor, nullptr);
    editor->setText("Half typed");
    editor->setCursorPosition(4);
    TickAt(36002);
    EXPECT_EQ(editor->text(), "Half typed");
    EXPECT_EQ(editor->cursorPosition(), 4);
    EXPECT_EQ(b->caption(), "B (0:00:02)");
}

TEST_F(TimerControl, SwitchStopsOnTheOldNodeAndStartsOnTheSelectedOne) {
    StartOn(c, 36000);
    Select(b);
    At(36003.6);
    window->SwitchTimer();
    EXPECT_TRUE(window->TimerRunning);
    EXPECT_EQ(window->TimedNode, b);
    EXPECT_EQ(c->image(), TreeImage::Task);
    EXPECT_EQ(Text(c, "@task_time"), "0:00:03");
    EXPECT_GE(int(b->image()), int(ClockFrame(0)));
    EXPECT_LE(int(b->image()), int(ClockFrame(7)));

    TickAt(36004.5);
    EXPECT_EQ(Text(b, "@task_time"), "0:00:01");
    EXPECT_EQ(Text(b, "@subtask_time"), "0:00:03");
    EXPECT_EQ(Text(c, "@task_time"), "0:00:03");
}

TEST_F(TimerControl, SwitchWhileStoppedStartsAndStopsAtOnce) {
    Select(b);
    window->SwitchTimer();
    EXPECT_FALSE(window->TimerRunning);
    EXPECT_FALSE(window->Timer1.enabled());
    EXPECT_EQ(window->TimedNode, b);
    EXPECT_EQ(b->image(), TreeImage::Task);
    EXPECT_EQ(Text(b, "@task_time"), "0:00:00");
}

TEST_F(TimerControl, ATimedNodeWithoutItsElementOrphansAndTheNextToggleStops) {
    StartOn(c, 36000);
    c->element = pugi::xml_node();
    TickAt(36005);
    EXPECT_EQ(window->TimedNode, nullptr);
    EXPECT_FALSE(window->Timer1.enabled());
    EXPECT_TRUE(window->TimerRunning);
    EXPECT_EQ(toggleButton()->text(), "Stop Timer");
    EXPECT_EQ(Text(b, "@subtask_time"), "0:00:00");

    Select(nullptr);
    toggleButton()->trigger();
    EXPECT_FALSE(window->TimerRunning);
    EXPECT_FALSE(window->Timer1.enabled());
    EXPECT_EQ(toggleButton()->text(), "Start Timer");
}

TEST_F(TimerControl, AForgottenTimedNodeOrphansTheTickAndToggleStops) {
    StartOn(c, 36000);
    window->ForgetSubtree(a);
    window->Timer1_Timer();
    EXPECT_FALSE(window->Timer1.enabled());
    window->ToggleTimer();  // c is still selected
    EXPECT_FALSE(window->TimerRunning);
    EXPECT_EQ(window->TimedNode, nullptr);
    EXPECT_EQ(window->mnuToggleTimer->text(), "Start Timer");
}

}  // namespace
