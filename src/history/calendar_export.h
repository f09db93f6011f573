#pragma once
// The periods of a report's range as an iCalendar file (RFC 5545), so that the week's work
// shows in any calendar program.

#include <QByteArray>
#include <QDateTime>

#include <vector>

#include "history/report.h"

// One VEVENT per timed period that starts on a day of the range, oldest first: its start and
// end in UTC, the project and task path as its summary, its note as its description, and a
// UID that stays the same at every export of the same period. Corrections have no span of
// time and are left out, as are periods of no seconds. `stamp` is the moment of the export.
QByteArray PeriodsCalendar(const std::vector<ReportProject>& projects, DateRange range,
                           LocalDays& days, const QDateTime& stamp);

// A TEXT value escaped: backslash, semicolon, comma and line breaks.
QString CalendarText(const QString& text);
// A content line folded at 75 octets, never inside a UTF-8 sequence, ending in CRLF.
QByteArray FoldedLine(const QString& line);
