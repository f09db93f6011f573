#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "history/history_frame.h"
#include "history/history_model.h"
#include "history/report.h"
#include "history/reports_window.h"
#include "history/sessions.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

class HistoryFrameTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 800);  // room for the frame's rows
        ShowActive();
        project = AddProject("Site");
        task = AddTask(project, "Design");
        frame = window->History;
    }
    QString Shown(int row, int column) const {
        return frame->model->index(row, column).data().toString();
    }
    void Answer(const QString& start, int64_t seconds, const QString& note = {}) {
        frame->askSession = [=](const QString&, const SessionValues&) {
            return std::optional<SessionValues>(SessionValues{start, seconds, note});
        };
    }
    // Add Time, given that period.
    void AddTime(const QString& start, int64_t seconds, const QString& note = {}) {
        Answer(start, seconds, note);
        Click(frame->cmdAddTime);
    }
    void ExpectRefusal(const char* reason) {
        seams->prompter->ExpectNotice(
            QStringLiteral("The time cannot be corrected: %1.").arg(reason));
    }
    void ChooseRow(int row) {
        const QRect shown = frame->lstHistory->visualRect(frame->model->index(row, 0));
        QTest::mouseClick(frame->lstHistory->viewport(), Qt::LeftButton, {}, shown.center());
    }

    TreeNode* project = nullptr;
    TreeNode* task = nullptr;
    HistoryFrame* frame = nullptr;
};

