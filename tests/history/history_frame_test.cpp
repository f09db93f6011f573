#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "history/history_frame.h"
#include "history/history_model.h"
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
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
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
    void ChooseRow(int row) {
        const QRect shown = frame->lstHistory->visualRect(frame->model->index(row, 0));
        QTest::mouseClick(frame->lstHistory->viewport(), Qt::LeftButton, {}, shown.center());
    }

    TreeNode* project = nullptr;
    TreeNode* task = nullptr;
    HistoryFrame* frame = nullptr;
};

TEST_F(HistoryFrameTest, TimingLeavesAPeriodThatAddsUpToTheTaskTime) {
    QAction* toggle = window->ToolbarButton("toggletimer");
    seams->clock->now = 36000;
    toggle->trigger();
    seams->clock->now = 36065.5;
    window->Timer1_Timer();
    seams->clock->now = 36100.2;
    toggle->trigger();
    toggle->trigger();  // a run that books nothing leaves nothing
    toggle->trigger();

    const std::vector<Session> sessions = ReadSessions(task->element);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].start, SessionStartText(LocalTimeOfReading(36000)));
    EXPECT_EQ(sessions[0].seconds, 100);
    EXPECT_EQ(Text(task, "@task_time"), "0:01:40");
    ASSERT_EQ(frame->model->rowCount(), 2);  // the day's total, then the period
    EXPECT_EQ(Shown(0, HistoryModel::DurationColumn), "0:01:40");
    EXPECT_EQ(Shown(1, HistoryModel::TaskColumn), "");

    window->Tree->setFocus();
    QTest::keyClick(window->Tree, Qt::Key_Up);  // from the task to its project
    ASSERT_EQ(window->SelectedNode(), project);
    EXPECT_EQ(Shown(1, HistoryModel::TaskColumn), "Design");
}

TEST_F(HistoryFrameTest, CorrectionsMoveEveryTimeAboveAndUndo) {
    Answer("2026-12-01T09:00:00+01:00", 3600, "Forgot");
    QTest::mouseClick(frame->cmdAddTime, Qt::LeftButton);
    EXPECT_EQ(Text(task, "@task_time"), "1:00:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "1:00:00");
    EXPECT_EQ(Text(project, "@modified"), "true");
    EXPECT_EQ(window->txtTaskTime->text(), "1:00:00");
    EXPECT_EQ(Shown(1, HistoryModel::NoteColumn), "Forgot");

    Answer("2026-12-01T09:00:00+01:00", 1800, "Forgot");
    ChooseRow(1);
    QTest::mouseClick(frame->cmdChange, Qt::LeftButton);
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
}

TEST_F(HistoryFrameTest, RefusesWhatWouldLeaveTheRangeOfTimesAndChangesNothing) {
    struct Case {
        const char* taskTime;
        const char* projectSubtask;
        int64_t seconds;
        const char* reason;
    };
    const Case cases[] = {
        {"0:10:00", "0:10:00", -1200, "the task time of \"Design\" would become negative"},
        {"0:00:00", "32767:30:00", 3600, "the subtask time of \"Site\" would pass 32767 hours"},
    };
    for (const Case& c : cases) {
        XML::ResolvePath(task->element, "@task_time").setText(c.taskTime);
        XML::ResolvePath(project->element, "@subtask_time").setText(c.projectSubtask);
        Answer("2026-12-01T09:00:00+01:00", c.seconds);
        seams->prompter->Expect(QStringLiteral("The time cannot be corrected: %1.").arg(c.reason),
                                MsgButtons::OK, "Horavel", MsgAnswer::OK);
        QTest::mouseClick(frame->cmdAddTime, Qt::LeftButton);
        EXPECT_EQ(Text(task, "@task_time"), c.taskTime);
        EXPECT_EQ(Text(project, "@subtask_time"), c.projectSubtask);
        EXPECT_TRUE(ReadSessions(task->element).empty());
    }
}

TEST_F(HistoryFrameTest, EditTimeRecordsTheDifferenceAsACorrection) {
    XML::ResolvePath(task->element, "@task_time").setText("1:00:00");
    XML::ResolvePath(project->element, "@subtask_time").setText("1:00:00");
    frame->askTime = [](int64_t current) {
        EXPECT_EQ(current, 3600);
        return std::optional<std::pair<int64_t, QString>>({2700, "Overlap with lunch"});
    };
    QTest::mouseClick(frame->cmdEditTime, Qt::LeftButton);
    EXPECT_EQ(Text(task, "@task_time"), "0:45:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "0:45:00");
    const std::vector<Session> sessions = ReadSessions(task->element);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].seconds, -900);
    EXPECT_EQ(sessions[0].note, "Overlap with lunch");
}

}  // namespace
