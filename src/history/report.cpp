// The arithmetic of reports.
#include "history/report.h"

#include <QDateTime>
#include <QLocale>

#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "history/sessions.h"

namespace {

constexpr int64_t kDay = 86400;
// Instants within this many seconds of 1970, some 12,000 years either way, have a local day:
// every start a file can hold (years 0 to 9999), and QDateTime and the zones work throughout.
constexpr int64_t kFarthest = 400'000'000'000;
// Enough for the days of years of periods; beyond it the cache starts over.
constexpr size_t kMostCachedDays = 4096;

// |seconds| without overflow, even for the most negative value.
uint64_t Magnitude(int64_t seconds) {
    return seconds < 0 ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

QString NameOf(pugi::xml_node element) {
    return QString::fromUtf8(element.attribute("name").value());
}

using Cells = std::map<int, int64_t>;

// Rounds the values of a row so that they add up to their rounded sum.
void RoundCellsRunning(Cells& cells, RoundMode mode, int64_t step) {
    std::vector<int64_t*> values;
    for (auto& cell : cells) {
        values.push_back(&cell.second);
    }
    RoundRunning(values, mode, step);
}

// Adds one period's pieces (index of the day, seconds) into the cells, the period rounded
// as a whole first when the rule rounds each period.
void AddPeriod(Cells& own, std::vector<std::pair<int, int64_t>>& pieces, const RoundingRule& rule) {
    if (rule.scope == RoundScope::Period && rule.mode != RoundMode::None) {
        std::vector<int64_t*> values;
        for (auto& piece : pieces) {
            values.push_back(&piece.second);
        }
        RoundRunning(values, rule.mode, rule.step());
    }
    for (const auto& [day, seconds] : pieces) {
        int64_t& cell = own[day];
        cell = AddSeconds(cell, seconds);
    }
}

// Any number of seconds times any rate fits in 128 bits.
__extension__ using Wide = __int128;

// Seconds at an hourly rate, to the cent, halves away from zero; held at the largest amount.
int64_t PriceOf(int64_t seconds, int64_t hourly) {
    constexpr Wide kCent = kMoneyUnit / 100;
    const Wide exact = static_cast<Wide>(seconds) * hourly;  // in kMoneyUnit / 3600
    const Wide per = 3600 * kCent;
    const Wide cents = (exact < 0 ? exact - per / 2 : exact + per / 2) / per;
    const Wide most = std::numeric_limits<int64_t>::max() / 100 * 100;
    return static_cast<int64_t>(std::clamp(cents * kCent, -most, most));
}

// What the element's rates and billable say of its row, given the row above it. The rates
// are shared with the element they come from: ten thousand tasks under one project's rates
// hold one list, not ten thousand copies.
struct Pricing {
    std::shared_ptr<const std::vector<Rate>> rates;
    bool billable = true;
};

Pricing PricingOf(pugi::xml_node element, const Pricing* above) {
    std::vector<Rate> own = OwnRates(element);
    Pricing pricing{nullptr, OwnBillable(element)};
    if (above == nullptr) {
        pricing.rates = std::make_shared<const std::vector<Rate>>(std::move(own));
        return pricing;
    }
    pricing.rates =
        own.empty() ? above->rates : std::make_shared<const std::vector<Rate>>(std::move(own));
    pricing.billable = pricing.billable && above->billable;
    return pricing;
}

// What the raw seconds of each day were worth, each period at the rate in force on the day
// it started: the rate a day's shown seconds are priced at.
struct DayWorth {
    int64_t seconds = 0;
    Wide worth = 0;  // seconds times hourly rate
    bool priced = false;
};
using Worths = std::map<int, DayWorth>;

// The stored text of each day ("2026-07-01"), made once per day for the whole report rather
// than once per task and day: rates are looked up by it.
class DayTexts {
  public:
    const std::string& Of(QDate day) {
        const auto [at, added] = texts_.try_emplace(day.toJulianDay());
        if (added) {
            at->second = day.toString(Qt::ISODate).toStdString();
        }
        return at->second;
    }

  private:
    std::unordered_map<int64_t, std::string> texts_;
};

// The rate in force on each start day, looked up once per day rather than once per period.
class RateByDay {
  public:
    RateByDay(const Pricing& pricing, DayTexts& texts) : pricing_(pricing), texts_(texts) {}
    std::optional<int64_t> On(QDate day) {
        if (!pricing_.billable || pricing_.rates->empty()) {
            return std::nullopt;
        }
        if (day != day_) {
            day_ = day;
            rate_ = RateOn(*pricing_.rates, texts_.Of(day));
        }
        return rate_;
    }

  private:
    const Pricing& pricing_;
    DayTexts& texts_;
    QDate day_;
    std::optional<int64_t> rate_;
};

// The element's own periods per day of the range, as shown: rounded by the rule, then kept
// to hundredths of an hour for decimal hours. Every day with a period keeps its cell.
Cells OwnDays(pugi::xml_node element, const DateRange& range, LocalDays& days,
              const ReportOptions& options, RateByDay& rates, Worths& worths) {
    Cells own;
    std::vector<std::pair<int, int64_t>> pieces;
    for (pugi::xml_node session : SessionNodes(element)) {
        int64_t when = 0;
        int offset = 0;
        int64_t seconds = 0;
        if (!ReadSessionTime(session, when, offset, seconds)) {
            continue;
        }
        const QDate day = days.DayOf(when, offset);
        if (!day.isValid()) {
            continue;
        }
        pieces.clear();
        // Most periods stay within their day: no split, no allocation. A correction belongs
        // whole to the day it was made.
        if (seconds <= 0 || IsCorrection(session) ||
            AddSeconds(when, seconds) <= days.MidnightOf(day.addDays(1))) {
            if (range.contains(day)) {
                pieces.emplace_back(static_cast<int>(range.first.daysTo(day)), seconds);
            }
        } else {
            for (const auto& [piece, pieceSeconds] : days.Split(when, offset, seconds, range)) {
                pieces.emplace_back(static_cast<int>(range.first.daysTo(piece)), pieceSeconds);
            }
        }
        if (const auto hourly = rates.On(day)) {
            for (const auto& [index, pieceSeconds] : pieces) {
                DayWorth& worth = worths[index];
                worth.seconds = AddSeconds(worth.seconds, pieceSeconds);
                worth.worth += static_cast<Wide>(pieceSeconds) * *hourly;
                worth.priced = true;
            }
        }
        AddPeriod(own, pieces, options.rounding);
    }
    const RoundingRule& rule = options.rounding;
    if (rule.mode != RoundMode::None && rule.scope == RoundScope::TaskDay) {
        for (auto& cell : own) {
            cell.second = RoundSeconds(cell.second, rule.mode, rule.step());
        }
    } else if (rule.mode != RoundMode::None && rule.scope == RoundScope::TaskRange) {
        RoundCellsRunning(own, rule.mode, rule.step());
    }
    if (options.decimal && rule.step() % 36 != 0) {
        RoundCellsRunning(own, rule.mode == RoundMode::None ? RoundMode::Nearest : rule.mode, 36);
    }
    return own;
}

// Each day's shown seconds at the rate its periods were worth: the rate in force on their
// start, or the mean of the rates when periods that started under different ones share a day.
void PriceRow(TimesheetRow& row, const Pricing& pricing, const std::string& lastDay,
              const Worths& worths) {
    row.billable = pricing.billable;
    row.rate = RateOn(*pricing.rates, lastDay);
    for (const auto& [day, worth] : worths) {
        const auto shown = row.own.find(day);
        if (!worth.priced || shown == row.own.end()) {
            continue;
        }
        const int64_t hourly =
            worth.seconds == 0 ? 0 : static_cast<int64_t>(worth.worth / worth.seconds);
        row.ownAmount[day] = PriceOf(shown->second, hourly);
        row.dayRate[day] = hourly;
        row.priced = true;
    }
}

int64_t SumOf(const std::map<int, int64_t>& cells) {
    int64_t sum = 0;
    for (const auto& cell : cells) {
        sum = AddSeconds(sum, cell.second);
    }
    return sum;
}

// The summed totals of the rows of one level below a parent, one slot per day of the range,
// while the rows are walked from the last up. A parent with a hundred children then costs a
// pass over the days they touched instead of a map insert per child's cell; each level holds
// as many slots as the sheet's day totals, and the levels are as many as the tree is deep.
class LevelSums {
  public:
    explicit LevelSums(int days)
        : seconds_(static_cast<size_t>(std::max(days, 0)), 0), present_(seconds_.size(), false) {}
    void Add(const Cells& cells) {
        for (const auto& [day, seconds] : cells) {
            const auto at = static_cast<size_t>(day);
            if (!present_[at]) {
                present_[at] = true;
                touched_.push_back(day);
            }
            seconds_[at] = AddSeconds(seconds_[at], seconds);
        }
    }
    // The children's sums with the row's own seconds added to them, day by day; empties
    // the level for the next parent.
    Cells TotalWith(const Cells& own) {
        if (touched_.empty()) {
            return own;
        }
        for (const auto& cell : own) {
            if (!present_[static_cast<size_t>(cell.first)]) {
                touched_.push_back(cell.first);
            }
        }
        std::sort(touched_.begin(), touched_.end());
        Cells total;
        auto mine = own.begin();
        for (const int day : touched_) {
            const auto at = static_cast<size_t>(day);
            int64_t seconds = seconds_[at];
            if (mine != own.end() && mine->first == day) {
                seconds = AddSeconds(seconds, mine->second);
                ++mine;
            }
            total.emplace_hint(total.end(), day, seconds);
            seconds_[at] = 0;
            present_[at] = false;
        }
        touched_.clear();
        return total;
    }

  private:
    std::vector<int64_t> seconds_;
    std::vector<bool> present_;
    std::vector<int> touched_;
};

// Fills in each row's totals from the last row up: every row's children come after it, so
// its children's sums are complete when it is reached. Children are summed in that order,
// then the row's own seconds, so that sums held at the largest value come out the same.
void SumUp(std::vector<TimesheetRow>& rows, size_t first, const std::vector<size_t>& parents,
           int rangeDays) {
    std::vector<LevelSums> levels;
    for (size_t i = rows.size(); i-- > first;) {
        TimesheetRow& row = rows[i];
        const auto level = static_cast<size_t>(row.depth);
        while (levels.size() < level + 2) {
            levels.emplace_back(rangeDays);
        }
        row.total = levels[level + 1].TotalWith(row.own);
        row.ownSum = SumOf(row.own);
        row.totalSum = SumOf(row.total);
        row.amount = AddSeconds(row.amount, SumOf(row.ownAmount));
        if (parents[i - first] != SIZE_MAX) {
            levels[level].Add(row.total);
            TimesheetRow& parent = rows[parents[i - first]];
            parent.amount = AddSeconds(parent.amount, row.amount);
            parent.priced = parent.priced || row.priced;
        }
    }
}

// Appends the project's row and those below it, parents first, in document order.
void AddRows(std::vector<TimesheetRow>& rows, const ReportProject& project, const DateRange& range,
             LocalDays& days, DayTexts& texts, const ReportOptions& options) {
    const size_t first = rows.size();
    const QString currency = CurrencyOf(project.element);
    const std::string& lastDay = texts.Of(range.last);
    std::vector<size_t> parents;
    std::vector<size_t> lastAtDepth;  // the row last added at each level: the next one's parent
    std::vector<Pricing> pricingAtDepth;
    ForEachTask(project.element, [&](pugi::xml_node element, const QString& path, int depth) {
        const auto level = static_cast<size_t>(depth);
        Pricing pricing = PricingOf(element, level > 0 ? &pricingAtDepth[level - 1] : nullptr);
        TimesheetRow row;
        row.project = project.name;
        row.path = path;
        row.name = depth == 0 ? project.name : NameOf(element);
        row.depth = depth;
        Worths worths;
        RateByDay rates(pricing, texts);
        row.own = OwnDays(element, range, days, options, rates, worths);
        row.currency = currency;
        PriceRow(row, pricing, lastDay, worths);
        rows.push_back(std::move(row));
        parents.push_back(level == 0 ? SIZE_MAX : lastAtDepth[level - 1]);
        lastAtDepth.resize(level + 1);
        lastAtDepth[level] = rows.size() - 1;
        pricingAtDepth.resize(level + 1);
        pricingAtDepth[level] = std::move(pricing);
    });
    SumUp(rows, first, parents, range.days());
}

// The end of a period in its start's offset; empty past the years a date can be written in.
QString EndText(const Session& session) {
    const int64_t end = AddSeconds(session.when, session.seconds);
    if (end < -kFarthest || end > kFarthest) {
        return {};
    }
    return SessionStartText(QDateTime::fromSecsSinceEpoch(end, QTimeZone(session.offset)));
}

QString CsvLine(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) {
        quoted << CsvField(field);
    }
    return quoted.join(',') + QStringLiteral("\r\n");
}

}  // namespace