TEST_F(HistoryFrameTest, CorrectionsMoveEveryTimeAboveAndUndo) {
    AddTime("2026-12-01T09:00:00+01:00", 3600, "Forgot");
    EXPECT_EQ(Text(task, "@task_time"), "1:00:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "1:00:00");
    EXPECT_EQ(Text(project, "@modified"), "true");
    EXPECT_EQ(window->ui.txtTaskTime->text(), "1:00:00");
    EXPECT_EQ(Shown(1, HistoryModel::NoteColumn), "Forgot");
    EXPECT_EQ(Shown(0, HistoryModel::DurationColumn), "1:00:00");  // the day's total first
    window->ui.Tree->setFocus();
    QTest::keyClick(window->ui.Tree, Qt::Key_Up);  // the project lists its tasks' periods
    EXPECT_EQ(Shown(1, HistoryModel::TaskColumn), "Design");

    Answer("2026-12-01T09:00:00+01:00", 1800, "Forgot");
    ChooseRow(1);
    Click(frame->cmdChange);
    EXPECT_EQ(Text(project, "@subtask_time"), "0:30:00");
    ChooseRow(1);
    QTest::keyClick(frame->lstHistory, Qt::Key_Delete);
    EXPECT_EQ(Text(task, "@task_time"), "0:00:00");
    EXPECT_TRUE(ReadSessions(task->element).empty());

    const char* undone[] = {"0:30:00", "1:00:00", "0:00:00"};
    for (const char* expected : undone) {
        QTest::keyClick(frame->lstHistory, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Text(task, "@task_time"), expected);
        EXPECT_EQ(Text(project, "@subtask_time"), expected);
        EXPECT_EQ(SumSessions(task->element), static_cast<int64_t>(Module1::ParseTime(expected)));
    }
    // Redo and undo check the times again: here they moved since (typed in the pane).
    XML::ResolvePath(project->element, "@subtask_time").setText("32767:30:00");
    ExpectRefusal("the subtask time of \"Site\" would pass 32767 hours");
    QTest::keyClick(frame->lstHistory, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(ReadSessions(task->element).empty());
    XML::ResolvePath(project->element, "@subtask_time").setText("0:00:00");
    QTest::keyClick(frame->lstHistory, Qt::Key_Y, Qt::ControlModifier);  // now it may
    XML::ResolvePath(task->element, "@task_time").setText("0:10:00");
    ExpectRefusal("the task time of \"Design\" would become negative");
    QTest::keyClick(frame->lstHistory, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(SumSessions(task->element), 3600);
    EXPECT_EQ(Text(task, "@task_time"), "0:10:00");

    // Edit Time books the difference to the typed time as a correction, which undo removes.
    frame->askTime = [](int64_t current) {
        EXPECT_EQ(current, 600);
        return std::optional<std::pair<int64_t, QString>>({300, "Overlap with lunch"});
    };
    QTest::keyClick(window->ui.Tree, Qt::Key_Down);  // back to the task
    Click(frame->cmdEditTime);
    EXPECT_EQ(Text(project, "@subtask_time"), "0:55:00");
    QTest::keyClick(frame->lstHistory, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(task, "@task_time"), "0:10:00");
    EXPECT_EQ(ReadSessions(task->element).size(), 1U);
}

// A correction says when it was made and by how much, in the file and the list; it is no
// period on the clock.
TEST_F(HistoryFrameTest, EditTimeIsACorrectionInTheFileAndTheList) {
    seams->clock->now = 10 * 3600;
    const QString made = TodayAt(10, 0);
    AddTime(TodayAt(8, 0), 600);
    frame->askTime = [](int64_t) {
        return std::optional<std::pair<int64_t, QString>>({8100, "From the timesheet"});
    };
    Click(frame->cmdEditTime);
    EXPECT_EQ(Text(task, "@task_time"), "2:15:00");
    EXPECT_EQ(Shown(1, HistoryModel::SpanColumn), "Correction");  // the newest first
    EXPECT_EQ(Shown(1, HistoryModel::DurationColumn), "2:05:00");
    EXPECT_EQ(Shown(2, HistoryModel::SpanColumn), "08:00-08:10");

    seams->fileDialog->ExpectSave(TempPath("site.hvp"));
    Choose("mnuSaveProj");
    const std::string saved = ReadFile(TempPath("site.hvp"));
    const std::string stored =
        "<session start=\"" + made.toStdString() +
        R"(" seconds="7500" correction="true" note="From the timesheet" id=")";
    EXPECT_NE(saved.find(stored), std::string::npos) << saved;
    EXPECT_EQ(saved.find("seconds=\"600\" correction"), std::string::npos) << saved;
}

// One person does not work on two things at once, nor in the future.
TEST_F(HistoryFrameTest, AddTimeRefusesTheFutureAndAsksBeforeAnOverlap) {
    seams->clock->now = 12 * 3600;
    TreeNode* calls = AddTask(AddProject("Other"), "Calls");
    AddTime(TodayAt(9, 0), 3600);
    ASSERT_EQ(SumSessions(calls->element), 3600);
    ClickNode(task);

    seams->prompter->ExpectStartingWith(
        "Time not yet worked cannot be recorded: the period would end at ", MsgButtons::OK,
        "Horavel", MsgAnswer::OK);
    AddTime(TodayAt(11, 30), 1801);
    Answer(TodayAt(9, 59), 60);
    const QString question =
        QStringLiteral(
            "This period overlaps the one recorded on \"Other/Calls\" on %1, 09:00-10:00. Record "
            "both all the same?")
            .arg(QDate::currentDate().toString(Qt::ISODate));
    seams->prompter->Expect(question, MsgButtons::YesNo, "Horavel", MsgAnswer::No);
    Click(frame->cmdAddTime);
    EXPECT_EQ(SumSessions(task->element), 0);

    seams->prompter->Expect(question, MsgButtons::YesNo, "Horavel", MsgAnswer::Yes);
    Click(frame->cmdAddTime);
    EXPECT_EQ(SumSessions(task->element), 60);
    AddTime(TodayAt(10, 0), 1800);  // begins as the other ends: no question, and it may end now
    EXPECT_EQ(SumSessions(task->element), 1860);
    EXPECT_EQ(Text(project, "@subtask_time"), "0:31:00");
}

// The list and an open report follow the timer; the report is saved as a PDF and printed.
TEST_F(HistoryFrameTest, ATimedPeriodIsListedAndReportedOnceItBooksAndWhenTheTimerStops) {
    Click(frame->cmdReports);
    ASSERT_TRUE(frame->reports != nullptr);
    const auto reportTotal = [this] {
        QTreeWidget* sheet = frame->reports->tvwSheet;
        QTreeWidgetItem* totals = sheet->topLevelItem(sheet->topLevelItemCount() - 1);
        return totals->text(sheet->columnCount() - 1);
    };
    Answer("2025-06-02T09:00:00+02:00", 600);  // an older day below today's
    QTest::mouseClick(frame->cmdAddTime, Qt::LeftButton);
    seams->clock->now = 9 * 3600;
    ClickNode(task);
    ClickToolbar("toggletimer");
    TickAfter(5);
    EXPECT_EQ(Shown(1, HistoryModel::DurationColumn), "0:00:05");
    EXPECT_EQ(frame->model->rowCount(), 4);

    // Each tick repaints the period's duration and its day's total, and its span only when
    // the end's minute moved on; no other cell.
    const auto cell = [this](int row, int column) {
        return frame->lstHistory->visualRect(frame->model->index(row, column));
    };
    PaintRecorder recorder(frame->lstHistory->viewport());
    for (int quiet = 0, round = 0; quiet < 2 && round < 100; ++round) {  // what is pending is drawn
        recorder.painted = {};
        QTest::qWait(20);
        quiet = recorder.painted.isEmpty() ? quiet + 1 : 0;
    }
    TickAfter(9);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(1, HistoryModel::DurationColumn), "0:00:14");
    EXPECT_EQ(Shown(1, HistoryModel::SpanColumn), "09:00-09:00");
    EXPECT_EQ(Shown(0, HistoryModel::DurationColumn), "0:00:14");
    const QRegion durations =
        QRegion(cell(0, HistoryModel::DurationColumn)) + cell(1, HistoryModel::DurationColumn);
    EXPECT_TRUE(recorder.painted.contains(cell(1, HistoryModel::DurationColumn)));
    EXPECT_TRUE(recorder.painted.subtracted(durations).isEmpty());
    TickAfter(46);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(1, HistoryModel::SpanColumn), "09:00-09:01");
    EXPECT_TRUE(recorder.painted.contains(cell(1, HistoryModel::SpanColumn)));
    // A hidden list is left alone, and shows the period as it is when it shows again.
    window->ui.frmHistory->hide();
    QSignalSpy repainted(frame->model, &QAbstractItemModel::dataChanged);
    TickAfter(60);
    EXPECT_TRUE(repainted.isEmpty());
    window->ui.frmHistory->show();
    EXPECT_EQ(Shown(1, HistoryModel::DurationColumn), "0:02:00");
    EXPECT_EQ(Shown(1, HistoryModel::SpanColumn), "09:00-09:02");
    seams->clock->now += 5;
    ClickToolbar("toggletimer");
    EXPECT_EQ(Shown(1, HistoryModel::DurationColumn), "0:02:05");
    EXPECT_EQ(reportTotal(), "0:02:05");  // not rounded: every second shows

    EXPECT_EQ(SavedBy(frame->reports->cmdPdf, "week.pdf").substr(0, 5), "%PDF-");
    const QString nowhere = TempPath("gone/week.pdf");
    seams->fileDialog->ExpectSave(nowhere);
    seams->prompter->ExpectStartingWith("Unable to save the file\r\n" + nowhere + "\r\n",
                                        MsgButtons::OK, "Reports", MsgAnswer::OK);
    Click(frame->reports->cmdPdf);

    seams->printDialog->answers = {QString(), TempPath("printed.pdf")};
    Click(frame->reports->cmdPrint);  // cancelled: nothing printed
    EXPECT_EQ(ReadFile(TempPath("printed.pdf")), "<missing>");
    Click(frame->reports->cmdPrint);
    EXPECT_EQ(ReadFile(TempPath("printed.pdf")).substr(0, 5), "%PDF-");
    frame->reports->close();
}

TEST_F(HistoryFrameTest, RefusesWhatWouldLeaveTheRangeOfTimesAndChangesNothing) {
    XML::ResolvePath(task->element, "@task_time").setText("0:10:00");
    XML::ResolvePath(project->element, "@subtask_time").setText("32767:30:00");
    ExpectRefusal("the task time of \"Design\" would become negative");
    AddTime("2026-12-01T09:00:00+01:00", -601);  // one second below zero
    EXPECT_EQ(Text(task, "@task_time"), "0:10:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "32767:30:00");
    EXPECT_TRUE(ReadSessions(task->element).empty());
}

// Periods of any length read from a file: the report shows this week's share of them at once,
// and sums that would leave the 64-bit range stay at its end instead of wrapping round.
TEST_F(HistoryFrameTest, PeriodsOfAnyLengthFromAFileAreReportedForTheWeekOnly) {
    const QString today = TodayAt(8, 0);
    TreeNode* loaded = LoadFile(
        QStringLiteral("long.hvp"),
        QStringLiteral(R"(<project name="Long"><task name="Ages"><history>)"
                       R"(<session start="2000-01-01T00:00:00Z" seconds="10000000000000"/>)"
                       R"(<session start="2000-01-01T00:00:00Z" seconds="9223372036854775807"/>)"
                       R"(</history></task><task name="Back"><history>)"
                       R"(<session start="%1" seconds="-9223372036854775808"/>)"
                       R"(<session start="%1" seconds="-9223372036854775808"/>)"
                       R"(</history></task></project>)")
            .arg(today)
            .toStdString());
    ASSERT_NE(loaded, nullptr);
    ClickNode(loaded);
    EXPECT_EQ(Shown(0, HistoryModel::DurationColumn), "-2562047788015215:30:08");  // today's sum

    Click(frame->cmdReports);
    ReportsWindow* reports = frame->reports;
    ASSERT_TRUE(reports != nullptr);
    reports->cboRounding->setCurrentIndex(static_cast<int>(RoundMode::Nearest));  // 1 minute
    const DateRange week =
        RangeOf(ReportPeriod::ThisWeek, QDate::currentDate(), QLocale().firstDayOfWeek());
    const auto midnight = [&](QDate day) {
        return QDateTime(day, QTime(0, 0), reports->zone).toSecsSinceEpoch();
    };
    const int64_t weekSeconds = midnight(week.last.addDays(1)) - midnight(week.first);
    const auto total = [&](const char* row) {
        const auto found = reports->tvwSheet->findItems(row, Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found[0]->text(reports->tvwSheet->columnCount() - 1) : "?";
    };
    EXPECT_EQ(total("Ages"), ClockText(2 * weekSeconds, false));
    EXPECT_EQ(total("Back"), "-2562047788015215:30");  // held at the end, rounded to a minute
    EXPECT_EQ(total("Long"), ClockText(2 * weekSeconds - 9223372036854775800, false));

    const std::string csv = SavedBy(reports->cmdExportSessions, "sessions.csv");
    EXPECT_NE(csv.find(today.toStdString() + ",,Long,Back,-9223372036854775808,"),
              std::string::npos)
        << csv;  // no end can be written that far back
    reports->close();
}

// A year of periods across many tasks: newest first, and the rows reach the list as it
// scrolls, down to the oldest period.
TEST_F(HistoryFrameTest, ALongHistoryIsListedNewestFirstAsTheListScrolls) {
    std::string file = R"(<project name="Year">)";
    for (int day = 0; day < 1500; ++day) {
        const QString start =
            SessionStartText(QDateTime(QDate(2025, 1, 1).addDays(day / 3), QTime(8 + day % 3, 0)));
        file += QStringLiteral(R"(<task name="T%1"><history><session start="%2" seconds="60"/>)"
                               R"(</history></task>)")
                    .arg(day)
                    .arg(start)
                    .toStdString();
    }
    file += R"(<task name="Odd"><history><session start="soon" seconds="1"/></history></task>)";
    ClickNode(LoadFile(QStringLiteral("year.hvp"), file + "</project>"));
    EXPECT_EQ(Shown(1, HistoryModel::TaskColumn), "T1499");
    EXPECT_EQ(Shown(0, HistoryModel::DurationColumn), "0:03:00");  // three periods that day
    EXPECT_LT(frame->model->rowCount(), 2001);  // 1500 periods, 500 days and the odd one
    for (int turn = 0; turn < 10 && frame->model->rowCount() < 2002; ++turn) {
        frame->lstHistory->scrollToBottom();
        QApplication::processEvents();
    }
    ASSERT_EQ(frame->model->rowCount(), 2002);
    EXPECT_EQ(Shown(2001, HistoryModel::DateColumn), "soon");
    EXPECT_EQ(Shown(1999, HistoryModel::TaskColumn), "T0");
    EXPECT_EQ(Shown(1998, HistoryModel::DateColumn), "2025-01-01");
}

}  // namespace
