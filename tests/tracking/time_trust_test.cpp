// Booking that can be trusted: gaps and idle stretches are asked about, a time that cannot
// take the seconds books nothing, and the sums hold through 48 hours of use.
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include <functional>
#include <random>

#include "history/sessions.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_options.h"
#include "support/window_fixture.h"

namespace {

class TimeTrust : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->show();
        site = AddProject("Site");
        logo = AddTask(AddTask(site, "Design"), "Logo");
        other = AddProject("Other");
        window->ui.Tree->expandAll();
    }
    double Reading() const { return seams->clock->MonotonicSeconds(); }
    void Toggle(TreeNode* node) {
        window->ui.Tree->setCurrentItem(node);
        window->ToolbarButton("toggletimer")->trigger();
    }
    void Drop(TreeNode* node, TreeNode* target) {
        ClickNode(node);
        std::unique_ptr<QMimeData> data(window->Tree_OLEStartDrag());
        window->Tree_OLEDragDrop(*data, window->ui.Tree->visualItemRect(target).center());
        window->ui.Tree->expandAll();
    }
    void Remove(TreeNode* node) {
        window->ui.Tree->setCurrentItem(node);
        window->TreeBarButton("remove")->trigger();
    }
    TreeNode* Find(const std::string& name) const {
        for (QTreeWidgetItemIterator it(window->ui.Tree); *it; ++it) {
            if (Text(static_cast<TreeNode*>(*it), "@name") == name) {
                return static_cast<TreeNode*>(*it);
            }
        }
        return nullptr;
    }
    TreeNode *site, *logo, *other;
};

TEST_F(TimeTrust, ASuspendIsAskedAboutAndBookedOnceWhereverTheTaskWentMeanwhile) {
    seams->clock->now = 17 * 3600 + 60.2;
    Toggle(logo);
    TickAfter(60);
    TickAfter(16 * 3600 + 12 * 60);  // asleep from 17:02 to 09:14
    EXPECT_EQ(Text(logo, "@task_time"), "0:01:00");
    ASSERT_EQ(seams->questions->open.size(), 1u);
    EXPECT_EQ(seams->questions->open[0].text,
              "The computer was asleep from 17:02 to 09:14 (16:12:00) while timing 'Logo'. "
              "Book this time?");
    EXPECT_EQ(seams->questions->open[0].buttons, (QStringList{"Book", "Discard"}));
    EXPECT_EQ(seams->questions->open[0].defaultButton, 1);

    TickAfter(2);  // timing goes on while the question waits, the task moves and stops
    Toggle(logo);
    Drop(logo, other);
    seams->questions->Answer("Book");
    EXPECT_EQ(Text(Find("Logo"), "@task_time"), "16:13:02");
    EXPECT_EQ(Text(other, "@subtask_time"), "16:13:02");
    EXPECT_EQ(Text(site, "@subtask_time"), "0:00:00");

    Toggle(Find("Logo"));  // discarded, then deleted before the answer: nothing booked
    TickAfter(1000);
    TickAfter(1000);
    Toggle(Find("Logo"));
    seams->questions->Answer("Discard");
    Remove(Find("Logo"));
    seams->questions->Answer("Book");
    EXPECT_EQ(Text(other, "@subtask_time"), "0:00:00");
    EXPECT_TRUE(Status().contains("'Logo' was deleted")) << Status().toStdString();
}

TEST_F(TimeTrust, ATimeThatCannotTakeTheSecondsStopsTheTimerAndBooksNothing) {
    for (const std::string& bad : {std::string("32767:59:59"), std::string(400, '9')}) {
        XML::ResolvePath(site->element, "@subtask_time").setText(bad);
        window->MarkUnmodified(site);
        Toggle(logo);
        TickAfter(1);
        EXPECT_FALSE(window->Timing.TimerRunning);
        EXPECT_EQ(Text(logo, "@task_time") + Text(site, "@subtask_time"), "0:00:00" + bad);
        EXPECT_EQ(Text(site, "@modified"), "false");
        EXPECT_TRUE(Status().contains("of 'Site'")) << Status().toStdString();
    }
}

TEST_F(TimeTrust, AnIdleStretchIsTakenBackAndAskedAboutOnceInputReturns) {
    seams->clock->now = 9 * 3600 + 0.5;
    Toggle(logo);
    for (int i = 1; i <= 600 + 40; ++i) {  // ten minutes' work, then away from 09:10 to 09:50
        seams->idle->seconds = i <= 600 ? 0 : (i - 600) * 60.0;
        TickAfter(i <= 600 ? 1 : 60);
    }
    EXPECT_EQ(Text(logo, "@task_time"), "0:10:00");  // the 15 minutes first booked went back
    EXPECT_TRUE(seams->questions->open.empty());
    seams->idle->seconds = 30.0;
    TickAfter(30);
    EXPECT_EQ(Text(site, "@subtask_time"), "0:10:30");
    ASSERT_EQ(seams->questions->open.size(), 1u);
    EXPECT_EQ(seams->questions->open[0].text,
              "There was no keyboard or mouse input from 09:10 to 09:50 (0:40:00) while timing "
              "'Logo'. Keep this time?");
    seams->questions->Answer("Discard and Stop");
    EXPECT_FALSE(window->Timing.TimerRunning);
    EXPECT_EQ(Text(site, "@subtask_time"), "0:10:30");
}

