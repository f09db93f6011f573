// Time text: what is stored and shown, read back and refused.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/time_text.h"

using Module1::FormatTime;
using Module1::ParseTime;
using Module1::TimeOverflow;

namespace {

TEST(TimeText, FormatsWithFloorSemantics) {
    const struct {
        double seconds;
        const char *full, *short_;
    } cases[] = {
        {0, "0:00:00", "0:00"},
        {59.9, "0:00:59", "0:00"},
        {3723, "1:02:03", "1:02"},
        {360000, "100:00:00", "100:00"},
        {-30, "-1:59:30", "-1:59"},
        {-3600, "-1:00:00", "-1:00"},
        {-1e-17, "-1:59:59", "-1:59"},
        {117964799.99, "32767:59:59", "32767:59"},
        {-117964800, "-32768:00:00", "-32768:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTime(c.seconds, true), c.full) << c.seconds;
        EXPECT_EQ(FormatTime(c.seconds, false), c.short_) << c.seconds;
        EXPECT_EQ(ParseTime(c.full), std::floor(c.seconds)) << c.full;
    }
    for (double bad : {117964800.0, -117964800.5, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(FormatTime(bad, true), TimeOverflow) << bad;
    }
}

TEST(TimeText, ParsesFieldsRightToLeft) {
    const struct {
        const char* text;
        double seconds;
    } cases[] = {
        {"", 0},
        {"75", 75},
        {"1:15", 75},
        {"0:90:00", 5400},
        {"5:1:02:03", 3723},
        {"1::", 3600},
        {" 1 : 0 2 : 0 3 ", 3723},
        {"12abc", 12},
        {"x:y:z", 0},
        {"- 5", -5},
        {"--5", 0},
        {"1.2.3", 1},
        {"0:01:1e3", 61},
        {"2.5", 2},
        {"1.5", 2},
        {"-2.5", -2},
        {"32767:59:59", 117964799},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTime(c.text), c.seconds) << '"' << c.text << '"';
    }
    for (const char* bad : {"32768", "32767.5", "-32769", "0:99999:00", "1:00:32768"}) {
        EXPECT_THROW(ParseTime(bad), TimeOverflow) << bad;
    }
    // However many digits: from_chars gives up past ~310 of them.
    for (const std::string& bad : {std::string(400, '9'), "-" + std::string(400, '7'),
                                   "1:" + std::string(320, '1') + ":00"}) {
        EXPECT_THROW(ParseTime(bad), TimeOverflow) << bad.size();
    }
    EXPECT_EQ(ParseTime(std::string(400, '0') + "5"), 5);
}

}  // namespace
