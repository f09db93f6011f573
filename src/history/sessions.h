#pragma once
// Timing periods as `session` children of an element's `history`, in the order they began:
// <session start="2026-12-07T09:15:02+01:00" seconds="3600" note="..."/>. A correction of the
// time (Edit Time) is a session with correction="true": its start is when it was made and its
// seconds the difference; it has no end. Anything else in `history` belongs to other programs
// and is never touched.

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <cstdint>
#include <functional>
#include <pugixml.hpp>
#include <vector>

// One period as stored. `when` is the start's instant (UTC seconds) and `offset` its UTC
// offset in seconds; both are 0 with `valid` false when `start` cannot be read.
struct Session {
    pugi::xml_node node;
    QString start;
    int64_t when = 0;
    int offset = 0;
    bool valid = false;
    int64_t seconds = 0;
    QString note;
    bool correction = false;
};

// A period as the person enters it, and as a correction puts it back.
struct SessionValues {
    QString start;  // the stored form, see SessionStartText
    int64_t seconds = 0;
    QString note;
    bool correction = false;
};

// The stored form of a start: local date and time to the second with its UTC offset.
QString SessionStartText(const QDateTime& start);

// Reads "yyyy-MM-ddTHH:mm:ss+hh:mm" (or "Z"); false for anything else. Much faster than
// QDateTime's parser, which matters with a year of sessions.
bool ParseSessionStart(const char* text, int64_t& when, int& offset);

// The element's periods in stored order; an element without any reads as none.
std::vector<Session> ReadSessions(pugi::xml_node element);
// The same as stored nodes, for readers that want no copies (a year of periods).
pugi::xml_object_range<pugi::xml_named_node_iterator> SessionNodes(pugi::xml_node element);
// A stored period's instant and UTC offset (see Session) and its seconds; false, with
// nothing read, when its start cannot be read.
bool ReadSessionTime(pugi::xml_node session, int64_t& when, int& offset, int64_t& seconds);
// Whether a stored session is a correction rather than a timed period.
bool IsCorrection(pugi::xml_node session);
// A stored period's values, and whether it holds exactly these.
SessionValues SessionValuesOf(pugi::xml_node session);
bool HoldsValues(pugi::xml_node session, const SessionValues& values);
// The sum of their seconds.
int64_t SumSessions(pugi::xml_node element);

// Adds a period at its place in start order (after any that began at the same moment) and
// returns it. `history` is created after `description` when the element has none.
pugi::xml_node AddSession(pugi::xml_node element, const QString& start, int64_t seconds,
                          const QString& note = {}, bool correction = false);
pugi::xml_node AddSession(pugi::xml_node element, const SessionValues& values);
// Rewrites a period's seconds, start or note (an empty note removes the attribute). A new
// start moves the period to its place in start order.
void SetSessionSeconds(pugi::xml_node session, int64_t seconds);
void SetSessionNote(pugi::xml_node session, const QString& note);
pugi::xml_node SetSessionStart(pugi::xml_node session, const QString& start);

// The first timed period (not a correction) of `top` or a task below it that shares a second
// with [from, to), leaving out `except`; a null node when none does.
pugi::xml_node OverlappingSession(pugi::xml_node top, int64_t from, int64_t to,
                                  pugi::xml_node except = {});
// The newest timed period of the element that began at `start` (the stored form): the one a
// timer run extends; a null node when there is none.
pugi::xml_node OpenSessionOf(pugi::xml_node element, const QString& start);

// Calls `visit` for `top` and every task below it, parents first, in document order, with
// the path of names below `top` joined by "/" (empty for `top`) and the levels below `top`
// (0 for `top`). Needs no call stack depth.
void ForEachTask(pugi::xml_node top,
                 const std::function<void(pugi::xml_node, const QString&, int)>& visit);

// What a timer run leaves in the history: nothing until the first booked second, then one
// period that each tick extends. It holds no element handle between calls, so a node that
// is moved (its element copied) or removed meanwhile leaves nothing dangling.
class SessionRecorder {
  public:
    void Begin(const QDateTime& start);
    // Adds the seconds to the open period of `element`, creating it on the first second;
    // true when it created one (a change the crash journal cannot carry on its own).
    bool Book(pugi::xml_node element, double seconds);
    void End();
    // The stored start of the open period; empty while none is open.
    QString OpenStart() const { return open_ ? start_ : QString(); }

  private:
    QString start_;
    bool open_ = false;
};

// The local date and time of a clock reading (seconds since local midnight) on `day`: the
// start the timer's own clock gives, so that a settable clock sets it too.
QDateTime LocalTimeOfReading(double secondsSinceMidnight, QDate day = QDate::currentDate());
