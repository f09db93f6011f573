#include <gtest/gtest.h>

#include "model/time_text.h"
#include "tracking/booked_time.h"
#include "tracking/elapsed.h"

namespace {

TEST(MeasureTick, BooksTheWholeSecondBoundariesPassed) {
    struct Case {
        const char* what;
        double reference, now, elapsed, nextReference;
    };
    const Case cases[] = {
        {"same fraction of a second", 36000.3, 36000.9, 0, 36000},
        {"a fractional reference (only at start) counts whole seconds", 36000.9, 36001.1, 0, 36001},
        {"half-second tick after a whole reference", 36001, 36001.5, 0, 36001},
        {"the next half-second tick", 36001, 36002.0, 1, 36002},
        {"a tick 5 s late", 36002, 36007.4, 5, 36007},
        {"a reading exactly on the reference", 36002, 36002, 0, 36002},
        {"midnight: 23:59:59 to 00:00:00.4", 86399, 0.4, 1, 0},
        {"midnight from a fraction before it", 86399.7, 0.2, 0, 0},
        {"a pause across midnight inside the window", 84000, 3000.5, 5400, 3000},
        {"clock set back an hour", 40000, 36400.5, 0, 36400},
        {"back across midnight from before 23:00", 82000, 100, 0, 100},
        {"back across midnight to after 01:00", 86000, 4000, 0, 4000},
        {"set back by less than a second", 36000.8, 36000.2, 0, 36000},
    };
    for (const Case& c : cases) {
        const TickMeasure measure = MeasureTick(c.reference, c.now);
        EXPECT_EQ(measure.elapsed, c.elapsed) << c.what;
        EXPECT_EQ(measure.reference, c.nextReference) << c.what;
    }
}

TEST(BookedTime, AddsSecondsInTheLongFormAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(AddSeconds("", 0), "0:00:00");
    EXPECT_EQ(AddSeconds("0:59:59", 1), "1:00:00");
    EXPECT_EQ(AddSeconds("75", 5), "0:01:20");  // a bare number is seconds
    EXPECT_EQ(AddSeconds("nonsense", 3), "0:00:03");
    EXPECT_EQ(AddSeconds("32767:59:58", 1), "32767:59:59");
    EXPECT_THROW(AddSeconds("32767:59:59", 1), Module1::TimeOverflow);
    EXPECT_THROW(AddSeconds("40000:00:00", 0), Module1::TimeOverflow);
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
