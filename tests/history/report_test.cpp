#include <QFile>

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>

#include "history/report.h"
#include "history/report_pdf.h"
#include "history/sessions.h"

namespace {

using Pieces = std::vector<std::pair<QDate, int64_t>>;
const ReportOptions kNearestMinute{{RoundMode::Nearest, 1}, false};

TEST(LocalDays, SplitPeriodsAtLocalMidnightIncludingDaysOf23And25Hours) {
    struct Case {
        const char* zone;
        const char* start;
        int64_t seconds;
        QDate first;  // the day of the first piece; the others follow day by day
        std::vector<int64_t> pieces;
    };
    const QDate dec7(2026, 12, 7);
    const char* berlin = "Europe/Berlin";
    const char* newYork = "America/New_York";
    const Case cases[] = {
        {berlin, "2026-12-07T10:00:00+01:00", 60, dec7, {60}},
        {berlin, "2026-12-07T23:30:00+01:00", 3600, dec7, {1800, 1800}},
        {berlin, "2026-12-07T23:30:00+01:00", -7200, dec7, {-7200}},
        {berlin, "2026-12-06T23:00:00+01:00", 86400 + 7200, dec7.addDays(-1), {3600, 86400, 3600}},
        // Spring forward: the 29th of March has 23 hours, the 25th of October 25.
        {berlin, "2026-03-29T00:00:00+01:00", 86400, QDate(2026, 3, 29), {82800, 3600}},
        {berlin, "2026-10-25T00:00:00+02:00", 90000, QDate(2026, 10, 25), {90000}},
        {berlin, "2026-10-25T00:00:00+02:00", 90001, QDate(2026, 10, 25), {90000, 1}},
        {newYork, "2026-03-08T00:00:00-05:00", 86400, QDate(2026, 3, 8), {82800, 3600}},
        {newYork, "2026-10-31T23:00:00-04:00", 97200, QDate(2026, 10, 31), {3600, 90000, 3600}},
        // Recorded in New York, reported in Berlin: it falls on Berlin's next day.
        {berlin, "2026-12-07T20:00:00-05:00", 60, dec7.addDays(1), {60}},
        {berlin, "2026-12-07T18:00:00-05:00", 60, dec7.addDays(1), {60}},  // Berlin's midnight
    };
    for (const Case& c : cases) {
        int64_t when = 0;
        int offset = 0;
        ASSERT_TRUE(ParseSessionStart(c.start, when, offset));
        Pieces pieces;
        for (int64_t seconds : c.pieces) {
            pieces.emplace_back(c.first.addDays(static_cast<int64_t>(pieces.size())), seconds);
        }
        LocalDays days{QTimeZone(c.zone)};
        const DateRange around{c.first.addDays(-1), c.first.addDays(5)};
        EXPECT_EQ(days.Split(when, offset, c.seconds, around), pieces) << c.zone << " " << c.start;
        EXPECT_EQ(days.DayOf(when, offset), c.first) << c.zone << " " << c.start;
    }
}

// A period may hold any 64-bit number of seconds; splitting it costs only the days it shares
// with the range, and sums of such periods stay at the largest value instead of wrapping.
TEST(LocalDays, AnyLengthOfPeriodSplitsIntoTheRangesDaysOnly) {
    constexpr int64_t kMost = std::numeric_limits<int64_t>::max();
    constexpr int64_t kLeast = std::numeric_limits<int64_t>::min();
    LocalDays days{QTimeZone("Europe/Berlin")};
    const DateRange week{QDate(2026, 3, 23), QDate(2026, 3, 29)};  // ends with a 23-hour day
    int64_t when = 0;
    int offset = 0;
    ASSERT_TRUE(ParseSessionStart("2000-01-01T12:00:00+01:00", when, offset));
    const Pieces fullWeek{{QDate(2026, 3, 23), 86400}, {QDate(2026, 3, 24), 86400},
                          {QDate(2026, 3, 25), 86400}, {QDate(2026, 3, 26), 86400},
                          {QDate(2026, 3, 27), 86400}, {QDate(2026, 3, 28), 86400},
                          {QDate(2026, 3, 29), 82800}};
    EXPECT_EQ(days.Split(when, offset, 10'000'000'000'000, week), fullWeek);
    EXPECT_EQ(days.Split(when, offset, kMost, week), fullWeek);
    EXPECT_EQ(days.Split(when, offset, kLeast, week), Pieces{});  // stays on its own day
    EXPECT_EQ(days.Split(when, offset, 3600, week), Pieces{});
    EXPECT_EQ(days.Split(kMost, 3600, 60, week), Pieces{});
    EXPECT_FALSE(days.DayOf(kLeast, -3600).isValid());

    EXPECT_EQ(AddSeconds(kMost, 1), kMost);
    EXPECT_EQ(AddSeconds(kLeast, kLeast), kLeast);
    EXPECT_EQ(AddSeconds(kMost, kLeast), -1);
    EXPECT_EQ(RoundSeconds(kLeast, RoundMode::Nearest, 900), -(kMost / 900 * 900));
    EXPECT_EQ(RoundSeconds(kMost, RoundMode::None, 900), kMost);
    EXPECT_EQ(ClockText(kLeast, true), "-2562047788015215:30:08");
    EXPECT_EQ(DecimalHours(kLeast), "-2562047788015215.50");
    EXPECT_EQ(DecimalHours(kMost), "2562047788015215.50");
}

TEST(ReportRanges, FollowTheWeekStartAndTheCalendar) {
    struct Case {
        ReportPeriod period;
        QDate today;
        Qt::DayOfWeek firstDay;
        QDate first, last;
    };
    const QDate wed(2026, 12, 9);
    const Case cases[] = {
        {ReportPeriod::Today, wed, Qt::Monday, wed, wed},
        {ReportPeriod::ThisWeek, wed, Qt::Monday, QDate(2026, 12, 7), QDate(2026, 12, 13)},
        {ReportPeriod::ThisWeek, wed, Qt::Sunday, QDate(2026, 12, 6), QDate(2026, 12, 12)},
        {ReportPeriod::ThisWeek, QDate(2026, 12, 6), Qt::Monday, QDate(2026, 11, 30),
         QDate(2026, 12, 6)},
        {ReportPeriod::LastWeek, wed, Qt::Saturday, QDate(2026, 11, 28), QDate(2026, 12, 4)},
        {ReportPeriod::ThisMonth, QDate(2028, 2, 10), Qt::Monday, QDate(2028, 2, 1),
         QDate(2028, 2, 29)},
        {ReportPeriod::LastMonth, QDate(2026, 1, 15), Qt::Monday, QDate(2025, 12, 1),
         QDate(2025, 12, 31)},
        {ReportPeriod::Custom, wed, Qt::Monday, QDate(2026, 1, 1), QDate(2026, 1, 3)},
    };
    for (const Case& c : cases) {
        const DateRange range =
            RangeOf(c.period, c.today, c.firstDay, {QDate(2026, 1, 1), QDate(2026, 1, 3)});
        EXPECT_EQ(std::make_pair(range.first, range.last), std::make_pair(c.first, c.last))
            << static_cast<int>(c.period) << " " << c.today.toString().toStdString();
    }
}

TEST(ReportNumbers, RoundAndPrintTheSameWayInEveryLocale) {
    // A value, then what up, nearest and down make of it, counted in units.
    struct Case {
        int64_t seconds;
        int64_t up, nearest, down;
    };
    const auto cases = [](int64_t step) {
        return std::vector<Case>{
            {1, 1, 0, 0},           {step / 2, 1, 1, 0},     {step / 2 - 1, 1, 0, 0},
            {step + 1, 2, 1, 1},    {3 * step, 3, 3, 3},     {-1, 0, 0, -1},
            {-step / 2, 0, -1, -1}, {-step - 1, -1, -1, -2},
        };
    };
    for (const int minutes : kRoundingMinutes) {
        const int64_t step = int64_t{minutes} * 60;
        for (const Case& c : cases(step)) {
            EXPECT_EQ(RoundSeconds(c.seconds, RoundMode::Up, step), c.up * step)
                << c.seconds << " up to " << minutes;
            EXPECT_EQ(RoundSeconds(c.seconds, RoundMode::Nearest, step), c.nearest * step)
                << c.seconds << " nearest " << minutes;
            EXPECT_EQ(RoundSeconds(c.seconds, RoundMode::Down, step), c.down * step)
                << c.seconds << " down to " << minutes;
            EXPECT_EQ(RoundSeconds(c.seconds, RoundMode::None, step), c.seconds);
        }
    }
    QLocale::setDefault(QLocale(QLocale::German));
    const std::tuple<int64_t, const char*, const char*, const char*> texts[] = {
        {5400, "1.50", "1:30:00", "1:30"},         {17, "0.00", "0:00:17", "0:00"},
        {18, "0.01", "0:00:18", "0:00"},           {-1800, "-0.50", "-0:30:00", "-0:30"},
        {360000, "100.00", "100:00:00", "100:00"},
    };
    for (const auto& [seconds, decimal, full, short_] : texts) {
        EXPECT_EQ(DecimalHours(seconds), decimal);
        EXPECT_EQ(ClockText(seconds, true), full);
        EXPECT_EQ(ClockText(seconds, false), short_);
    }
    QLocale::setDefault(QLocale::c());
}

class Timesheets : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(doc.load_string(
            R"(<project name="Acme, Inc." task_time="" subtask_time="" currency="EUR"><description/>)"
            R"(<history><session start="2026-12-07T08:00:00+01:00" seconds="600"/></history>)"
            R"(<rates><rate hourly="80.00"/></rates>)"
            R"(<task name="Design"><description/><history><session start="2026-12-07T23:30:00+01:00")"
            R"( seconds="3600" note="Late, &quot;urgent&quot;"/></history>)"
            R"(<rates><rate hourly="60"/><rate from="2026-12-08" hourly="90.5"/></rates>)"
            R"(<task name="Logo &quot;v2&quot;" billable="false"><description/><history>)"
            R"(<session start="2026-12-08T09:00:00+01:00" seconds="5430"/>)"
            R"(<session start="2026-12-15T09:00:00+01:00" seconds="60"/></history></task></task>)"
            R"(<task name="Idle"><description/><history/></task></project>)"));
        projects = {{"Acme, Inc.", doc.first_child()}};
    }
    pugi::xml_document doc;
    std::vector<ReportProject> projects;
    LocalDays days{QTimeZone("Europe/Berlin")};
    DateRange week{QDate(2026, 12, 7), QDate(2026, 12, 13)};
};