int64_t AddSeconds(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    return sum;
}

int64_t LocalDays::MidnightOf(QDate day) {
    const auto known = midnights_.find(day.toJulianDay());
    if (known != midnights_.end()) {
        return known->second;
    }
    if (midnights_.size() >= kMostCachedDays) {
        midnights_.clear();
    }
    const int64_t midnight = QDateTime(day, QTime(0, 0), zone_).toSecsSinceEpoch();
    midnights_.emplace(day.toJulianDay(), midnight);
    return midnight;
}

QDate LocalDays::DayOf(int64_t when, int offset) {
    if (when < -kFarthest || when > kFarthest) {
        return {};
    }
    // No zone is a day or more from UTC: a hint beyond that is no hint.
    const int64_t hint = std::clamp<int64_t>(offset, -kDay, kDay);
    QDate day = QDate(1970, 1, 1).addDays(FloorDiv(when + hint, kDay));
    while (MidnightOf(day) > when) {
        day = day.addDays(-1);
    }
    while (MidnightOf(day.addDays(1)) <= when) {
        day = day.addDays(1);
    }
    return day;
}

std::vector<std::pair<QDate, int64_t>> LocalDays::Split(int64_t when, int offset, int64_t seconds,
                                                        const DateRange& range) {
    std::vector<std::pair<QDate, int64_t>> pieces;
    const QDate first = DayOf(when, offset);
    if (!first.isValid()) {
        return pieces;
    }
    if (seconds <= 0) {
        if (range.contains(first)) {
            pieces.emplace_back(first, seconds);
        }
        return pieces;
    }
    const int64_t end = AddSeconds(when, seconds);
    // Only the days the period shares with the range: a period of a million years costs a
    // week's report seven steps.
    for (QDate day = std::max(first, range.first); day.isValid() && day <= range.last;
         day = day.addDays(1)) {
        const int64_t from = std::max(when, MidnightOf(day));
        if (from >= end) {
            break;
        }
        const int64_t to = std::min(end, MidnightOf(day.addDays(1)));
        if (to > from) {
            pieces.emplace_back(day, to - from);
        }
    }
    return pieces;
}

