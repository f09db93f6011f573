#pragma once
// The arithmetic of reports: periods split into local days, report ranges, rounding, the
// timesheet of a set of projects, and its CSV. Plain functions over the documents.

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <cstdint>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <unordered_map>
#include <vector>

#include "model/billing.h"

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

// How a report rounds what it shows; the stored seconds are never changed.
enum class RoundMode { None, Up, Nearest, Down };
// What is rounded: each task's sum per day, each period, or each task's sum over the range.
enum class RoundScope { TaskDay, Period, TaskRange };
inline constexpr int kRoundingMinutes[] = {1, 5, 6, 10, 15, 30, 60};
struct RoundingRule {
    RoundMode mode = RoundMode::None;
    int minutes = 1;
    RoundScope scope = RoundScope::TaskDay;
    int64_t step() const { return mode == RoundMode::None ? 1 : int64_t{minutes} * 60; }
};
// Seconds rounded to a multiple of `step`: up and down towards plus and minus infinity,
// nearest with halves away from zero; held at the largest multiple that fits.
int64_t RoundSeconds(int64_t seconds, RoundMode mode, int64_t step);
// Each value replaced by the step its rounded running sum takes: every value becomes a
// multiple of `step`, and together they make their rounded sum. This is how a rounded whole
// is shown in parts that still add up to it.
void RoundRunning(std::vector<int64_t*>& values, RoundMode mode, int64_t step);

// What a report shows besides its range and projects.
struct ReportOptions {
    RoundingRule rounding;
    // Hours with two decimals: each row's cells are then kept to hundredths of an hour
    // (36 s), so that the decimals shown add up as the times do.
    bool decimal = false;
};
// The rule in words, printed under a report: "Rounded up to 6 minutes per task and day".
QString RoundingText(const ReportOptions& options);
// A shown value as the report writes it: decimal hours, h:mm when every value is whole
// minutes, and h:mm:ss when nothing is rounded, so that no second is hidden.
QString ShownTime(int64_t seconds, const ReportOptions& options);

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
    int depth = 0;               // 0 for a project
    std::map<int, int64_t> own;  // shown seconds; a day with any period has its cell
    std::map<int, int64_t> total;
    int64_t ownSum = 0;
    int64_t totalSum = 0;
    bool billable = true;
    std::optional<int64_t> rate;       // in force on the range's last day (kMoneyUnit), if any
    std::map<int, int64_t> ownAmount;  // per day, in kMoneyUnit, whole cents
    std::map<int, int64_t> dayRate;    // the hourly rate that priced each of them
    int64_t amount = 0;                // this row and everything below it
    bool priced = false;               // whether any of it has a price
    QString currency;
};

struct Timesheet {
    DateRange range;
    std::vector<TimesheetRow> rows;  // depth first, parents before their tasks
    std::vector<int64_t> dayTotals;  // one per day of the range
    int64_t grandTotal = 0;
    std::map<QString, int64_t> amounts;  // the priced total per currency
    ReportOptions options;
};

struct ReportProject {
    QString name;
    pugi::xml_node element;  // the `project` element
};
// The project's currency: its own ISO code, or else the locale's.
QString CurrencyOf(pugi::xml_node project);
// An amount in the currency, as the locale writes money ("1.234,50 EUR" or "EUR1,234.50").
QString MoneyText(int64_t amount, const QString& currency);
// The totals of a sheet's amounts, one per currency, joined by " + ".
struct Timesheet;
QString AmountsText(const Timesheet& sheet);
// An amount with a dot and no grouping, for files: "1234.50".
QString MoneyNumber(int64_t amount);

// The timesheet of the projects over the range: each element's periods split into local
// days and rounded as the options say, every total summed from the shown cells so that it
// adds up, each own cell priced at the rate in force on its day unless it is not billable.
// A row with any period in the range stays, even when its rounded time is 0:00; rows
// without one are left out.
Timesheet BuildTimesheet(const std::vector<ReportProject>& projects, DateRange range,
                         LocalDays& days, const ReportOptions& options);

// RFC 4180 field: quoted when it holds a comma, quote or line break, quotes doubled.
QString CsvField(const QString& text);
// The timesheet as CSV: a header row, then one row per task and day with time, with its
// rate and amount (blank when it has no price) and the currency.
QByteArray TimesheetCsv(const Timesheet& sheet);
// Every period of the projects that starts in the range, oldest first, as CSV. The last
// column, Kind, tells a timed "period" from a "correction" (which has no end).
QByteArray SessionsCsv(const std::vector<ReportProject>& projects, DateRange range,
                       LocalDays& days);
