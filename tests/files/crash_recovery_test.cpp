// Unsaved work survives a program that ends without cleaning up, and is offered back at
// the next start: restored when the person agrees, gone when not, never kept after a save.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

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
        seams = std::make_unique<TestPlatform>(TempPath("horavel.conf"));
        window = std::make_unique<frmMain>(seams->Take());
        if (!offer.isEmpty()) {
            seams->prompter->ExpectStartingWith(kOfferStart + offer, MsgButtons::YesNo, "Horavel",
                                                answer);
        }
        window->Form_Load({});
    }
    TreeNode* Project(int index) const { return window->ui.Tree->topLevelNode(index); }
};

TEST_F(CrashRecovery, EditsAndTimedSecondsComeBackUnderTheirOwnFile) {
    const QString path = TempPath("site.hvp");
    QFile::copy(QStringLiteral(HORAVEL_TEST_DATA "/site.hvp"), path);
    window->Form_Load({path});
    QTest::keyClicks(window->ui.txtName, ", renamed");  // typed into the pane
    window->Recovery().WriteRecoverySnapshots();        // the short delay after an edit
    seams->clock->now = 36000;
    window->ToggleTimer();
    seams->clock->now = 36007;
    window->Timer1_Timer();
    window->Recovery().RecoveryTick();  // still the snapshot: timing began after it
    seams->clock->now = 36012;
    window->Timer1_Timer();
    window->Recovery().RecoveryTick();  // the journal's line
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

    Restart("Site, renamed (" + path + "), last changed ", MsgAnswer::Yes);
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    EXPECT_EQ(Text(Project(0), "@task_time"), "0:00:12");
    EXPECT_EQ(SumSessions(Project(0)->element), 12) << "the period comes back with the time";
    EXPECT_EQ(Text(Project(0), "@filename"), path.toStdString());
    EXPECT_EQ(Text(Project(0), "@modified"), "true");
    EXPECT_EQ(Project(0)->image(), TreeImage::ProjectModified);
    EXPECT_TRUE(seams->prompter->asked[0].text.contains("0:00:12 booked since it was saved"));
    Crash();
    Restart("Site, renamed");  // still kept: not saved yet
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

}  // namespace
