#pragma once
// The arithmetic of reports: periods split into local days, report ranges, rounding, the
// timesheet of a set of projects, and its CSV. Plain functions over the documents.

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <cstdint>
#include <map>
#include <pugixml.hpp>
#include <unordered_map>
#include <vector>

// Seconds added, held at the largest value of either sign instead of overflowing: a file
// may hold any 64-bit number of seconds, and a sum of them must still mean something.
int64_t AddSeconds(int64_t a, int64_t b);

enum class ReportPeriod { Today, ThisWeek, LastWeek, ThisMonth, LastMonth, Custom };
struct DateRange {
    QDate first;
    QDate last;  // included
    int days() const { return static_cast<int>(first.daysTo(last)) + 1; }
    bool contains(QDate day) const { return day >= first && day <= last; }
};

// The local days of one time zone, with their midnights cached: a year of sessions needs
// a few hundred zone look-ups instead of one per session. The cache holds a few thousand
// days at most.
class LocalDays {
  public:
    explicit LocalDays(QTimeZone zone) : zone_(std::move(zone)) {}
    // The instant (UTC seconds) the day begins.
    int64_t MidnightOf(QDate day);
    // The day an instant falls on; `offset` is a hint (the offset it was recorded with).
    // An invalid date for an instant more than some 12,000 years from 1970: no start a file
    // can hold lies there.
    QDate DayOf(int64_t when, int offset = 0);
    // The pieces of a period that fall on the days of `range`, split at each local midnight,
    // as (day, seconds) in order. A negative period (a correction) stays whole on the day it
    // starts. Costs the days the period shares with the range, whatever its length.
    std::vector<std::pair<QDate, int64_t>> Split(int64_t when, int offset, int64_t seconds,
                                                 const DateRange& range);

  private:
    QTimeZone zone_;
    std::unordered_map<int64_t, int64_t> midnights_;
};

// The first day of the week that holds `day`, weeks beginning on `firstDay`.
QDate WeekStart(QDate day, Qt::DayOfWeek firstDay);
// The days a period choice covers seen from `today`; Custom returns `custom` as it is.
DateRange RangeOf(ReportPeriod period, QDate today, Qt::DayOfWeek firstDay, DateRange custom = {});

enum class Rounding { None, Minute, QuarterHour };
// Seconds rounded to the nearest step, halves away from zero.
int64_t RoundSeconds(int64_t seconds, Rounding rounding);

// "h:mm:ss" or "h:mm", negative times with a leading "-"; hours are not limited.
QString ClockText(int64_t seconds, bool showSeconds);
// Hours with two decimals and a "." whatever the locale: 5400 s is "1.50".
QString DecimalHours(int64_t seconds);

// One row of a timesheet: a project or task, its own seconds per day (key: index of the
// day in the range) and the seconds of it and everything below it.
struct TimesheetRow {
    QString project;
    QString path;  // names below the project joined by "/"; empty for the project itself
    QString name;
    int depth = 0;  // 0 for a project
    std::map<int, int64_t> own;
    std::map<int, int64_t> total;
    int64_t ownSum = 0;
    int64_t totalSum = 0;
};

struct Timesheet {
    DateRange range;
    std::vector<TimesheetRow> rows;  // depth first, parents before their tasks
    std::vector<int64_t> dayTotals;  // one per day of the range
    int64_t grandTotal = 0;
};

struct ReportProject {
    QString name;
    pugi::xml_node element;  // the `project` element
};

// The timesheet of the projects over the range: each element's periods split into local
// days, each own cell rounded, every total summed from rounded cells so that it adds up.
// Rows without time in the range are left out.
Timesheet BuildTimesheet(const std::vector<ReportProject>& projects, DateRange range,
                         LocalDays& days, Rounding rounding);

// RFC 4180 field: quoted when it holds a comma, quote or line break, quotes doubled.
QString CsvField(const QString& text);
// The timesheet as CSV: a header row, then one row per task and day with time.
QByteArray TimesheetCsv(const Timesheet& sheet);
// Every period of the projects that starts in the range, oldest first, as CSV. The last
// column, Kind, tells a timed "period" from a "correction" (which has no end).
QByteArray SessionsCsv(const std::vector<ReportProject>& projects, DateRange range,
                       LocalDays& days);
