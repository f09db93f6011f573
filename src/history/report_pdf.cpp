// The report as a PDF a client can read.
#include "history/report_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <algorithm>

#include "history/sessions.h"

namespace {

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString Cell(const QString& text, bool right = false, bool bold = false) {
    const QString shown = bold ? QStringLiteral("<b>%1</b>").arg(Escaped(text)) : Escaped(text);
    return right ? QStringLiteral("<td align=\"right\">%1</td>").arg(shown)
                 : QStringLiteral("<td>%1</td>").arg(shown);
}

QString Header(const QStringList& titles, int firstRight) {
    QString row = QStringLiteral("<thead><tr>");
    for (int i = 0; i < titles.size(); ++i) {
        row += QStringLiteral("<th align=\"%1\" bgcolor=\"#e8e8e8\">%2</th>")
                   .arg(i >= firstRight ? QStringLiteral("right") : QStringLiteral("left"),
                        Escaped(titles[i]));
    }
    return row + QStringLiteral("</tr></thead>");
}

QString TableStart() {
    return QStringLiteral(
        "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\" "
        "style=\"border-collapse: collapse; border-color: #999999;\">");
}

QString AmountOf(const TimesheetRow& row) {
    return row.priced ? MoneyText(row.amount, row.currency) : QString();
}

// Days as columns: each row's time per day and in total, parents with the time below them.
QString WeekTable(const Timesheet& sheet, const QLocale& locale) {
    const int days = std::max(sheet.range.days(), 0);
    const bool priced = !sheet.amounts.empty();
    QStringList titles{QStringLiteral("Task")};
    for (int day = 0; day < days; ++day) {
        titles << locale.toString(sheet.range.first.addDays(day), QStringLiteral("ddd d.M."));
    }
    titles << QStringLiteral("Total");
    if (priced) {
        titles << QStringLiteral("Amount");
    }
    QString html = TableStart() + Header(titles, 1);
    const auto cells = [&](const std::map<int, int64_t>& values) {
        QString row;
        for (int day = 0; day < days; ++day) {
            const auto cell = values.find(day);
            row += Cell(cell == values.end() ? QString() : ShownTime(cell->second, sheet.options),
                        true);
        }
        return row;
    };
    for (const TimesheetRow& row : sheet.rows) {
        html +=
            QStringLiteral("<tr><td>%1%2</td>")
                .arg(QStringLiteral("&nbsp;&nbsp;&nbsp;").repeated(row.depth), Escaped(row.name)) +
            cells(row.total) + Cell(ShownTime(row.totalSum, sheet.options), true, row.depth == 0);
        if (priced) {
            html += Cell(AmountOf(row), true, row.depth == 0);
        }
        html += QStringLiteral("</tr>");
    }
    std::map<int, int64_t> totals;
    for (int day = 0; day < days; ++day) {
        if (sheet.dayTotals[static_cast<size_t>(day)] != 0) {
            totals[day] = sheet.dayTotals[static_cast<size_t>(day)];
        }
    }
    html += QStringLiteral("<tr><td><b>Total</b></td>") + cells(totals) +
            Cell(ShownTime(sheet.grandTotal, sheet.options), true, true);
    if (priced) {
        html += Cell(AmountsText(sheet), true, true);
    }
    return html + QStringLiteral("</tr></table>");
}

// One row per task and day with its own time, grouped by week with a total for each.
QString DayRowsTable(const Timesheet& sheet, const QLocale& locale) {
    const bool priced = !sheet.amounts.empty();
    QStringList titles{QStringLiteral("Date"), QStringLiteral("Project / Task"),
                       QStringLiteral("Time")};
    if (priced) {
        titles << QStringLiteral("Amount");
    }
    QString html = TableStart() + Header(titles, 2);
    const int columns = static_cast<int>(titles.size());
    int64_t weekSeconds = 0;
    QDate weekOf;
    const auto weekTotal = [&] {
        if (weekOf.isValid()) {
            html += QStringLiteral("<tr><td colspan=\"2\"><i>Week total</i></td>") +
                    Cell(ShownTime(weekSeconds, sheet.options), true, true) +
                    (priced ? Cell(QString()) : QString()) + QStringLiteral("</tr>");
        }
        weekSeconds = 0;
    };
    for (int day = 0; day < sheet.range.days(); ++day) {
        const QDate date = sheet.range.first.addDays(day);
        const QDate week = WeekStart(date, locale.firstDayOfWeek());
        for (const TimesheetRow& row : sheet.rows) {
            const auto cell = row.own.find(day);
            if (cell == row.own.end()) {
                continue;
            }
            if (week != weekOf) {
                weekTotal();
                weekOf = week;
                html +=
                    QStringLiteral(
                        "<tr><td colspan=\"%1\" bgcolor=\"#f4f4f4\"><b>Week of %2</b></td></tr>")
                        .arg(columns)
                        .arg(Escaped(locale.toString(week, QStringLiteral("d MMMM yyyy"))));
            }
            const QString name = row.path.isEmpty() ? row.project : row.project + " / " + row.path;
            html += QStringLiteral("<tr>") +
                    Cell(locale.toString(date, QStringLiteral("ddd d MMM"))) + Cell(name) +
                    Cell(ShownTime(cell->second, sheet.options), true);
            if (priced) {
                const auto amount = row.ownAmount.find(day);
                html +=
                    Cell(amount == row.ownAmount.end() ? QString()
                                                       : MoneyText(amount->second, row.currency),
                         true);
            }
            html += QStringLiteral("</tr>");
            weekSeconds = AddSeconds(weekSeconds, cell->second);
        }
    }
    weekTotal();
    html += QStringLiteral("<tr><td colspan=\"2\"><b>Total</b></td>") +
            Cell(ShownTime(sheet.grandTotal, sheet.options), true, true);
    if (priced) {
        html += Cell(AmountsText(sheet), true, true);
    }
    return html + QStringLiteral("</tr></table>");
}

}  // namespace

