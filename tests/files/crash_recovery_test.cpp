// Unsaved work survives a program that ends without cleaning up, and is offered back at
// the next start: restored when the person agrees, gone when not, never kept after a save.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLockFile>
#include <QStatusBar>
#include <QTest>

#include <sys/stat.h>

#include "files/crash_recovery.h"
#include "files/recovery_journal.h"
#include "history/sessions.h"
#include "support/window_fixture.h"

namespace {

const QString kOfferStart = QStringLiteral(
    "Horavel did not end cleanly last time. These projects had changes that "
    "were not saved:\r\n");

class CrashRecovery : public WindowTest {
  protected:
    // Ends the window as a kill would leave its folder: what was written stays.
    void Crash() { window.reset(); }
    // A new start; `answer` for the offer, or none expected.
    void Restart(const QString& offer = {}, MsgAnswer answer = MsgAnswer::No) {
        NewWindow();
        if (!offer.isEmpty()) {
            ExpectOffer(offer, answer);
        }
        window->Form_Load({});
    }
    void ExpectOffer(const QString& start, MsgAnswer answer) {
        seams->prompter->ExpectStartingWith(kOfferStart + start, MsgButtons::YesNo, "Horavel",
                                            answer);
    }
    TreeNode* Project(int index) const { return window->ui.Tree->topLevelNode(index); }
    // A file in the recovery folder, as a copy that ended uncleanly leaves it.
    QString Left(const QString& name) const { return TempPath("recovery/" + name); }
    void LeaveSnapshot(const QString& name, const std::string& xml, int generation = 1) {
        QDir().mkpath(QFileInfo(Left(name)).path());
        WriteFile(Left(name),
                  "horavel-recovery 1 " + std::to_string(generation) + " 1765100000000\n" + xml);
    }
    QString Offer() const { return seams->prompter->asked.at(0).text; }
};

TEST_F(CrashRecovery, EditsAndTimedSecondsComeBackUnderTheirOwnFile) {
    const QString path = TempPath("p.hvp");
    // A period added by hand later the same day: the newest, but not the one timed.
    const QString later = TodayAt(23, 0);
    WriteFile(path, R"(<project name="P" subtask_time="0:10:00"><task name="T" )"
                    R"(task_time="0:10:00"><history><session start=")" +
                        later.toStdString() + R"(" seconds="600"/></history></task></project>)");
    window->Form_Load({path});
    TreeNode* task = Project(0)->childNode(0);
    window->ui.Tree->setCurrentItem(task);
    QTest::keyClicks(window->ui.txtName, ", renamed");  // typed into the pane
    window->Recovery().WriteRecoverySnapshots();        // the short delay after an edit
    seams->clock->now = 36000;
    window->ToggleTimer();
    TickAfter(7);
    window->Recovery().RecoveryTick();  // the snapshot again: timing began after it
    TickAfter(5);
    window->Recovery().RecoveryTick();  // the journal's line
    // Removed meanwhile (a cleaner, say): the next line starts it afresh.
    const auto journal = [this] {
        QDirIterator found(TempPath("recovery"), {"*.journal"}, QDir::Files,
                           QDirIterator::Subdirectories);
        return found.hasNext() ? found.next() : QString();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !journal().isEmpty(); }));  // written aside
    ASSERT_TRUE(QFile::remove(journal()));
    TickAfter(3);
    window->Recovery().RecoveryTick();
    Crash();

    QDirIterator files(TempPath("recovery"), {"*.snapshot", "*.journal"}, QDir::Files,
                       QDirIterator::Subdirectories);
    int kept = 0;
    for (; files.hasNext(); ++kept) {
        // Qt repeats the owner's bits as the "user" ones: private means nothing beyond them.
        const auto user = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        EXPECT_EQ(QFile::permissions(files.next()) & ~user, QFile::ReadOwner | QFile::WriteOwner);
    }
    EXPECT_EQ(kept, 2);

    Restart("P (" + path + "), last changed ", MsgAnswer::Yes);
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    task = Project(0)->childNode(0);
    EXPECT_EQ(Text(task, "@name"), "T, renamed");
    EXPECT_EQ(Text(task, "@task_time"), "0:10:15");
    const std::vector<Session> periods = ReadSessions(task->element);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].seconds, 15) << "the journal extends the period being timed";
    EXPECT_EQ(periods[1].seconds, 600);
    EXPECT_EQ(Text(Project(0), "@filename"), path.toStdString());
    EXPECT_EQ(Text(Project(0), "@modified"), "true");
    EXPECT_EQ(Project(0)->image(), TreeImage::ProjectModified);
    EXPECT_TRUE(Offer().contains("0:00:15 booked since it was saved"));
    Crash();
    Restart("P (");  // still kept: not saved yet
}

