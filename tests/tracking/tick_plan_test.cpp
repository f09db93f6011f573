#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
