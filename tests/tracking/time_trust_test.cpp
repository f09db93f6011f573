// Booking that can be trusted: gaps and idle stretches are asked about, a time that cannot
// take the seconds books nothing, and the sums hold through 48 hours of use.
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <memory>
#include <random>

#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_options.h"
#include "support/window_fixture.h"
#include "tracking/time_sums.h"

namespace {

class TimeTrust : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(800, 600);
        window->show();
        site = AddProject("Site");
        design = AddTask(site, "Design");
        logo = AddTask(design, "Logo");
        other = AddProject("Other");
        window->Tree->expandAll();
    }
    double Reading() const { return seams->clock->MonotonicSeconds(); }
    double Seconds(TreeNode* node, const char* path) const {
        return Module1::ParseTime(Text(node, path));
    }
    void Toggle(TreeNode* node) {
        window->Tree->setCurrentItem(node);
        window->ToolbarButton("toggletimer")->trigger();
    }
    void TickAfter(double seconds) {
        seams->clock->Advance(seconds);
        window->Timer1_Timer();
    }
    void Drop(TreeNode* node, TreeNode* target) {
        const QPoint from = window->Tree->visualItemRect(node).center();
        window->MouseDownX = from.x();
        window->MouseDownY = from.y();
        std::unique_ptr<QMimeData> data(window->Tree_OLEStartDrag());
        ASSERT_TRUE(data);
        const QPoint to = window->Tree->visualItemRect(target).center();
        window->Tree_OLEDragOver(*data, to);
        window->Tree_OLEDragDrop(*data, to);
        window->Tree->expandAll();
    }
    void ExpectSumsHold() const {
        for (int i = 0; i < window->Tree->topLevelItemCount(); ++i) {
            const auto mismatch = FindSumMismatch(window->Tree->topLevelNode(i)->element);
            ASSERT_FALSE(mismatch) << *mismatch;
        }
    }
    TreeNode* Find(const QString& name) const {
        for (QTreeWidgetItemIterator it(window->Tree); *it; ++it) {
            if (Text(static_cast<TreeNode*>(*it), "@name") == name.toStdString()) {
                return static_cast<TreeNode*>(*it);
            }
        }
        return nullptr;
    }

  public:
    TreeNode *site, *design, *logo, *other;
};

TEST_F(TimeTrust, ASuspendIsAskedAboutAndBookedOnceWhereverTheTaskWentMeanwhile) {
    seams->clock->now = 17 * 3600 + 120.2;  // 17:02
    Toggle(logo);
    TickAfter(60);
    TickAfter(16 * 3600 + 12 * 60);  // asleep until 09:14 the next day
    EXPECT_EQ(Text(logo, "@task_time"), "0:01:00");
    ASSERT_EQ(seams->questions->open.size(), 1u);
    EXPECT_EQ(seams->questions->open[0].text,
              "The computer was asleep from 17:03 to 09:15 (16:12:00) while timing 'Logo'. "
              "Book this time?");
    EXPECT_EQ(seams->questions->open[0].buttons, (QStringList{"Book", "Discard"}));
    EXPECT_EQ(seams->questions->open[0].defaultButton, 1);

    TickAfter(2);  // timing goes on while the question waits
    Toggle(logo);
    Drop(logo, other);  // and the task moves to another project
    TreeNode* moved = Find("Logo");
    seams->questions->Answer("Book");
    EXPECT_EQ(Text(moved, "@task_time"), "16:13:02");
    EXPECT_EQ(Text(other, "@subtask_time"), "16:13:02");
    EXPECT_EQ(Text(design, "@subtask_time"), "0:00:00");
    ExpectSumsHold();

    // Discarded, and deleted before the answer: nothing booked either time, and said so.
    Toggle(moved);
    TickAfter(1000);
    TickAfter(1000);
    Toggle(moved);
    seams->questions->Answer("Discard");
    ASSERT_EQ(seams->questions->open.size(), 1u);
    window->TreeBarButton("remove")->trigger();
    seams->questions->Answer("Book");
    EXPECT_EQ(Text(other, "@subtask_time"), "0:00:00");
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("'Logo' was deleted"));
}