TEST_F(CrashRecovery, DeclinedOrSavedWorkIsNotOfferedAgain) {
    AddProject("Untitled");
    AddProject("Filed");
    window->Recovery().WriteRecoverySnapshots();
    seams->fileDialog->ExpectSave(TempPath("filed.hvp"));
    window->findChild<QAction*>("mnuSaveProj")->trigger();  // Filed is selected
    Crash();

    Restart("Untitled (never saved), last changed ", MsgAnswer::No);
    EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 0);
    Crash();
    Restart();  // nothing left to offer
}

TEST_F(CrashRecovery, NothingOutsideItsOwnFolderIsTouched) {
    Crash();
    const QString victim = TempPath("victim");
    QDir().mkpath(victim + "/sub");
    WriteFile(victim + "/a.txt", "mine");
    WriteFile(victim + "/sub/b.txt", "mine too");
    WriteFile(victim + "/1.snapshot", "horavel-recovery 1 1 1765100000000\n<project name=\"V\"/>");
    QDir().mkpath(TempPath("recovery"));
    ASSERT_TRUE(QFile::link(victim, Left("1000-2")));  // a folder that only looks left
    LeaveSnapshot("1000-3/1.snapshot", R"(<project name="Real"/>)");
    ASSERT_TRUE(QFile::link(victim + "/a.txt", Left("1000-3/2.snapshot")));
    ASSERT_TRUE(QFile::link(victim, Left("1000-3/elsewhere")));

    Restart("Real (never saved)", MsgAnswer::No);
    EXPECT_TRUE(
        Offer().contains("The kept project 1000-3/2.snapshot cannot be restored: it is a "
                         "link. It was put aside as " +
                         Left("1000-3-2.snapshot.damaged")));
    EXPECT_FALSE(Offer().contains("V ("));
    EXPECT_EQ(QFileInfo(Left("1000-3-2.snapshot.damaged")).symLinkTarget(), victim + "/a.txt");
    EXPECT_EQ(ReadFile(victim + "/a.txt"), "mine");
    EXPECT_EQ(ReadFile(victim + "/sub/b.txt"), "mine too");
    EXPECT_TRUE(QFileInfo(victim + "/1.snapshot").isFile());
    EXPECT_TRUE(QFileInfo(Left("1000-2")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(Left("1000-3/1.snapshot")));  // its own files do go
}

TEST_F(CrashRecovery, StateThatDoesNotPassIsSetAsideAndTheStartGoesOn) {
    Crash();
    const std::string task = R"(<project name="%1" task_time="0:00:00" subtask_time="0:00:05">)"
                             R"(<task name="T" task_time="0:00:05"/></project>)";
    const auto project = [&](const char* name) {
        return QString::fromStdString(task).arg(name).toStdString();
    };
    const std::string line = "1 1765100001000 0 T 0:00:00 0:00:09 0:00:09 0:00:00 -\n";
    LeaveSnapshot("1000-4/1.snapshot", R"(<project name="Long" task_time="32767:00:00" )"
                                       R"(subtask_time="32767:00:00"/>)");
    LeaveSnapshot("1000-4/2.snapshot", project("Byte"));
    WriteFile(Left("1000-4/2.journal"), line +
                                            "1 1765100002000 0 T%FF 0:00:00 0:00:10 0:00:10 "
                                            "0:00:00 -\n");
    LeaveSnapshot("1000-4/3.snapshot", project("Control"));
    WriteFile(Left("1000-4/3.journal"), "1 1765100001000 0 T 0:00:00 0:00:09 0:00:%01 0:00:00 -\n");
    LeaveSnapshot("1000-4/4.snapshot", project("Pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(Left("1000-4/4.journal")).constData(), 0600), 0);
    LeaveSnapshot("1000-4/5.snapshot", project("Zero"));
    ASSERT_TRUE(QFile::link("/dev/zero", Left("1000-4/5.journal")));
    LeaveSnapshot("1000-4/6.snapshot", "<project name=\"\xFF\"/>");
    LeaveSnapshot("1000-4/7.snapshot", project("Good"));
    WriteFile(Left("1000-4/7.journal"), line);

    Restart("Long (never saved), last changed ", MsgAnswer::Yes);
    EXPECT_TRUE(Offer().contains("32767:00:00 + 32767:00:00 booked\r\n"));
    const char* damaged[][2] = {
        {"'Byte' (1000-4/2.journal)", "line 2: byte 0xFF is not valid UTF-8 in the name"},
        {"'Control' (1000-4/3.journal)", "line 1: "},
        {"'Pipe' (1000-4/4.journal)", "it is not a regular file"},
        {"'Zero' (1000-4/5.journal)", "it is a link"},
        {"project 1000-4/6.snapshot", "Byte 0xFF is not valid UTF-8"},
    };
    for (const auto& [what, why] : damaged) {
        EXPECT_TRUE(Offer().contains(QString(what) + " cannot be restored: " + why)) << what;
    }
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 6);
    EXPECT_EQ(Text(Project(1), "@subtask_time"), "0:00:05") << "nothing of a damaged journal";
    EXPECT_EQ(Text(Project(5), "@subtask_time"), "0:00:09") << "a sound journal is replayed";
    for (const char* file : {"2.journal", "3.journal", "4.journal", "5.journal", "6.snapshot"}) {
        EXPECT_TRUE(QFileInfo(Left(QString("1000-4-") + file + ".damaged")).exists()) << file;
    }
    EXPECT_FALSE(QFileInfo::exists(Left("1000-4")));
}

TEST_F(CrashRecovery, AnUnusableFolderIsToldAtTheFirstChangeAndWhenTimingStarts) {
    Crash();
    QDir(TempPath("recovery")).removeRecursively();
    WriteFile(TempPath("recovery"), "a file in its place");
    Restart();
    const QString told = "Unsaved changes cannot be kept for a restart: " + TempPath("recovery") +
                         ": it is not a folder";
    TreeNode* project = AddProject("P");
    EXPECT_EQ(Status().toStdString(), told.toStdString());
    window->statusBar()->clearMessage();
    AddTask(project, "T");
    EXPECT_NE(Status().toStdString(), told.toStdString()) << "once is enough";
    window->ToggleTimer();
    EXPECT_EQ(Status().toStdString(), told.toStdString());
}

TEST_F(CrashRecovery, ARestoredProjectHoldsItsFileAsALoadedOneDoes) {
    Crash();
    const QString path = TempPath("p.hvp");
    const QString held = TempPath("q.hvp");
    WriteFile(path, R"(<project name="P"/>)");
    WriteFile(held, R"(<project name="Q"/>)");
    LeaveSnapshot("1000-5/1.snapshot",
                  "<project name=\"P\" filename=\"" + path.toStdString() + "\"/>");
    LeaveSnapshot("1000-5/2.snapshot",
                  "<project name=\"Q\" filename=\"" + held.toStdString() + "\"/>");
    auto other = std::make_unique<QLockFile>(TempPath(".q.hvp.lock"));  // another copy's
    ASSERT_TRUE(other->tryLock(0));
    NewWindow();
    ExpectOffer("P (" + path, MsgAnswer::Yes);
    seams->prompter->ExpectNotice("The file\r\n" + held +
                                  "\r\nis open in another Horavel window, so its unsaved changes "
                                  "were not restored here. They are kept and offered again at the "
                                  "next start.");
    window->Form_Load({});
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    EXPECT_FALSE(QLockFile(TempPath(".p.hvp.lock")).tryLock(0)) << "restored and locked";

    WriteFile(path, R"(<projekt name="Changed there"/>)");
    seams->prompter->ExpectStartingWith("The file\r\n" + path + "\r\nhas changed on disk",
                                        MsgButtons::YesNoCancel, "Horavel", MsgAnswer::Cancel);
    window->ui.Tree->setCurrentItem(Project(0));
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_EQ(ReadFile(path), R"(<projekt name="Changed there"/>)");

    other.reset();  // the other copy lets go: its project is offered again
    Crash();
    NewWindow();
    ExpectOffer({}, MsgAnswer::No);  // the left folders come in the order of their names
    window->Form_Load({});
    EXPECT_TRUE(Offer().contains("\r\nP (" + path));
    EXPECT_TRUE(Offer().contains("\r\nQ (" + held));
}

TEST(RecoveryJournal, ReplaysOnlyCompleteLinesThatFitTheSnapshot) {
    const char* xml = R"(<project name="P"><task name="A"><task name="C d%"/></task></project>)";
    pugi::xml_document timed;
    timed.load_string(xml);
    pugi::xml_node c = timed.document_element().first_child().first_child();
    c.append_attribute("task_time") = "0:00:09";
    const std::string line = Recovery::JournalRecord(c, 4, 1234);
    std::string older = line;
    older[0] = '3';  // written for an older snapshot
    const std::pair<std::string, int64_t> cases[] = {
        {line + line, 1234},                   // replayed twice: the same
        {line.substr(0, line.size() - 1), 0},  // cut short by the kill
        {older, 0},
    };
    for (const auto& [journal, applied] : cases) {
        pugi::xml_document document;
        document.load_string(xml);
        EXPECT_EQ(Recovery::ReplayJournal(document, 4, journal), applied) << journal;
        const pugi::xml_node replayed = document.document_element().first_child().first_child();
        EXPECT_STREQ(replayed.attribute("task_time").value(), applied ? "0:00:09" : "");
    }
    c.attribute("name") = "Renamed";  // the place no longer holds the task
    EXPECT_EQ(Recovery::ReplayJournal(timed, 4, line), 0);
}

TEST(RecoveryJournal, LinesOfEarlierVersionsStillReplayButADamagedLineStopsAll) {
    const char* xml = R"(<project name="P"><task name="A" task_time="0:00:02"><history>)"
                      R"(<session start="2026-12-07T09:00:00+01:00" seconds="2"/></history>)"
                      R"(</task></project>)";
    // Written before the period was named: the newest period grows.
    const std::string older = "4 1000 0 A 0:00:00 0:00:05 0:00:05 0:00:00\n";
    const std::pair<std::string, int64_t> cases[] = {
        {older, 5},
        {older + "4 1001 0 A 0:00:00 0:00:06 0:00:06 %1 -\n", 2},  // a broken escape
        {older + "4 1001 0 A 0:00:00 0:00:06 0:00:06 0:00:00 5@2026-13-07T09:00:00Z\n", 2},
        {older + "4 99999999999999999 0 A 0:00:00 0:00:06 0:00:06 0:00:00 -\n", 2},
    };
    for (const auto& [journal, seconds] : cases) {
        pugi::xml_document document;
        document.load_string(xml);
        const Recovery::Replay replay = Recovery::ReplayJournalChecked(document, 4, journal);
        EXPECT_EQ(replay.problem.empty(), seconds == 5) << journal;
        EXPECT_EQ(SumSessions(document.document_element().first_child()), seconds) << journal;
    }
}

}  // namespace
