#include <gtest/gtest.h>

#include <sstream>

#include "history/sessions.h"
#include "support/doubles.h"

namespace {

std::string HistoryXml(pugi::xml_node element) {
    std::ostringstream out;
    element.child("history").print(out, "", pugi::format_raw);
    return out.str();
}

pugi::xml_node Load(pugi::xml_document& doc, const char* history) {
    const std::string text =
        std::string(R"(<task name="T" task_time="" subtask_time=""><description/>)") + history +
        "</task>";
    EXPECT_TRUE(doc.load_string(text.c_str()));
    return doc.first_child();
}

QDateTime Berlin(int h, int m, int s) {
    return QDateTime(QDate(2026, 12, 7), QTime(h, m, s), QTimeZone("Europe/Berlin"));
}

TEST(SessionRecorder, KeepsOnePeriodPerRunAndNothingForARunThatBookedNothing) {
    pugi::xml_document doc;
    pugi::xml_node task = Load(doc, R"(<history><old kept="yes">text</old></history>)");
    const CountingIds ids;
    SessionRecorder recorder;
    recorder.Begin(Berlin(8, 0, 0));
    recorder.Book(task, 0.0);
    recorder.End();
    EXPECT_EQ(HistoryXml(task), R"(<history><old kept="yes">text</old></history>)");

    recorder.Begin(Berlin(9, 15, 2));
    recorder.Book(task, 3);
    recorder.Book(task, 0);
    recorder.Book(task, 3597);
    recorder.End();
    recorder.Begin(Berlin(11, 0, 0));
    recorder.Book(task, 1);
    EXPECT_EQ(HistoryXml(task), R"(<history><old kept="yes">text</old>)"
                                R"(<session start="2026-12-07T09:15:02+01:00" seconds="3600")"
                                R"( id="00000000000000000000000000000001"/>)"
                                R"(<session start="2026-12-07T11:00:00+01:00" seconds="1")"
                                R"( id="00000000000000000000000000000002"/></history>)");
    EXPECT_EQ(SumSessions(task), 3601);
}

// A correction made in the second a run began is not the run's period: the run goes on
// booking on its own one, and the correction keeps its difference.
TEST(SessionRecorder, NeverBooksOnACorrection) {
    pugi::xml_document doc;
    pugi::xml_node task = Load(doc, "");
    const CountingIds ids;
    SessionRecorder recorder;
    recorder.Begin(Berlin(9, 15, 2));
    recorder.Book(task, 3);
    AddSession(task, "2026-12-07T09:15:02+01:00", -60, "Typed", true);
    recorder.Book(task, 2);
    EXPECT_EQ(HistoryXml(task),
              R"(<history><session start="2026-12-07T09:15:02+01:00" seconds="5")"
              R"( id="00000000000000000000000000000001"/>)"
              R"(<session start="2026-12-07T09:15:02+01:00" seconds="-60" correction="true")"
              R"( note="Typed" id="00000000000000000000000000000002"/></history>)");
    const std::vector<Session> read = ReadSessions(task);
    EXPECT_FALSE(read[0].correction);
    EXPECT_TRUE(read[1].correction);
    EXPECT_FALSE(HoldsValues(read[1].node, {read[1].start, -60, "Typed", false}));
    EXPECT_TRUE(HoldsValues(read[1].node, {read[1].start, -60, "Typed", true}));
}

TEST(Sessions, AreKeptInTheOrderTheyBegan) {
    pugi::xml_document doc;
    pugi::xml_node task = Load(doc, "");  // no history element yet
    AddSession(task, "2026-12-07T11:00:00+01:00", 60);
    AddSession(task, "2026-12-07T09:00:00+01:00", 60);
    AddSession(task, "2026-12-07T10:00:00+01:00", -30, "Lunch, \"long\"");
    AddSession(task, "2026-12-07T09:00:00Z", 5);  // 10:00 in Berlin: after the 10:00 above
    std::vector<QString> starts;
    for (const Session& session : ReadSessions(task)) {
        starts.push_back(session.start);
    }
    EXPECT_EQ(starts,
              (std::vector<QString>{"2026-12-07T09:00:00+01:00", "2026-12-07T10:00:00+01:00",
                                    "2026-12-07T09:00:00Z", "2026-12-07T11:00:00+01:00"}));
    EXPECT_EQ(std::string(task.first_child().next_sibling().name()), "history");
    EXPECT_EQ(SumSessions(task), 95);

    pugi::xml_node moved =
        SetSessionStart(task.child("history").first_child(), "2026-12-08T00:00:00+01:00");
    EXPECT_EQ(moved, task.child("history").last_child());
    SetSessionNote(moved, "");
    EXPECT_FALSE(moved.attribute("note"));
}

TEST(Sessions, StartTextIsLocalTimeWithItsOffsetAndReadsBack) {
    struct Case {
        QDateTime start;
        const char* text;
    };
    const Case cases[] = {
        {Berlin(9, 15, 2), "2026-12-07T09:15:02+01:00"},
        {QDateTime(QDate(2026, 7, 1), QTime(23, 0), QTimeZone("America/New_York")),
         "2026-07-01T23:00:00-04:00"},
        {QDateTime(QDate(2026, 7, 1), QTime(5, 30), QTimeZone("Asia/Kolkata")),
         "2026-07-01T05:30:00+05:30"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SessionStartText(c.start), c.text);
        int64_t when = 0;
        int offset = 0;
        ASSERT_TRUE(ParseSessionStart(c.text, when, offset)) << c.text;
        EXPECT_EQ(when, c.start.toSecsSinceEpoch()) << c.text;
        EXPECT_EQ(offset, c.start.offsetFromUtc()) << c.text;
    }
    for (const char* bad : {"", "2026-12-07", "2026-12-07 09:15:02+01:00", "2026-13-07T09:15:02Z",
                            "2026-12-07T09:15:02+0100", "2026-12-07T09:15:02+01:00x", "junk"}) {
        int64_t when = 0;
        int offset = 0;
        EXPECT_FALSE(ParseSessionStart(bad, when, offset)) << bad;
    }
}

}  // namespace