QString RangeInWords(const DateRange& range, const QLocale& locale) {
    const auto full = [&](QDate day) {
        return locale.toString(day, QStringLiteral("d MMMM yyyy"));
    };
    if (range.first == range.last) {
        return full(range.first);
    }
    QString first;
    if (range.first.year() != range.last.year()) {
        first = full(range.first);
    } else if (range.first.month() != range.last.month()) {
        first = locale.toString(range.first, QStringLiteral("d MMMM"));
    } else {
        first = QString::number(range.first.day());
    }
    return QStringLiteral("%1 to %2").arg(first, full(range.last));
}

QPageSize::PageSizeId PaperOf(const QLocale& locale) {
    switch (locale.territory()) {
        case QLocale::UnitedStates:
        case QLocale::Canada:
        case QLocale::Mexico:
        case QLocale::Philippines:
        case QLocale::Chile:
        case QLocale::Colombia:
        case QLocale::Venezuela:
            return QPageSize::Letter;
        default:
            return QPageSize::A4;
    }
}

bool NeedsLandscape(const Timesheet& sheet) {
    return sheet.range.days() > 5 && sheet.range.days() <= 7 && !sheet.amounts.empty();
}

QString ReportHtml(const Timesheet& sheet, const ReportHeading& heading, const QString& periods) {
    const QLocale locale;
    QString html = QStringLiteral("<html><body>");
    if (!heading.author.isEmpty()) {
        html += QStringLiteral("<p><b>%1</b></p>").arg(Escaped(heading.author));
    }
    html +=
        QStringLiteral("<h2>Timesheet: %1</h2>").arg(Escaped(RangeInWords(sheet.range, locale)));
    html += QStringLiteral("<p>");
    if (!heading.clients.isEmpty()) {
        html += QStringLiteral("Client: %1<br>").arg(Escaped(heading.clients.join(", ")));
    }
    html += QStringLiteral("%1: %2<br>Made on %3</p>")
                .arg(heading.projects.size() == 1 ? QStringLiteral("Project")
                                                  : QStringLiteral("Projects"),
                     Escaped(heading.projects.join(", ")),
                     Escaped(locale.toString(heading.made, QStringLiteral("d MMMM yyyy"))));
    html += sheet.range.days() <= 7 ? WeekTable(sheet, locale) : DayRowsTable(sheet, locale);
    html += QStringLiteral("<p><i>%1.</i></p>").arg(Escaped(RoundingText(sheet.options)));
    if (!periods.isEmpty()) {
        html += QStringLiteral("<h3>Periods</h3>") + periods;
    }
    return html + QStringLiteral("</body></html>");
}

QString PeriodsHtml(const std::vector<ReportProject>& projects, const DateRange& range,
                    LocalDays& days, const ReportOptions& options) {
    struct Line {
        int64_t when;
        QString row;
    };
    std::vector<Line> lines;
    const ReportOptions exact{{}, options.decimal};
    for (const ReportProject& project : projects) {
        ForEachTask(project.element, [&](pugi::xml_node element, const QString& path, int) {
            for (const Session& session : ReadSessions(element)) {
                const QDate day =
                    session.valid ? days.DayOf(session.when, session.offset) : QDate();
                if (!day.isValid() || !range.contains(day)) {
                    continue;
                }
                const QDateTime start =
                    QDateTime::fromSecsSinceEpoch(session.when, QTimeZone(session.offset));
                const QString name = path.isEmpty() ? project.name : project.name + " / " + path;
                lines.push_back(
                    {session.when,
                     QStringLiteral("<tr>") +
                         Cell(session.correction
                                  ? QLocale().toString(start.date(), QStringLiteral("ddd d MMM")) +
                                        QStringLiteral(" (correction)")
                                  : QLocale().toString(start, QStringLiteral("ddd d MMM HH:mm"))) +
                         Cell(name) + Cell(ShownTime(session.seconds, exact), true) +
                         Cell(session.note) + QStringLiteral("</tr>")});
            }
        });
    }
    if (lines.empty()) {
        return {};
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.when < b.when; });
    QString html = TableStart() + Header({QStringLiteral("Start"), QStringLiteral("Project / Task"),
                                          QStringLiteral("Time"), QStringLiteral("Note")},
                                         2);
    for (const Line& line : lines) {
        html += line.row;
    }
    return html + QStringLiteral("</table>");
}

bool DrawReportPdf(const QString& path, const QString& html, bool landscape, QString& error) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(PaperOf()));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(9);
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&printer);
    document.setDefaultFont(font);
    document.setHtml(html);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int footer = QFontMetrics(font, &printer).height() * 2;
    const QSizeF body(page.width(), page.height() - footer);
    document.setPageSize(body);
    const int pages = document.pageCount();
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("The PDF could not be drawn.");
        return false;
    }
    painter.setFont(font);
    for (int index = 0; index < pages; ++index) {
        if (index > 0) {
            printer.newPage();
        }
        painter.save();
        painter.translate(0, -body.height() * index);
        document.drawContents(&painter, QRectF(QPointF(0, body.height() * index), body));
        painter.restore();
        painter.drawText(QRectF(0, body.height(), body.width(), footer),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Page %1 of %2").arg(index + 1).arg(pages));
    }
    return painter.end();
}