TEST_F(TimeTrust, ATimeThatCannotTakeTheSecondsStopsTheTimerAndBooksNothing) {
    struct Case {
        const char* what;
        TreeNode* TimeTrust::*node;
        const char* path;
        std::string text;
    };
    const Case cases[] = {
        {"the task at the limit", &TimeTrust::logo, "@task_time", "32767:59:59"},
        {"an ancestor at the limit", &TimeTrust::site, "@subtask_time", "32767:59:59"},
        {"a field of 400 digits", &TimeTrust::design, "@subtask_time", std::string(400, '9')},
    };
    for (const Case& c : cases) {
        TreeNode* node = this->*c.node;
        Toggle(logo);
        TickAfter(5);
        window->MarkUnmodified(site);
        XML::ResolvePath(node->element, c.path).setText(c.text);
        const std::string before =
            Text(logo, "@task_time") + Text(design, "@subtask_time") + Text(site, "@subtask_time");
        TickAfter(1);
        EXPECT_EQ(
            Text(logo, "@task_time") + Text(design, "@subtask_time") + Text(site, "@subtask_time"),
            before)
            << c.what;
        EXPECT_FALSE(window->TimerRunning) << c.what;
        EXPECT_EQ(window->ToolbarButton("toggletimer")->text(), "Start Timer");
        EXPECT_EQ(Text(site, "@modified"), "false") << c.what;
        const QString message = window->statusBar()->currentMessage();
        EXPECT_TRUE(message.contains(QStringLiteral("'%1'").arg(Text(node, "@name").c_str())))
            << message.toStdString();
        XML::ResolvePath(node->element, c.path).setText("0:00:00");
        for (TreeNode* n : {logo, design, site}) {  // consistent again for the next case
            XML::ResolvePath(n->element, "@task_time").setText("0:00:00");
            XML::ResolvePath(n->element, "@subtask_time").setText("0:00:00");
        }
    }
}

TEST_F(TimeTrust, AnIdleStretchIsTakenBackAndAskedAboutOnceInputReturns) {
    WriteIdleMinutes(*seams->settings, 15);
    seams->clock->now = 9 * 3600 + 0.5;
    Toggle(logo);
    for (int i = 0; i < 600; ++i) {
        TickAfter(1);
    }
    for (int i = 1; i <= 40; ++i) {  // away from 09:10 for 40 minutes
        seams->idle->seconds = i * 60.0;
        TickAfter(60);
    }
    EXPECT_EQ(Text(logo, "@task_time"), "0:10:00");  // the 15 minutes first booked went back
    EXPECT_TRUE(seams->questions->open.empty());
    seams->idle->seconds = 30.0;
    TickAfter(30);
    EXPECT_EQ(Text(logo, "@task_time"), "0:10:30");
    ASSERT_EQ(seams->questions->open.size(), 1u);
    EXPECT_EQ(seams->questions->open[0].text,
              "There was no keyboard or mouse input from 09:10 to 09:50 (0:40:00) while timing "
              "'Logo'. Keep this time?");
    seams->questions->Answer("Discard and Stop");
    EXPECT_FALSE(window->TimerRunning);
    EXPECT_EQ(Text(site, "@subtask_time"), "0:10:30");
    ExpectSumsHold();
}

TEST_F(TimeTrust, TheOptionsDialogSetsIdleMinutesOrSaysWhyItCannot) {
    for (const bool available : {true, false}) {
        seams->idle->seconds = available ? std::optional<double>(0) : std::nullopt;
        window->mnuOptions->trigger();
        auto* dialog = window->findChild<frmOptions*>();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->spnIdleMinutes->value(), 15);
        EXPECT_EQ(dialog->spnIdleMinutes->isEnabled(), available);
        EXPECT_EQ(dialog->spnIdleMinutes->toolTip().contains("does not tell"), !available);
        dialog->spnIdleMinutes->selectAll();
        QTest::keyClicks(dialog->spnIdleMinutes, "0");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        EXPECT_EQ(ReadIdleMinutes(*seams->settings), available ? 0 : 15);
        WriteIdleMinutes(*seams->settings, 15);
        delete dialog;  // gone before the next round looks for one
    }
}

