// The arithmetic of reports.
#include "history/report.h"

#include <QDateTime>

#include <QRegularExpression>
#include <algorithm>
#include <cstring>

#include "history/sessions.h"

namespace {

constexpr int64_t kDay = 86400;

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
        if (seconds <= 0 || when + seconds <= days.MidnightOf(day.addDays(1))) {
            // Most periods stay within their day: no split, no allocation.
            if (day >= range.first && day <= range.last) {
                own[static_cast<int>(range.first.daysTo(day))] += seconds;
            }
            continue;
        }
        for (const auto& [piece, pieceSeconds] : days.Split(when, offset, seconds)) {
            if (piece >= range.first && piece <= range.last) {
                own[static_cast<int>(range.first.daysTo(piece))] += pieceSeconds;
            }
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
        into[day] += seconds;
    }
}

int64_t SumOf(const std::map<int, int64_t>& cells) {
    int64_t sum = 0;
    for (const auto& cell : cells) {
        sum += cell.second;
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

QString CsvLine(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) {
        quoted << CsvField(field);
    }
    return quoted.join(',') + QStringLiteral("\r\n");
}

}  // namespace

int64_t LocalDays::MidnightOf(QDate day) {
    const auto [it, added] = midnights_.try_emplace(day.toJulianDay(), 0);
    if (added) {
        it->second = QDateTime(day, QTime(0, 0), zone_).toSecsSinceEpoch();
    }
    return it->second;
}

QDate LocalDays::DayOf(int64_t when, int offset) {
    QDate day = QDate(1970, 1, 1).addDays(FloorDiv(when + offset, kDay));
    while (MidnightOf(day) > when) {
        day = day.addDays(-1);
    }
    while (MidnightOf(day.addDays(1)) <= when) {
        day = day.addDays(1);
    }
    return day;
}

std::vector<std::pair<QDate, int64_t>> LocalDays::Split(int64_t when, int offset, int64_t seconds) {
    QDate day = DayOf(when, offset);
    if (seconds <= 0) {
        return {{day, seconds}};
    }
    std::vector<std::pair<QDate, int64_t>> pieces;
    const int64_t end = when + seconds;
    while (true) {
        const int64_t next = MidnightOf(day.addDays(1));
        if (end <= next) {
            pieces.emplace_back(day, end - when);
            return pieces;
        }
        pieces.emplace_back(day, next - when);
        when = next;
        day = day.addDays(1);
    }
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
    const int64_t magnitude = (std::abs(seconds) + step / 2) / step * step;
    return seconds < 0 ? -magnitude : magnitude;
}

QString ClockText(int64_t seconds, bool showSeconds) {
    const int64_t magnitude = std::abs(seconds);
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
    const int64_t hundredths = (std::abs(seconds) * 100 + 1800) / 3600;
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
            sheet.dayTotals[day] += seconds;
        }
        sheet.grandTotal += rows[top].totalSum;
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
                if (day < range.first || day > range.last) {
                    continue;
                }
                const QDateTime start =
                    QDateTime::fromSecsSinceEpoch(session.when, QTimeZone(session.offset));
                lines.push_back(
                    {session.when,
                     {session.start, SessionStartText(start.addSecs(session.seconds)), project.name,
                      path, QString::number(session.seconds), ClockText(session.seconds, true),
                      DecimalHours(session.seconds), session.note}});
            }
        });
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.when < b.when; });
    QString csv =
        CsvLine({QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Project"),
                 QStringLiteral("Task"), QStringLiteral("Seconds"), QStringLiteral("Time"),
                 QStringLiteral("Hours"), QStringLiteral("Note")});
    for (const Line& line : lines) {
        csv += CsvLine(line.fields);
    }
    return csv.toUtf8();
}
