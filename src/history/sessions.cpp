// Timing periods in the `history` element.
#include "history/sessions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/ids.h"

namespace {

constexpr const char* kSession = "session";

pugi::xml_node HistoryOf(pugi::xml_node element) {
    return element.child("history");
}

pugi::xml_node HistoryCreatingOf(pugi::xml_node element) {
    if (pugi::xml_node history = HistoryOf(element)) {
        return history;
    }
    if (pugi::xml_node description = element.child("description")) {
        return element.insert_child_after("history", description);
    }
    return element.prepend_child("history");
}

bool Digits(const char* text, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int64_t WhenOf(pugi::xml_node session) {
    int64_t when = 0;
    int offset = 0;
    ParseSessionStart(session.attribute("start").value(), when, offset);
    return when;
}

// Places the session after every period that began at or before it.
pugi::xml_node MoveToStartOrder(pugi::xml_node history, pugi::xml_node session) {
    const int64_t when = WhenOf(session);
    pugi::xml_node after;
    for (pugi::xml_node other = history.last_child(); other; other = other.previous_sibling()) {
        if (other != session && std::strcmp(other.name(), kSession) == 0 && WhenOf(other) <= when) {
            after = other;
            break;
        }
    }
    if (after) {
        return after.next_sibling() == session ? session
                                               : history.insert_move_after(session, after);
    }
    for (pugi::xml_node other = history.first_child(); other; other = other.next_sibling()) {
        if (std::strcmp(other.name(), kSession) == 0) {
            return other == session ? session : history.insert_move_before(session, other);
        }
    }
    return session;
}

}  // namespace

QString SessionStartText(const QDateTime& start) {
    const int offset = start.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return start.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(minutes / 60, 2, 10, QChar('0'))
               .arg(minutes % 60, 2, 10, QChar('0'));
}

bool ParseSessionStart(const char* text, int64_t& when, int& offset) {
    int year, month, day, hour, minute, second;
    if (std::strlen(text) < 20 || !Digits(text, 4, year) || text[4] != '-' ||
        !Digits(text + 5, 2, month) || text[7] != '-' || !Digits(text + 8, 2, day) ||
        text[10] != 'T' || !Digits(text + 11, 2, hour) || text[13] != ':' ||
        !Digits(text + 14, 2, minute) || text[16] != ':' || !Digits(text + 17, 2, second)) {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    const char* zone = text + 19;
    int zoneHours = 0, zoneMinutes = 0;
    if (std::strcmp(zone, "Z") == 0) {
        offset = 0;
    } else if ((zone[0] == '+' || zone[0] == '-') && std::strlen(zone) == 6 &&
               Digits(zone + 1, 2, zoneHours) && zone[3] == ':' &&
               Digits(zone + 4, 2, zoneMinutes) && zoneHours < 24 && zoneMinutes < 60) {
        offset = (zone[0] == '-' ? -1 : 1) * (zoneHours * 3600 + zoneMinutes * 60);
    } else {
        return false;
    }
    when = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset;
    return true;
}

std::vector<Session> ReadSessions(pugi::xml_node element) {
    std::vector<Session> sessions;
    for (pugi::xml_node node : HistoryOf(element).children(kSession)) {
        Session session;
        session.node = node;
        const char* start = node.attribute("start").value();
        session.start = QString::fromUtf8(start);
        session.valid = ParseSessionStart(start, session.when, session.offset);
        session.seconds = node.attribute("seconds").as_llong();
        session.note = QString::fromUtf8(node.attribute("note").value());
        session.correction = IsCorrection(node);
        sessions.push_back(std::move(session));
    }
    return sessions;
}

pugi::xml_object_range<pugi::xml_named_node_iterator> SessionNodes(pugi::xml_node element) {
    return HistoryOf(element).children(kSession);
}

bool ReadSessionTime(pugi::xml_node session, int64_t& when, int& offset, int64_t& seconds) {
    if (!ParseSessionStart(session.attribute("start").value(), when, offset)) {
        return false;
    }
    seconds = session.attribute("seconds").as_llong();
    return true;
}

bool IsCorrection(pugi::xml_node session) {
    return std::strcmp(session.attribute("correction").value(), "true") == 0;
}

SessionValues SessionValuesOf(pugi::xml_node session) {
    return {QString::fromUtf8(session.attribute("start").value()),
            session.attribute("seconds").as_llong(),
            QString::fromUtf8(session.attribute("note").value()), IsCorrection(session)};
}

bool HoldsValues(pugi::xml_node session, const SessionValues& values) {
    return values.start.toUtf8() == session.attribute("start").value() &&
           session.attribute("seconds").as_llong() == values.seconds &&
           values.note.toUtf8() == session.attribute("note").value() &&
           IsCorrection(session) == values.correction;
}

int64_t SumSessions(pugi::xml_node element) {
    int64_t sum = 0;
    for (pugi::xml_node node : HistoryOf(element).children(kSession)) {
        sum += node.attribute("seconds").as_llong();
    }
    return sum;
}

pugi::xml_node AddSession(pugi::xml_node element, const QString& start, int64_t seconds,
                          const QString& note, bool correction) {
    pugi::xml_node history = HistoryCreatingOf(element);
    pugi::xml_node session = history.append_child(kSession);
    session.append_attribute("start").set_value(start.toUtf8().constData());
    session.append_attribute("seconds").set_value(static_cast<long long>(seconds));
    if (correction) {
        session.append_attribute("correction").set_value("true");
    }
    SetSessionNote(session, note);
    // Two copies of the file that both extended this period then unite it instead of
    // doubling it.
    session.append_attribute("id").set_value(NewId().c_str());
    return MoveToStartOrder(history, session);
}

pugi::xml_node AddSession(pugi::xml_node element, const SessionValues& values) {
    return AddSession(element, values.start, values.seconds, values.note, values.correction);
}

void SetSessionSeconds(pugi::xml_node session, int64_t seconds) {
    session.attribute("seconds").set_value(static_cast<long long>(seconds));
}

void SetSessionNote(pugi::xml_node session, const QString& note) {
    if (note.isEmpty()) {
        session.remove_attribute("note");
        return;
    }
    pugi::xml_attribute attribute = session.attribute("note");
    if (!attribute) {
        attribute = session.append_attribute("note");
    }
    attribute.set_value(note.toUtf8().constData());
}

pugi::xml_node SetSessionStart(pugi::xml_node session, const QString& start) {
    session.attribute("start").set_value(start.toUtf8().constData());
    return MoveToStartOrder(session.parent(), session);
}

pugi::xml_node OverlappingSession(pugi::xml_node top, int64_t from, int64_t to,
                                  pugi::xml_node except) {
    pugi::xml_node found;
    ForEachTask(top, [&](pugi::xml_node element, const QString&, int) {
        for (pugi::xml_node session : SessionNodes(element)) {
            int64_t when = 0;
            int offset = 0;
            int64_t seconds = 0;
            if (found || session == except || IsCorrection(session) ||
                !ReadSessionTime(session, when, offset, seconds) || seconds <= 0) {
                continue;
            }
            // Compared as lengths from `from`, so that no stored number can overflow the sum.
            if (when < to && (when >= from || seconds > from - when)) {
                found = session;
            }
        }
    });
    return found;
}

pugi::xml_node OpenSessionOf(pugi::xml_node element, const QString& start) {
    const QByteArray text = start.toUtf8();
    for (pugi::xml_node node = HistoryOf(element).last_child(); node;
         node = node.previous_sibling()) {
        if (std::strcmp(node.name(), kSession) == 0 && !IsCorrection(node) &&
            text == node.attribute("start").value()) {
            return node;
        }
    }
    return {};
}

void ForEachTask(pugi::xml_node top,
                 const std::function<void(pugi::xml_node, const QString&, int)>& visit) {
    struct Pending {
        pugi::xml_node element;
        QString path;
        int depth;
    };
    std::vector<Pending> stack{{top, {}, 0}};
    while (!stack.empty()) {
        const Pending next = std::move(stack.back());
        stack.pop_back();
        visit(next.element, next.path, next.depth);
        const size_t before = stack.size();
        for (pugi::xml_node task : next.element.children("task")) {
            const QString name = QString::fromUtf8(task.attribute("name").value());
            stack.push_back(
                {task, next.path.isEmpty() ? name : next.path + '/' + name, next.depth + 1});
        }
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(before), stack.end());
    }
}

void SessionRecorder::Begin(const QDateTime& start) {
    start_ = SessionStartText(start);
    open_ = false;
}

bool SessionRecorder::Book(pugi::xml_node element, double seconds) {
    const auto whole = static_cast<int64_t>(seconds);
    // Seconds taken back (an idle stretch discarded) come off the open period they were in.
    if (whole == 0 || start_.isEmpty() || !element || (whole < 0 && !open_)) {
        return false;
    }
    if (open_) {
        // Found again each time: a correction may have been added after it meanwhile, and
        // a node moved in the tree has its element copied.
        if (pugi::xml_node node = OpenSessionOf(element, start_)) {
            SetSessionSeconds(node, node.attribute("seconds").as_llong() + whole);
            return false;
        }
    }
    AddSession(element, start_, whole);
    open_ = true;
    return true;
}

void SessionRecorder::End() {
    start_.clear();
    open_ = false;
}

QDateTime LocalTimeOfReading(double secondsSinceMidnight, QDate day) {
    const auto ms = static_cast<int>(std::llround(secondsSinceMidnight * 1000) % 86400000);
    return QDateTime(day, QTime::fromMSecsSinceStartOfDay(ms));
}