QDate WeekStart(QDate day, Qt::DayOfWeek firstDay) {
    return day.addDays(-((day.dayOfWeek() - firstDay + 7) % 7));
}

DateRange RangeOf(ReportPeriod period, QDate today, Qt::DayOfWeek firstDay, DateRange custom) {
    const QDate week = WeekStart(today, firstDay);
    const QDate month(today.year(), today.month(), 1);
    switch (period) {
        case ReportPeriod::Today:
            return {today, today};
        case ReportPeriod::ThisWeek:
            return {week, week.addDays(6)};
        case ReportPeriod::LastWeek:
            return {week.addDays(-7), week.addDays(-1)};
        case ReportPeriod::ThisMonth:
            return {month, month.addMonths(1).addDays(-1)};
        case ReportPeriod::LastMonth:
            return {month.addMonths(-1), month.addDays(-1)};
        case ReportPeriod::Custom:
            break;
    }
    return custom;
}

int64_t RoundSeconds(int64_t seconds, RoundMode mode, int64_t step) {
    if (mode == RoundMode::None || step <= 1) {
        return seconds;
    }
    const uint64_t magnitude = Magnitude(seconds);
    const auto unit = static_cast<uint64_t>(step);
    const uint64_t rest = magnitude % unit;
    // Away from zero for up on a positive value and down on a negative one.
    const bool away = mode == RoundMode::Nearest                 ? rest * 2 >= unit
                      : (mode == RoundMode::Up) == (seconds > 0) ? rest != 0
                                                                 : false;
    // Held at the largest step that fits, as the sums are.
    const uint64_t most = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) / unit * unit;
    const auto rounded =
        static_cast<int64_t>(std::min((magnitude / unit + (away ? 1 : 0)) * unit, most));
    return seconds < 0 ? -rounded : rounded;
}