TEST_F(Timesheets, TotalsAddUpFromTheRoundedCells) {
    const Timesheet sheet = BuildTimesheet(projects, week, days, kNearestMinute);
    ASSERT_EQ(sheet.rows.size(), 3u);  // the task without time is left out
    EXPECT_EQ(sheet.rows[2].path, "Design/Logo \"v2\"");
    EXPECT_EQ(sheet.rows[2].own, (std::map<int, int64_t>{{1, 5460}}));
    EXPECT_EQ(sheet.rows[1].total, (std::map<int, int64_t>{{0, 1800}, {1, 1800 + 5460}}));
    EXPECT_EQ(sheet.rows[0].totalSum, 600 + 3600 + 5460);
    EXPECT_EQ(sheet.dayTotals, (std::vector<int64_t>{2400, 7260, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sheet.grandTotal, 9660);
}

// A correction is a difference made at one moment: it counts whole on that day, even late
// in the evening, and has no end to write.
TEST_F(Timesheets, ACorrectionCountsWholeOnTheDayItWasMade) {
    pugi::xml_node design = doc.first_child().child("task");
    AddSession(design, "2026-12-07T23:30:00+01:00", 7200, "From the timesheet", true);
    const Timesheet sheet = BuildTimesheet(projects, week, days, {});
    EXPECT_EQ(sheet.rows[1].own, (std::map<int, int64_t>{{0, 1800 + 7200}, {1, 1800}}));
    EXPECT_EQ(sheet.dayTotals, (std::vector<int64_t>{9600, 7230, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(QString::fromUtf8(SessionsCsv(projects, week, days))
                    .contains("2026-12-07T23:30:00+01:00,,\"Acme, Inc.\",Design,7200,2:00:00,"
                              "2.00,From the timesheet,correction\r\n"));
}

TEST_F(Timesheets, CsvMatchesTheGoldenFile) {
    QFile golden(QStringLiteral(HORAVEL_TEST_DATA "/../../history/data/week.csv"));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    EXPECT_EQ(TimesheetCsv(BuildTimesheet(projects, week, days, kNearestMinute)).toStdString(),
              golden.readAll().toStdString());
    const QString sessions = QString::fromUtf8(SessionsCsv(projects, week, days));
    EXPECT_EQ(sessions.count(QStringLiteral("\r\n")), 4);  // header and three periods in the week
    EXPECT_TRUE(
        sessions.contains(QStringLiteral("2026-12-07T23:30:00+01:00,2026-12-08T00:30:00+01:00,"
                                         "\"Acme, Inc.\",Design,3600,1:00:00,1.00,"
                                         "\"Late, \"\"urgent\"\"\",period\r\n")))
        << sessions.toStdString();
}

// Hundredths of an hour as a decimal text reads them: "-1.25" is -125.
int64_t Hundredths(const QString& text) {
    const QStringList parts = text.split('.');
    const int64_t magnitude = std::abs(parts[0].toLongLong()) * 100 + parts.value(1).toLongLong();
    return text.startsWith('-') ? -magnitude : magnitude;
}

// A project of a few tasks two levels deep, with random periods in a fortnight, some across
// midnight and some of a few seconds only.
struct RandomProject {
    explicit RandomProject(std::mt19937& random) {
        pugi::xml_node project = doc.append_child("project");
        project.append_attribute("name").set_value("P");
        std::vector<pugi::xml_node> elements{project};
        for (int i = 0; i < 5; ++i) {
            pugi::xml_node parent = elements[random() % elements.size()];
            pugi::xml_node task = parent.append_child("task");
            // Appended: g++ 12 at -O3 misreads the concatenation.
            task.append_attribute("name").set_value(
                std::string("T").append(std::to_string(i)).c_str());
            elements.push_back(task);
        }
        const int64_t first = QDateTime(QDate(2026, 12, 7), QTime(0, 0), QTimeZone("Europe/Berlin"))
                                  .toSecsSinceEpoch();
        for (int i = random() % 12; i-- > 0;) {
            const int64_t when = first + static_cast<int64_t>(random() % (13 * 86400));
            const int64_t seconds = random() % 3 == 0 ? random() % 60 + 1 : random() % 20000 + 1;
            pugi::xml_node element = elements[random() % elements.size()];
            AddSession(
                element,
                SessionStartText(QDateTime::fromSecsSinceEpoch(when, QTimeZone("Europe/Berlin"))),
                seconds);
            worked.insert(element.internal_object());
            rawSeconds += seconds;
        }
    }
    pugi::xml_document doc;
    std::set<void*> worked;
    int64_t rawSeconds = 0;
};

// Over random periods and every rule: nothing is lost before rounding, every task that
// worked keeps its row, and every total shown is the sum of what is shown under it.
TEST(TimesheetProperties, ShownValuesAddUpAndNoWorkIsHidden) {
    std::mt19937 random(20261207);
    const DateRange fortnight{QDate(2026, 12, 7), QDate(2026, 12, 20)};
    for (int round = 0; round < 300; ++round) {
        RandomProject made(random);
        const std::vector<ReportProject> projects{{"P", made.doc.first_child()}};
        LocalDays days{QTimeZone("Europe/Berlin")};
        EXPECT_EQ(BuildTimesheet(projects, fortnight, days, {}).grandTotal, made.rawSeconds);

        ReportOptions options;
        options.rounding = {static_cast<RoundMode>(random() % 4), kRoundingMinutes[random() % 7],
                            static_cast<RoundScope>(random() % 3)};
        options.decimal = random() % 2 == 0;
        const Timesheet sheet = BuildTimesheet(projects, fortnight, days, options);
        const std::string rule = RoundingText(options).toStdString();
        const int64_t step = options.rounding.step();
        const int64_t unit = options.decimal && step % 36 != 0 ? 36 : step;
        size_t rowsThatWorked = 0;
        std::vector<int64_t> dayTotals(14, 0);
        int64_t shownTotal = 0;
        for (size_t i = 0; i < sheet.rows.size(); ++i) {
            const TimesheetRow& row = sheet.rows[i];
            rowsThatWorked += row.own.empty() ? 0 : 1;
            int64_t cells = 0;
            int64_t decimals = 0;
            for (const auto& [day, seconds] : row.total) {
                cells += seconds;
                decimals += Hundredths(DecimalHours(seconds));
                EXPECT_EQ(seconds % unit, 0) << rule;
                if (row.depth == 0) {
                    dayTotals[static_cast<size_t>(day)] += seconds;
                }
            }
            EXPECT_EQ(row.totalSum, cells) << rule;
            if (options.decimal) {
                EXPECT_EQ(Hundredths(DecimalHours(row.totalSum)), decimals) << rule;
            }
            // The row's total is its own time and its children's, as shown.
            int64_t below = row.ownSum;
            for (size_t j = i + 1; j < sheet.rows.size() && sheet.rows[j].depth > row.depth; ++j) {
                below += sheet.rows[j].depth == row.depth + 1 ? sheet.rows[j].totalSum : 0;
            }
            EXPECT_EQ(row.totalSum, below) << rule;
            if (options.rounding.mode == RoundMode::Up) {
                EXPECT_GT(row.totalSum, 0) << rule;  // never rounded away
            }
        }
        EXPECT_EQ(rowsThatWorked, made.worked.size()) << rule;
        EXPECT_EQ(sheet.dayTotals, dayTotals) << rule;
        for (const int64_t seconds : dayTotals) {
            shownTotal += seconds;
        }
        EXPECT_EQ(sheet.grandTotal, shownTotal) << rule;
    }
}

// A task without rates takes those of the nearest element above it, each period at the rate of
// the day it started; a task that is not billable has hours and no price, nor has what is below.
TEST_F(Timesheets, RatesComeByDateFromTheNearestElementAbove) {
    pugi::xml_node design = doc.first_child().child("task");
    pugi::xml_node copy = design.append_child("task");
    copy.append_attribute("name").set_value("Copy");
    AddSession(copy, "2026-12-09T10:00:00+01:00", 3600);
    pugi::xml_node logo = design.child("task");
    pugi::xml_node sketch = logo.append_child("task");
    sketch.append_attribute("name").set_value("Sketch");
    AddSession(sketch, "2026-12-09T10:00:00+01:00", 3600);
    const Timesheet sheet = BuildTimesheet(projects, week, days, {});
    ASSERT_EQ(sheet.rows.size(), 5u);
    const auto row = [&](const char* name) {
        return *std::find_if(sheet.rows.begin(), sheet.rows.end(),
                             [&](const TimesheetRow& r) { return r.name == name; });
    };
    EXPECT_EQ(row("Copy").ownAmount, (std::map<int, int64_t>{{2, 905000}}));
    EXPECT_FALSE(row("Sketch").priced);
    EXPECT_EQ(row("Sketch").totalSum, 3600);
    EXPECT_EQ(row("Design").amount, 300000 + 300000 + 905000);
    EXPECT_EQ(sheet.amounts, (std::map<QString, int64_t>{{"EUR", 133300 + 1505000}}));
    EXPECT_EQ(MoneyNumber(sheet.amounts.at("EUR")), "163.83");
}

// Beyond a week the PDF lists each task's day on a row of its own, week by week, each week
// with its total; the period in words follows the calendar.
TEST_F(Timesheets, LongRangesAreListedDayByDayWeekByWeek) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const DateRange fortnight{QDate(2026, 12, 7), QDate(2026, 12, 20)};
    const Timesheet sheet = BuildTimesheet(projects, fortnight, days, kNearestMinute);
    const QString html =
        ReportHtml(sheet, {"Me", {"Acme"}, {"Acme, Inc."}, QDate(2026, 12, 21)}, {});
    EXPECT_EQ(html.count("Week of "), 2);
    EXPECT_EQ(html.count("Week total"), 2);
    EXPECT_TRUE(html.contains("Acme, Inc. / Design/Logo &quot;v2&quot;")) << html.toStdString();
    const std::pair<DateRange, const char*> words[] = {
        {{QDate(2026, 12, 7), QDate(2026, 12, 13)}, "7 to 13 December 2026"},
        {{QDate(2026, 11, 30), QDate(2026, 12, 6)}, "30 November to 6 December 2026"},
        {{QDate(2026, 12, 28), QDate(2027, 1, 3)}, "28 December 2026 to 3 January 2027"},
        {{QDate(2026, 12, 7), QDate(2026, 12, 7)}, "7 December 2026"},
    };
    for (const auto& [range, text] : words) {
        EXPECT_EQ(RangeInWords(range), text);
    }
    EXPECT_EQ(PaperOf(QLocale(QLocale::English, QLocale::UnitedStates)), QPageSize::Letter);
    EXPECT_EQ(PaperOf(QLocale(QLocale::German, QLocale::Germany)), QPageSize::A4);
    QLocale::setDefault(QLocale::c());
}

// The rule in words, as the window and the report print it.
TEST(ReportNumbers, TheRuleInWordsNamesEveryChoice) {
    EXPECT_EQ(RoundingText({{}, true}),
              "Not rounded; hours to two decimals, each row adding up to its total");
    EXPECT_EQ(RoundingText({{RoundMode::Up, 6, RoundScope::TaskDay}, false}),
              "Rounded up to 6 minutes per task and day");
}

}  // namespace
