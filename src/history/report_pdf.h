#pragma once
// A report a client can read: a heading (who made it, for which client and projects, over
// which days, and when), the timesheet with its totals and amounts, the rounding rule, and
// if asked the periods with their notes; drawn on the locale's paper with the table's header
// on every page and "Page 2 of 3" below each.

#include <QLocale>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include "history/report.h"

struct ReportHeading {
    QString author;  // the person's name or business
    QStringList clients;
    QStringList projects;
    QDate made;
};

// The days in words: "7 to 13 December 2026", "30 November to 6 December 2026",
// "29 December 2026 to 4 January 2027", or one day "7 December 2026".
QString RangeInWords(const DateRange& range, const QLocale& locale = QLocale());
// Letter where the locale's country uses it, A4 elsewhere.
QPageSize::PageSizeId PaperOf(const QLocale& locale = QLocale());
// Whether the sheet's table needs a page on its side: a week of days with amounts.
bool NeedsLandscape(const Timesheet& sheet);

// The report as rich text: days as columns for a range of at most 7 days, otherwise one row
// per task and day, grouped by week. `periods` (the list of periods with notes) may be empty.
QString ReportHtml(const Timesheet& sheet, const ReportHeading& heading, const QString& periods);
// The periods of the projects that start in the range, oldest first, as a table with notes.
QString PeriodsHtml(const std::vector<ReportProject>& projects, const DateRange& range,
                    LocalDays& days, const ReportOptions& options);

// Draws the rich text into a PDF file at `path`; false with the reason when it cannot.
bool DrawReportPdf(const QString& path, const QString& html, bool landscape, QString& error);