void RoundRunning(std::vector<int64_t*>& values, RoundMode mode, int64_t step) {
    int64_t sum = 0;
    int64_t shown = 0;
    for (int64_t* value : values) {
        sum = AddSeconds(sum, *value);
        const int64_t rounded = RoundSeconds(sum, mode, step);
        *value = AddSeconds(rounded, -shown);
        shown = rounded;
    }
}

QString RoundingText(const ReportOptions& options) {
    const RoundingRule& rule = options.rounding;
    QString text;
    if (rule.mode == RoundMode::None) {
        text = QStringLiteral("Not rounded");
    } else {
        const QString how = rule.mode == RoundMode::Up     ? QStringLiteral("up")
                            : rule.mode == RoundMode::Down ? QStringLiteral("down")
                                                           : QStringLiteral("to the nearest");
        const QString unit = rule.minutes == 1 ? QStringLiteral("minute")
                                               : QStringLiteral("%1 minutes").arg(rule.minutes);
        const QString per = rule.scope == RoundScope::Period ? QStringLiteral("per period")
                            : rule.scope == RoundScope::TaskRange
                                ? QStringLiteral("per task")
                                : QStringLiteral("per task and day");
        text = QStringLiteral("Rounded %1 %2%3 %4")
                   .arg(how, rule.mode == RoundMode::Nearest ? QString() : QStringLiteral("to "),
                        unit, per);
    }
    if (options.decimal && rule.step() % 36 != 0) {
        text += QStringLiteral("; hours to two decimals, each row adding up to its total");
    }
    return text;
}