// Two days as a person lives them: every event below happens while Logo is timed, between
// ticks 0.4 to 3 s apart. Whatever happens, the booked seconds are the timed ones less those
// discarded, and every sum holds after every step.
TEST_F(TimeTrust, FortyEightHoursBookExactlyWhatWasTimedLessWhatWasDiscarded) {
    AddTask(site, "S1");
    AddTask(design, "S2");
    AddTask(other, "S3");
    window->Tree->expandAll();
    WriteIdleMinutes(*seams->settings, 15);
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> jitter(0.4, 3.0);
    double timed = 0;
    double discarded = 0;
    double periodStart = 0;
    double away = -1;  // reading when the person left the desk
    auto start = [&] {
        Toggle(Find("Logo"));
        periodStart = std::floor(Reading());
    };
    auto stop = [&] {
        Toggle(Find("Logo"));
        timed += std::floor(Reading()) - periodStart;
    };
    auto sleep = [&](double hours, const char* answer) {
        const double before = std::floor(Reading());
        TickAfter(hours * 3600);
        ASSERT_EQ(seams->questions->open.size(), 1u);
        if (QString(answer) == "Discard") {
            discarded += std::floor(Reading()) - before;
        }
        if (*answer) {
            seams->questions->Answer(answer);
        }
    };
    auto splitter = [&] {
        window->ResizeHandle1_StartMove();
        seams->clock->Advance(1.7);
        window->ResizeHandle1_Move(window->ResizeHandle1->offLeft + 60);
    };
    double back = -1;  // reading when the person came back
    auto comeBack = [&] {
        discarded += std::floor(Reading()) - std::floor(away);
        back = Reading();
        away = -1;
    };
    const std::vector<std::pair<double, std::function<void()>>> events = {
        {1, [&] { seams->clock->StepWall(3600); }},  // summer time begins
        {2, [&] { Drop(Find("Design"), other); }},   // an ancestor into another project
        {3,
         [&] {
             window->Tree->setCurrentItem(Find("S1"));
             window->TreeBarButton("remove")->trigger();
         }},
        {4, splitter},
        {5, [&] { sleep(5, "Book"); }},
        {11, [&] { seams->clock->StepWall(-900); }},  // the clock set back by hand
        {12, [&] { away = Reading(); }},
        {12.7, comeBack},
        {12.8,
         [&] {
             seams->questions->Answer("Discard");
             back = -1;  // busy from now on
         }},
        {14, [&] { Drop(Find("Logo"), site); }},  // the timed task itself, across
        {16,
         [&] {
             stop();
             start();
         }},
        {20, [&] { sleep(3, "Discard"); }},
        {26, [&] { seams->clock->StepWall(-3600); }},  // summer time ends
        {28, [&] { Drop(Find("Logo"), Find("S2")); }},
        {29, [&] { Drop(Find("Design"), site); }},
        {30,
         [&] {
             window->Tree->setCurrentItem(Find("S3"));
             window->TreeBarButton("remove")->trigger();
         }},
        {35, [&] { seams->clock->StepWall(7200); }},
        {40,
         [&] {
             sleep(1, "");  // asked, and answered only after a move
             Drop(Find("Logo"), other);
             seams->questions->Answer("Book");
         }},
        {44, splitter},
    };
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
        ExpectSumsHold();
        if (HasFatalFailure()) {
            return;
        }
    }
    stop();
    ASSERT_EQ(next, events.size());
    const double booked = Seconds(Find("Logo"), "@task_time");
    const double drift = booked - (timed - discarded);
    std::cout << "simulated " << (Reading() - origin) / 3600 << " h, timed " << timed
              << " s, discarded " << discarded << " s, drift " << drift << " s\n";
    EXPECT_EQ(drift, 0);
    EXPECT_TRUE(seams->questions->open.empty());
}

}  // namespace
