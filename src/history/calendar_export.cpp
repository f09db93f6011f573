// The periods of a report's range as an iCalendar file.
#include "history/calendar_export.h"

#include <QCryptographicHash>
#include <QHash>

#include <algorithm>

#include "history/sessions.h"
#include "model/ids.h"

namespace {

// UTC as iCalendar writes it: 20261207T080000Z.
QString UtcText(int64_t when) {
    return QDateTime::fromSecsSinceEpoch(when, QTimeZone::utc())
        .toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

// Whether an instant lies in the years a DATE-TIME can hold.
bool Writable(int64_t when) {
    static const int64_t first =
        QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();
    static const int64_t last =
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc()).toSecsSinceEpoch();
    return when >= first && when <= last;
}

// A period's own id when it has one; otherwise one made from what identifies it in the
// file (its element, its start and its place among periods of the same start), so that
// older files that gave periods no id still export the same UIDs each time.
QString PeriodUid(pugi::xml_node session, const QString& owner, int sameStart) {
    const std::string id = session.attribute("id").value();
    if (IsId(id)) {
        return QString::fromStdString(id) + QStringLiteral("@horavel");
    }
    const QByteArray seed =
        (owner + QLatin1Char('\n') + QString::fromUtf8(session.attribute("start").value()) +
         QLatin1Char('\n') + QString::number(sameStart))
            .toUtf8();
    return QString::fromLatin1(
               QCryptographicHash::hash(seed, QCryptographicHash::Sha1).toHex().left(32)) +
           QStringLiteral("@horavel");
}

struct Event {
    int64_t start;
    int64_t end;
    QString uid;
    QString summary;
    QString note;
};

}  // namespace

QString CalendarText(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char(',')) {
            escaped += QLatin1Char('\\');
            escaped += c;
        } else if (c == QLatin1Char('\r')) {
            escaped += QStringLiteral("\\n");
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
        } else if (c == QLatin1Char('\n')) {
            escaped += QStringLiteral("\\n");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            continue;  // other control characters are not allowed in a TEXT value
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QByteArray FoldedLine(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    QByteArray folded;
    qsizetype width = 0;  // octets on the current line, the leading space of a fold included
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype length = 1;  // the octets of this character
        while (i + length < bytes.size() &&
               (static_cast<uchar>(bytes[i + length]) & 0xC0) == 0x80) {
            ++length;
        }
        if (width + length > 75) {
            folded += "\r\n ";
            width = 1;
        }
        folded += bytes.mid(i, length);
        width += length;
        i += length;
    }
    return folded + "\r\n";
}

QByteArray PeriodsCalendar(const std::vector<ReportProject>& projects, DateRange range,
                           LocalDays& days, const QDateTime& stamp) {
    std::vector<Event> events;
    for (const ReportProject& project : projects) {
        ForEachTask(project.element, [&](pugi::xml_node element, const QString& path, int) {
            const QString summary =
                path.isEmpty() ? project.name : project.name + QLatin1Char('/') + path;
            const QString id = QString::fromUtf8(element.attribute("id").value());
            const QString owner = id.isEmpty() ? summary : id;
            QHash<QString, int> starts;
            for (const Session& session : ReadSessions(element)) {
                const int sameStart = starts[session.start]++;
                if (!session.valid || session.correction || session.seconds <= 0) {
                    continue;
                }
                const int64_t end = AddSeconds(session.when, session.seconds);
                const QDate day = days.DayOf(session.when, session.offset);
                if (!day.isValid() || !range.contains(day) || !Writable(session.when) ||
                    !Writable(end)) {
                    continue;
                }
                events.push_back({session.when, end, PeriodUid(session.node, owner, sameStart),
                                  summary, session.note});
            }
        });
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.start < b.start; });
    const QString made = UtcText(stamp.toSecsSinceEpoch());
    QByteArray ics;
    ics += FoldedLine(QStringLiteral("BEGIN:VCALENDAR"));
    ics += FoldedLine(QStringLiteral("VERSION:2.0"));
    ics += FoldedLine(QStringLiteral("PRODID:-//Horavel//Horavel//EN"));
    ics += FoldedLine(QStringLiteral("CALSCALE:GREGORIAN"));
    for (const Event& event : events) {
        ics += FoldedLine(QStringLiteral("BEGIN:VEVENT"));
        ics += FoldedLine(QStringLiteral("UID:") + event.uid);
        ics += FoldedLine(QStringLiteral("DTSTAMP:") + made);
        ics += FoldedLine(QStringLiteral("DTSTART:") + UtcText(event.start));
        ics += FoldedLine(QStringLiteral("DTEND:") + UtcText(event.end));
        ics += FoldedLine(QStringLiteral("SUMMARY:") + CalendarText(event.summary));
        if (!event.note.isEmpty()) {
            ics += FoldedLine(QStringLiteral("DESCRIPTION:") + CalendarText(event.note));
        }
        ics += FoldedLine(QStringLiteral("END:VEVENT"));
    }
    ics += FoldedLine(QStringLiteral("END:VCALENDAR"));
    return ics;
}