QString ShownTime(int64_t seconds, const ReportOptions& options) {
    return options.decimal ? DecimalHours(seconds)
                           : ClockText(seconds, options.rounding.mode == RoundMode::None);
}

QString CurrencyOf(pugi::xml_node project) {
    const QString own = QString::fromUtf8(project.attribute("currency").value()).trimmed();
    return own.isEmpty() ? QLocale().currencySymbol(QLocale::CurrencyIsoCode) : own;
}

QString MoneyText(int64_t amount, const QString& currency) {
    return QLocale().toCurrencyString(static_cast<double>(amount) / kMoneyUnit, currency, 2);
}

QString AmountsText(const Timesheet& sheet) {
    QStringList amounts;
    for (const auto& [currency, amount] : sheet.amounts) {
        amounts << MoneyText(amount, currency);
    }
    return amounts.join(QStringLiteral(" + "));
}

QString MoneyNumber(int64_t amount) {
    const uint64_t cents = Magnitude(amount) / (kMoneyUnit / 100);
    return QStringLiteral("%1%2.%3")
        .arg(amount < 0 ? QStringLiteral("-") : QString())
        .arg(cents / 100)
        .arg(cents % 100, 2, 10, QChar('0'));
}

QString ClockText(int64_t seconds, bool showSeconds) {
    const uint64_t magnitude = Magnitude(seconds);
    QString text = QStringLiteral("%1%2:%3")
                       .arg(seconds < 0 ? QStringLiteral("-") : QString())
                       .arg(magnitude / 3600)
                       .arg(magnitude / 60 % 60, 2, 10, QChar('0'));
    if (showSeconds) {
        text += QStringLiteral(":%1").arg(magnitude % 60, 2, 10, QChar('0'));
    }
    return text;
}

QString DecimalHours(int64_t seconds) {
    const uint64_t magnitude = Magnitude(seconds);
    const uint64_t hundredths = magnitude / 3600 * 100 + (magnitude % 3600 * 100 + 1800) / 3600;
    return QStringLiteral("%1%2.%3")
        .arg(seconds < 0 && hundredths != 0 ? QStringLiteral("-") : QString())
        .arg(hundredths / 100)
        .arg(hundredths % 100, 2, 10, QChar('0'));
}