TEST_F(TimeTrust, TheOptionsSpinBoxSetsIdleMinutesOrSaysWhyItCannot) {
    for (const bool available : {true, false}) {
        seams->idle->seconds = available ? std::optional<double>(0) : std::nullopt;
        window->ui.mnuOptions->trigger();
        std::unique_ptr<frmOptions> dialog(window->findChild<frmOptions*>());
        EXPECT_EQ(dialog->spnIdleMinutes->isEnabled(), available);
        EXPECT_EQ(dialog->spnIdleMinutes->toolTip().contains("does not tell"), !available);
        dialog->spnIdleMinutes->selectAll();
        QTest::keyClicks(dialog->spnIdleMinutes, "0");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        EXPECT_EQ(ReadIdleMinutes(*seams->settings), available ? 0 : 15);
        WriteIdleMinutes(*seams->settings, 15);
    }
}

// Two days as a person lives them, ticks 0.4 to 3 s apart, Logo timed throughout. Whatever
// happens, what is booked is what was timed less what was discarded, and every sum holds
// after every step.
TEST_F(TimeTrust, FortyEightHoursBookExactlyWhatWasTimedLessWhatWasDiscarded) {
    AddTask(site, "S1");
    AddTask(Find("Design"), "S2");
    AddTask(other, "S3");
    window->ui.Tree->expandAll();
    double timed = 0, discarded = 0, periodStart = 0, away = -1, back = -1;
    auto start = [&] {
        Toggle(Find("Logo"));
        periodStart = std::floor(Reading());
    };
    auto stop = [&] {
        Toggle(Find("Logo"));
        timed += std::floor(Reading()) - periodStart;
    };
    auto sleep = [&](double hours, const QString& answer) {
        const double before = std::floor(Reading());
        TickAfter(hours * 3600);
        discarded += answer == "Discard" ? std::floor(Reading()) - before : 0;
        if (!answer.isEmpty()) {
            seams->questions->Answer(answer);
        }
    };
    auto splitter = [&] {
        window->ResizeHandle1_StartMove();
        seams->clock->Advance(1.7);
        window->ResizeHandle1_Move(window->ui.ResizeHandle1->offLeft + 60);
    };
    const std::vector<std::pair<double, std::function<void()>>> events = {
        {1, [&] { seams->clock->StepWall(3600); }},  // summer time begins
        {2, [&] { Drop(Find("Design"), other); }},   // an ancestor into another project
        {3, [&] { Remove(Find("S1")); }},
        {4, splitter},
        {5, [&] { sleep(5, "Book"); }},
        {11, [&] { seams->clock->StepWall(-900); }},  // the clock set back by hand
        {12, [&] { away = Reading(); }},
        {12.7,
         [&] {
             discarded += std::floor(Reading()) - std::floor(away);
             back = Reading();
             away = -1;
         }},
        {12.8,
         [&] {
             seams->questions->Answer("Discard");
             back = -1;
         }},
        {14, [&] { Drop(Find("Logo"), site); }},  // the timed task itself, across
        {16,
         [&] {
             stop();
             start();
         }},  // a new period
        {20, [&] { sleep(3, "Discard"); }},
        {26, [&] { seams->clock->StepWall(-3600); }},  // summer time ends
        {28, [&] { Drop(Find("Logo"), Find("S2")); }},
        {29, [&] { Drop(Find("Design"), site); }},
        {30, [&] { Remove(Find("S3")); }},
        {35, [&] { seams->clock->StepWall(7200); }},
        {40,
         [&] {
             sleep(1, "");  // answered only after a move
             Drop(Find("Logo"), other);
             seams->questions->Answer("Book");
         }},
        {44, splitter},
    };
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> jitter(0.4, 3.0);
    seams->clock->now = 22 * 3600 + 0.3;  // two midnights to come
    const double origin = Reading();
    start();
    size_t next = 0;
    while (Reading() - origin < 48 * 3600) {
        seams->clock->Advance(jitter(random));
        seams->idle->seconds = Reading() - (away >= 0 ? away : back >= 0 ? back : Reading());
        window->Timer1_Timer();
        if (next < events.size() && Reading() - origin >= events[next].first * 3600) {
            events[next++].second();
        }
        ASSERT_NO_FATAL_FAILURE(ExpectSumsHold());
    }
    stop();
    ASSERT_EQ(next, events.size());
    EXPECT_EQ(Module1::ParseTime(Text(Find("Logo"), "@task_time")), timed - discarded);
    EXPECT_TRUE(seams->questions->open.empty());
}

}  // namespace
