#include <gtest/gtest.h>

#include <cmath>

#include "tracking/booked_time.h"
#include "tracking/elapsed.h"

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
