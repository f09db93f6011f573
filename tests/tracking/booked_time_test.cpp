#include <gtest/gtest.h>

#include <cmath>

#include "tracking/booked_time.h"
#include "tracking/elapsed.h"
#include "tracking/idle_watch.h"
#include "tracking/time_sums.h"

namespace {

TEST(PlanTick, BooksWholeSecondBoundariesAndHoldsGaps) {
    struct Case {
        const char* what;
        double lastTick, now, book, held;
    };
    const Case cases[] = {
        {"same second", 36000.3, 36000.9, 0, 0},
        {"the next boundary", 36000.9, 36001.1, 1, 0},
        {"a tick 5 s late", 36001.1, 36006.4, 5, 0},
        {"exactly at the gap limit", 36000.0, 36120.0, 120, 0},
        {"just past it: held, not booked", 36000.0, 36120.5, 0, 120},
        {"a night asleep", 36000.7, 94000.2, 0, 58000},
        {"a reading behind the last (never from this clock)", 36005.5, 36003.2, 0, 0},
    };
    for (const Case& c : cases) {
        TickState state{std::floor(c.lastTick), c.lastTick};
        const TickPlan plan = PlanTick(state, c.now, 120);
        EXPECT_EQ(plan.book, c.book) << c.what;
        EXPECT_EQ(plan.held, c.held) << c.what;
        EXPECT_EQ(state.reference, std::max(std::floor(c.lastTick), std::floor(c.now))) << c.what;
    }
}

TEST(TimeSums, ChangesEveryTimeOnTheChainOrNone) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(
        "<project name='P' subtask_time='1:00:00'><task name='A' subtask_time='1:00:00'>"
        "<task name='B' task_time='1:00:00'/></task></project>"));
    const pugi::xml_node project = doc.child("project");
    const pugi::xml_node b = project.child("task").child("task");
    EXPECT_EQ(FindSumMismatch(project), std::nullopt);

    ASSERT_EQ(ApplyTimeChanges(BookingChanges(b, 5)), std::nullopt);
    EXPECT_STREQ(b.attribute("task_time").value(), "1:00:05");
    EXPECT_STREQ(project.attribute("subtask_time").value(), "1:00:05");

    // The project cannot take a second more: nothing changes anywhere.
    project.attribute("subtask_time").set_value("32767:59:59");
    const auto refusal = ApplyTimeChanges(BookingChanges(b, 1));
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->element, project);
    EXPECT_STREQ(b.attribute("task_time").value(), "1:00:05");
    EXPECT_STREQ(project.child("task").attribute("subtask_time").value(), "1:00:05");

    b.attribute("task_time").set_value(std::string(400, '9').c_str());
    EXPECT_EQ(ApplyTimeChanges(BookingChanges(b, 0))->element, b);
    EXPECT_NE(FindSumMismatch(project), std::nullopt);
}

TEST(WatchIdle, HoldsTheStretchAndBooksAroundIt) {
    IdleWatch watch;
    const double limit = 900;
    // 1000 s into booking since 0, idle for 900 s: the 900 booked are taken back.
    IdleStep step = WatchIdle(watch, {900.0, limit, 1000.4, 36000}, 999, 1000, 0);
    EXPECT_EQ(step.takeBack, 899);  // seconds 101..999 were booked, 1000 is this tick's
    EXPECT_EQ(step.book, 0);
    EXPECT_EQ(watch.held, 900);
    step = WatchIdle(watch, {1500.0, limit, 1600.4, 36600}, 1000, 1600, 0);
    EXPECT_EQ(watch.held, 1500);
    EXPECT_FALSE(step.ended);
    // Input 10 s ago: the stretch ended at 1610, the last ten seconds are work.
    step = WatchIdle(watch, {10.0, limit, 1620.4, 36620}, 1600, 1620, 0);
    EXPECT_TRUE(step.ended);
    EXPECT_EQ(watch.held, 1510);
    EXPECT_EQ(step.book, 10);
    EXPECT_DOUBLE_EQ(step.toWall, 36609.6);

    IdleWatch fresh;  // idle since before the period began: only its own seconds go back
    step = WatchIdle(fresh, {5000.0, limit, 1000.4, 0}, 999, 1000, 400);
    EXPECT_EQ(step.takeBack, 599);
    EXPECT_EQ(WatchIdle(fresh, {5000.0, 0, 1001.4, 0}, 1000, 1001, 400).ended, true);
}

TEST(BookedTime, PaneShowsWhatFitsAndTheStoredTextOfWhatDoesNot) {
    struct Case {
        const char* task;
        const char* subtask;
        PaneTimeTexts shown;
    };
    const Case cases[] = {
        {"", "", {"0:00:00", "0:00:00", "0:00:00", true}},
        {"0:10:00", "1:00:05", {"0:10:00", "1:00:05", "1:10:05", true}},
        {"0:90:00", "75", {"1:30:00", "0:01:15", "1:31:15", true}},
        {"40000:00:00", "0:00:05", {"40000:00:00", "0:00:05", "", false}},
        {"1:00:00", "0:99999:00", {"1:00:00", "0:99999:00", "", false}},
        {"32767:00:00", "1:00:00", {"32767:00:00", "1:00:00", "", true}},
    };
    for (const Case& c : cases) {
        const PaneTimeTexts shown = PaneTimeTextsOf(c.task, c.subtask);
        EXPECT_EQ(shown.task, c.shown.task) << c.task;
        EXPECT_EQ(shown.subtask, c.shown.subtask) << c.subtask;
        EXPECT_EQ(shown.total, c.shown.total) << c.task << " + " << c.subtask;
        EXPECT_EQ(shown.fits, c.shown.fits) << c.task << " + " << c.subtask;
    }
}

}  // namespace
