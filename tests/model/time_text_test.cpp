#include "model/time_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Module1::FormatTime;
using Module1::ParseTime;
using Module1::TimeOverflow;

namespace {

struct FormatCase {
    double seconds;
    const char* withSeconds;
    const char* withoutSeconds;
};

TEST(FormatTime, WritesHoursMinutesSecondsWithFloorSemantics) {
    const FormatCase cases[] = {
        {0, "0:00:00", "0:00"},
        {59.9, "0:00:59", "0:00"},
        {3599.5, "0:59:59", "0:59"},
        {3723, "1:02:03", "1:02"},
        {360000, "100:00:00", "100:00"},
        {86400 * 3 + 1, "72:00:01", "72:00"},
        {-30, "-1:59:30", "-1:59"},
        {-3601, "-2:59:59", "-2:59"},
        {-3600, "-1:00:00", "-1:00"},
        {-0.5, "-1:59:59", "-1:59"},
        {-1e-17, "-1:59:59", "-1:59"},
        {117964799, "32767:59:59", "32767:59"},
        {117964799.99, "32767:59:59", "32767:59"},
        {-117964800, "-32768:00:00", "-32768:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTime(c.seconds, true), c.withSeconds) << c.seconds;
        EXPECT_EQ(FormatTime(c.seconds, false), c.withoutSeconds) << c.seconds;
    }
}

TEST(FormatTime, RefusesWhatDoesNotFitSixteenBitHours) {
    for (double bad :
         {117964800.0, -117964800.5, 1e300, -1e300, std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(FormatTime(bad, true), TimeOverflow) << bad;
    }
    try {
        FormatTime(2e8, true);
        FAIL() << "no overflow";
    } catch (const TimeOverflow& e) {
        EXPECT_NE(std::string(e.what()).find("200000000"), std::string::npos) << e.what();
    }
}

struct ParseCase {
    const char* text;
    double seconds;
};

TEST(ParseTime, ReadsFieldsRightToLeft) {
    const ParseCase cases[] = {
        {"", 0},
        {"75", 75},
        {"1:15", 75},
        {"1:02:03", 3723},
        {"0:62:03", 3723},
        {"0:90:00", 5400},
        {"5:1:02:03", 3723},  // a fourth field is ignored
        {"100:00:00", 360000},
        {"-1:59:30", -30},  // what FormatTime writes for -30 s reads back
        {"-2:59:59", -3601},
        {"32767:59:59", 117964799},
        {":", 0},
        {"::", 0},
        {"1::", 3600},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTime(c.text), c.seconds) << '"' << c.text << '"';
    }
}

TEST(ParseTime, ReadsTheNumberAtTheStartOfEachField) {
    const ParseCase cases[] = {
        {" 1 : 0 2 : 0 3 ", 3723},  // blanks are ignored, even inside a number
        {"\t7", 7},
        {"12abc", 12},
        {"abc", 0},  // not a number: 0, nothing reported
        {"x:y:z", 0},
        {"1:2:3x4", 3723},
        {"+5", 5},
        {"-5", -5},
        {"- 5", -5},
        {"--5", 0},
        {"5-3", 5},
        {"1.2.3", 1},
        {".", 0},
        {"-", 0},
        {"0:01:1e3", 61},  // no exponents: reading stops at "e"
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTime(c.text), c.seconds) << '"' << c.text << '"';
    }
}

TEST(ParseTime, RoundsHalfToTheEvenNeighbour) {
    const ParseCase cases[] = {
        {"0.5", 0},   {"1.5", 2},   {"2.5", 2}, {"2.51", 3},       {"-0.5", 0},
        {"-1.5", -2}, {"-2.5", -2}, {".5", 0},  {"1:1.5:0", 3720}, {"0.4999", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTime(c.text), c.seconds) << '"' << c.text << '"';
    }
}

TEST(ParseTime, EachFieldMustFitSixteenBitsSigned) {
    EXPECT_EQ(ParseTime("32767"), 32767);
    EXPECT_EQ(ParseTime("-32768"), -32768);
    EXPECT_EQ(ParseTime("32767.4"), 32767);
    EXPECT_EQ(ParseTime("-32768.5"), -32768);  // rounds to even, inside the range
    EXPECT_EQ(ParseTime("32767:32767:32767"), 32767.0 * 3600 + 32767 * 60 + 32767);
    for (const char* bad : {"32768", "32767.5", "-32769", "-32768.6", "40000:00:00", "0:99999:00",
                            "99999999999999999999999999", "1:00:32768"}) {
        EXPECT_THROW(ParseTime(bad), TimeOverflow) << bad;
    }
    // However many digits: from_chars gives up past ~310 of them.
    for (const std::string& bad : {std::string(400, '9'), "-" + std::string(400, '7'),
                                   "1:" + std::string(320, '1') + ":00"}) {
        EXPECT_THROW(ParseTime(bad), TimeOverflow) << bad.size();
    }
    EXPECT_EQ(ParseTime(std::string(400, '0') + "5"), 5);
    EXPECT_EQ(ParseTime("0." + std::string(400, '0') + "1"), 0);
    try {
        ParseTime("40000:00:00");
        FAIL() << "no overflow";
    } catch (const TimeOverflow& e) {
        EXPECT_NE(std::string(e.what()).find("40000"), std::string::npos) << e.what();
    }
}

TEST(TimeText, StoredFormRoundTrips) {
    for (double seconds : {0.0, 1.0, 59.0, 60.0, 3599.0, 3600.0, 3723.0, 86399.0, 86400.0, 360000.0,
                           -1.0, -30.0, -3601.0, 117964799.0, -117964800.0}) {
        EXPECT_EQ(ParseTime(FormatTime(seconds, true)), seconds);
    }
}

}  // namespace
