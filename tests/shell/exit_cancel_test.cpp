// Cancel at exit keeps the program running with everything as it was; only an ending
// session closes it without asking.
#include <QTest>

#include <functional>

#include "shell/tray_menu.h"
#include "support/window_fixture.h"

namespace {

class ExitCancel : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->Form_Load({});
        window->show();
        project = AddProject("Unsaved");
        window->ToggleTimer();  // on the selected project
    }
    TreeNode* project = nullptr;
};

TEST_F(ExitCancel, EveryWayOutCanBeCancelledInEveryQuestion) {
    const std::function<void()> exits[] = {
        [&] { window->ui.mnuExit->trigger(); }, [&] { window->ui.Tray->mnuTrayExit->trigger(); },
        [&] { window->close(); },  // the close box's way
    };
    for (const auto& exit : exits) {
        seams->settings->SaveSetting("AutoSaveWS", "True");
        seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);  // the project's
        exit();
        seams->settings->SaveSetting("AutoSaveWS", "False");
        seams->prompter->Expect("Save Workspace first?", MsgButtons::YesNoCancel, "Save Workspace",
                                MsgAnswer::No);
        seams->prompter->Expect("Modified Projects: \r\nUnsaved\r\nSave Modified Projects First?",
                                MsgButtons::YesNoCancel, "Horavel", MsgAnswer::Cancel);
        exit();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->ui.Tree->topLevelNode(0), project);
        EXPECT_TRUE(window->Timing.TimerRunning && window->ui.Timer1.enabled());
        EXPECT_TRUE(seams->tray->placed);
    }
}

TEST_F(ExitCancel, AnEndingSessionSavesWhatHasAFileAndKeepsTheRestUnasked) {
    window->ui.Tree->setCurrentItem(
        LoadFile("filed.hvp", ReadFile(QStringLiteral(HORAVEL_TEST_DATA "/site.hvp"))));
    window->ui.txtName->selectAll();
    QTest::keyClicks(window->ui.txtName, "Renamed");

    window->SessionCommitData();
    window->close();  // the session manager's close: no question, no dialog
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(ReadFile(TempPath("filed.hvp")).find("name=\"Renamed\""), std::string::npos);

    NewWindow();  // the next start offers the untitled project
    seams->prompter->ExpectStartingWith(
        "Horavel did not end cleanly last time. These "
        "projects had changes that were not saved:\r\n"
        "Unsaved (never saved), last changed ",
        MsgButtons::YesNo, "Horavel", MsgAnswer::Yes);
    window->Form_Load({});
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1) << "only the untitled one was kept";
    EXPECT_EQ(Text(window->ui.Tree->topLevelNode(0), "@name"), "Unsaved");
    EXPECT_EQ(Text(window->ui.Tree->topLevelNode(0), "@modified"), "true");
}

}  // namespace