Timesheet BuildTimesheet(const std::vector<ReportProject>& projects, DateRange range,
                         LocalDays& days, const ReportOptions& options) {
    Timesheet sheet;
    sheet.range = range;
    sheet.options = options;
    sheet.dayTotals.assign(std::max(range.days(), 0), 0);
    std::vector<TimesheetRow> rows;
    DayTexts texts;
    for (const ReportProject& project : projects) {
        const size_t top = rows.size();
        AddRows(rows, project, range, days, texts, options);
        for (const auto& [day, seconds] : rows[top].total) {
            sheet.dayTotals[day] = AddSeconds(sheet.dayTotals[day], seconds);
        }
        sheet.grandTotal = AddSeconds(sheet.grandTotal, rows[top].totalSum);
        if (rows[top].priced) {
            int64_t& amount = sheet.amounts[rows[top].currency];
            amount = AddSeconds(amount, rows[top].amount);
        }
    }
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [](const TimesheetRow& row) { return row.total.empty(); }),
               rows.end());
    sheet.rows = std::move(rows);
    return sheet;
}

QString CsvField(const QString& text) {
    if (!text.contains(QRegularExpression(QStringLiteral("[,\"\r\n]")))) {
        return text;
    }
    QString quoted = text;
    quoted.replace('"', QStringLiteral("\"\""));
    return '"' + quoted + '"';
}

QByteArray TimesheetCsv(const Timesheet& sheet) {
    QString csv =
        CsvLine({QStringLiteral("Date"), QStringLiteral("Project"), QStringLiteral("Task"),
                 QStringLiteral("Seconds"), QStringLiteral("Time"), QStringLiteral("Hours"),
                 QStringLiteral("Rate"), QStringLiteral("Amount"), QStringLiteral("Currency")});
    for (int day = 0; day < sheet.range.days(); ++day) {
        const QDate date = sheet.range.first.addDays(day);
        for (const TimesheetRow& row : sheet.rows) {
            const auto cell = row.own.find(day);
            if (cell == row.own.end()) {
                continue;
            }
            const auto amount = row.ownAmount.find(day);
            const bool priced = amount != row.ownAmount.end();
            csv += CsvLine(
                {date.toString(Qt::ISODate), row.project, row.path, QString::number(cell->second),
                 ClockText(cell->second, true), DecimalHours(cell->second),
                 priced ? QString::fromStdString(HourlyText(row.dayRate.at(day))) : QString(),
                 priced ? MoneyNumber(amount->second) : QString(),
                 priced ? row.currency : QString()});
        }
    }
    return csv.toUtf8();
}

QByteArray SessionsCsv(const std::vector<ReportProject>& projects, DateRange range,
                       LocalDays& days) {
    struct Line {
        int64_t when;
        QStringList fields;
    };
    std::vector<Line> lines;
    for (const ReportProject& project : projects) {
        ForEachTask(project.element, [&](pugi::xml_node element, const QString& path, int) {
            for (const Session& session : ReadSessions(element)) {
                if (!session.valid) {
                    continue;
                }
                const QDate day = days.DayOf(session.when, session.offset);
                if (!day.isValid() || !range.contains(day)) {
                    continue;
                }
                lines.push_back(
                    {session.when,
                     {session.start, session.correction ? QString() : EndText(session),
                      project.name, path, QString::number(session.seconds),
                      ClockText(session.seconds, true), DecimalHours(session.seconds), session.note,
                      session.correction ? QStringLiteral("correction")
                                         : QStringLiteral("period")}});
            }
        });
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.when < b.when; });
    QString csv =
        CsvLine({QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Project"),
                 QStringLiteral("Task"), QStringLiteral("Seconds"), QStringLiteral("Time"),
                 QStringLiteral("Hours"), QStringLiteral("Note"), QStringLiteral("Kind")});
    for (const Line& line : lines) {
        csv += CsvLine(line.fields);
    }
    return csv.toUtf8();
}
