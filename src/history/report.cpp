// The arithmetic of reports.
#include "history/report.h"

#include <QDateTime>

#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <limits>

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

// Sums of the element's own periods per day of the range, each cell rounded.
std::map<int, int64_t> OwnDays(pugi::xml_node element, const DateRange& range, LocalDays& days,
                               Rounding rounding) {
    std::map<int, int64_t> own;
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
        // Most periods stay within their day: no split, no allocation. A correction belongs
        // whole to the day it was made.
        if (seconds <= 0 || IsCorrection(session) ||
            AddSeconds(when, seconds) <= days.MidnightOf(day.addDays(1))) {
            if (range.contains(day)) {
                int64_t& cell = own[static_cast<int>(range.first.daysTo(day))];
                cell = AddSeconds(cell, seconds);
            }
            continue;
        }
        for (const auto& [piece, pieceSeconds] : days.Split(when, offset, seconds, range)) {
            int64_t& cell = own[static_cast<int>(range.first.daysTo(piece))];
            cell = AddSeconds(cell, pieceSeconds);
        }
    }
    for (auto it = own.begin(); it != own.end();) {
        it->second = RoundSeconds(it->second, rounding);
        it = it->second == 0 ? own.erase(it) : std::next(it);
    }
    return own;
}

void AddInto(std::map<int, int64_t>& into, const std::map<int, int64_t>& from) {
    for (const auto& [day, seconds] : from) {
        into[day] = AddSeconds(into[day], seconds);
    }
}

int64_t SumOf(const std::map<int, int64_t>& cells) {
    int64_t sum = 0;
    for (const auto& cell : cells) {
        sum = AddSeconds(sum, cell.second);
    }
    return sum;
}

// Appends the project's row and those below it, parents first, in document order.
void AddRows(std::vector<TimesheetRow>& rows, const ReportProject& project, const DateRange& range,
             LocalDays& days, Rounding rounding) {
    const size_t first = rows.size();
    std::vector<size_t> parents;
    std::vector<size_t> lastAtDepth;  // the row last added at each level: the next one's parent
    ForEachTask(project.element, [&](pugi::xml_node element, const QString& path, int depth) {
        rows.push_back({project.name,
                        path,
                        depth == 0 ? project.name : NameOf(element),
                        depth,
                        OwnDays(element, range, days, rounding),
                        {},
                        0,
                        0});
        const auto level = static_cast<size_t>(depth);
        parents.push_back(level == 0 ? SIZE_MAX : lastAtDepth[level - 1]);
        lastAtDepth.resize(level + 1);
        lastAtDepth[level] = rows.size() - 1;
    });
    for (size_t i = rows.size(); i-- > first;) {
        TimesheetRow& row = rows[i];
        AddInto(row.total, row.own);
        row.ownSum = SumOf(row.own);
        row.totalSum = SumOf(row.total);
        if (parents[i - first] != SIZE_MAX) {
            AddInto(rows[parents[i - first]].total, row.total);
        }
    }
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

int64_t RoundSeconds(int64_t seconds, Rounding rounding) {
    const int64_t step = rounding == Rounding::Minute        ? 60
                         : rounding == Rounding::QuarterHour ? 900
                                                             : 1;
    const uint64_t magnitude = Magnitude(seconds);
    const uint64_t up = (magnitude % step) * 2 >= static_cast<uint64_t>(step) ? 1 : 0;
    // Held at the largest step that fits, as the sums are.
    const uint64_t most = static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / step * step);
    const auto rounded = static_cast<int64_t>(std::min(
        (magnitude / static_cast<uint64_t>(step) + up) * static_cast<uint64_t>(step), most));
    return seconds < 0 ? -rounded : rounded;
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
                         LocalDays& days, Rounding rounding) {
    Timesheet sheet;
    sheet.range = range;
    sheet.dayTotals.assign(std::max(range.days(), 0), 0);
    std::vector<TimesheetRow> rows;
    for (const ReportProject& project : projects) {
        const size_t top = rows.size();
        AddRows(rows, project, range, days, rounding);
        for (const auto& [day, seconds] : rows[top].total) {
            sheet.dayTotals[day] = AddSeconds(sheet.dayTotals[day], seconds);
        }
        sheet.grandTotal = AddSeconds(sheet.grandTotal, rows[top].totalSum);
    }
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(sheet.rows),
                 [](const TimesheetRow& row) { return !row.total.empty(); });
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
                 QStringLiteral("Seconds"), QStringLiteral("Time"), QStringLiteral("Hours")});
    for (int day = 0; day < sheet.range.days(); ++day) {
        const QString date = sheet.range.first.addDays(day).toString(Qt::ISODate);
        for (const TimesheetRow& row : sheet.rows) {
            const auto cell = row.own.find(day);
            if (cell != row.own.end()) {
                csv += CsvLine({date, row.project, row.path, QString::number(cell->second),
                                ClockText(cell->second, true), DecimalHours(cell->second)});
            }
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
