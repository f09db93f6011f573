// Saving and loading projects and workspaces through the window's menus and toolbar.
#include <QStatusBar>
#include <QTest>

#include "support/window_fixture.h"

namespace {

using Kind = ScriptedFileDialog::Kind;
const QString kTitle = QStringLiteral("Horavel");

class Files : public WindowTest {
  protected:
    const FileDialogSetup& LastDialog() const { return seams->fileDialog->shown.back().second; }
    TreeNode* SavedProject(const QString& name) {
        TreeNode* project = AddProject(name);
        seams->fileDialog->ExpectSave(TempPath(name + ".hvp"));
        Choose("mnuSaveProj");
        return project;
    }
    // Saved projects A (and B) listed in the saved workspace work.hvw; B, if asked for.
    TreeNode* SavedWorkspace(bool withB) {
        SavedProject("A");
        TreeNode* b = withB ? SavedProject("B") : nullptr;
        seams->fileDialog->ExpectSave(TempPath("work.hvw"));
        Choose("mnuSaveWS");
        return b;
    }
    // A project file's line in a workspace file.
    std::string Record(const char* name) const {
        return ('"' + TempPath(name) + "\"\r\n").toStdString();
    }
    int Projects() const { return window->ui.Tree->topLevelItemCount(); }
    void ExpectQuestion(const QString& text, const QString& title, MsgAnswer answer) {
        seams->prompter->Expect(text, MsgButtons::YesNoCancel, title, answer);
    }
};

TEST_F(Files, SaveAsksOnceForTheFileThenWritesItSilently) {
    TreeNode* project = AddProject("Web/Shop");
    AddTask(project, "Copy");
    seams->fileDialog->ExpectSave(TempPath("shop.hvp"));
    Choose("mnuSaveProj");
    EXPECT_EQ(LastDialog().DialogTitle, "Save Project 'Web/Shop'");
    EXPECT_EQ(LastDialog().FileName, "Web_Shop");
    const std::string saved = ReadFile(TempPath("shop.hvp"));
    EXPECT_EQ(saved.find("filename"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("modified"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<task name=\"Copy\""), std::string::npos) << saved;
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
    EXPECT_EQ(Text(project, "@modified"), "false");
    EXPECT_TRUE(window->Workspace.WorkspaceModified);

    window->ui.txtName->setText("Shop");  // a change, saved again without a dialog
    Choose("mnuSaveProj");
    EXPECT_NE(ReadFile(TempPath("shop.hvp")).find("name=\"Shop\""), std::string::npos);
    seams->fileDialog->ExpectCancel(Kind::Save);
    Choose("mnuSaveAsProj");
    EXPECT_EQ(LastDialog().FileName, TempPath("shop.hvp"));
}

TEST_F(Files, BadFilesAreReportedAndTheGoodOnesStillLoad) {
    WriteFile(TempPath("good.hvp"),
              "<project name=\"Site\"><task name=\"Logo\" task_time=\"0:30:00\"/></project>");
    WriteFile(TempPath("broken.hvp"), "<project>");
    WriteFile(TempPath("task.hvp"), "<task/>");
    seams->prompter->ExpectNotice(
        "Error Loading File\r\nStart-end tags mismatch at line 1, column 9\r\n" +
        TempPath("broken.hvp"));
    seams->prompter->ExpectNotice("File Missing Top Level 'project' node\r\nCan not load");
    const QChar nul(0);
    seams->fileDialog->ExpectOpen(dir_.path() + nul + "broken.hvp" + nul + "missing.hvp" + nul +
                                  "task.hvp" + nul + "good.hvp" + nul);
    ClickToolbar("loadproject");
    ASSERT_EQ(Projects(), 1);
    TreeNode* site = window->ui.Tree->topLevelNode(0);
    EXPECT_EQ(site->caption(), "Site");
    ASSERT_EQ(site->childCount(), 1);
    EXPECT_EQ(Text(site->childNode(0), "@task_time"), "0:30:00");
    EXPECT_EQ(Text(site, "@filename"), TempPath("good.hvp").toStdString());
}

// A file an older version wrote loads as it is and gets ids at its first save here; an id
// already there, and attributes this version does not know, stay as they were.
TEST_F(Files, IdsAreGivenAtTheFirstSaveAndKeptAfterwards) {
    const CountingIds ids;
    const std::string a = R"(<task name="A" completed="false" task_time="" subtask_time="" )"
                          R"(id="0123456789abcdef0123456789abcdef"><description/></task>)";
    const std::string b =
        R"(<task name="B" completed="false" task_time="" subtask_time=""><description/></task>)";
    WriteFile(TempPath("old.hvp"), R"(<project name="Old" completed="false" task_time="" )"
                                   R"(subtask_time="" extra="x"><description/>)" +
                                       a + b + "</project>");
    seams->fileDialog->ExpectOpen(TempPath("old.hvp"));
    ClickToolbar("loadproject");
    TreeNode* old = window->ui.Tree->topLevelNode(0);
    EXPECT_EQ(Text(old, "^id"), "");
    ClickNode(old);
    window->ui.txtName->setText("Older");
    Choose("mnuSaveProj");
    std::string withIds = b;
    withIds.insert(withIds.find("><description/>"), R"( id="00000000000000000000000000000002")");
    EXPECT_EQ(ReadFile(TempPath("old.hvp")),
              R"(<?xml version="1.0"?><project name="Older" completed="false" task_time="" )"
              R"(subtask_time="" extra="x" id="00000000000000000000000000000001"><description/>)" +
                  a + withIds + "</project>");
    window->ui.txtName->setText("Oldest");
    Choose("mnuSaveProj");
    EXPECT_NE(ReadFile(TempPath("old.hvp")).find("id=\"00000000000000000000000000000001\""),
              std::string::npos);
    EXPECT_EQ(ids.given, 2U);

    // A task made after a save still gets its own at the next.
    ClickTreeBar("newtask");
    QTest::keyClick(LabelEditor(), Qt::Key_Escape);
    Choose("mnuSaveProj");
    EXPECT_NE(ReadFile(TempPath("old.hvp")).find(R"(id="00000000000000000000000000000003">)"),
              std::string::npos);
}

TEST_F(Files, AWorkspaceSavedClearedAndLoadedBringsBackItsProjects) {
    SavedWorkspace(true);
    EXPECT_EQ(ReadFile(TempPath("work.hvw")), Record("A.hvp") + Record("B.hvp"));
    EXPECT_EQ(window->Workspace.WorkspaceFile, TempPath("work.hvw"));
    Choose("mnuSaveWS");  // the known file: no dialog
    Choose("mnuClearWS");
    EXPECT_EQ(Projects(), 0);
    EXPECT_EQ(window->Workspace.WorkspaceFile, "");
    seams->fileDialog->ExpectOpen(TempPath("work.hvw"));
    Choose("mnuLoadWS");
    ASSERT_EQ(Projects(), 2);
    EXPECT_EQ(window->ui.Tree->topLevelNode(1)->caption(), "B");
    EXPECT_FALSE(window->Workspace.WorkspaceModified);
}

// The workspace file saved meanwhile on another computer, carried here by a sync engine.
TEST_F(Files, AWorkspaceSavedElsewhereKeepsTheProjectsAddedThere) {
    TreeNode* b = SavedWorkspace(true);
    WriteFile(TempPath("C.hvp"), R"(<project name="C"><description/><history/></project>)");
    WriteFile(TempPath("work.hvw"),
              Record("A.hvp") + Record("B.hvp") + Record("C.hvp") + Record("elsewhere/D.hvp"));
    window->DeleteNode(b);  // closed here: stays closed
    Choose("mnuSaveWS");
    EXPECT_EQ(ReadFile(TempPath("work.hvw")),
              Record("A.hvp") + Record("C.hvp") + Record("elsewhere/D.hvp"));
    ASSERT_EQ(Projects(), 2);
    EXPECT_EQ(window->ui.Tree->topLevelNode(1)->caption(), "C");
}

// Noticed as it arrives, without a save: the projects added there open here without a
// question, and one dropped there stays open here; a file that no longer reads is left alone.
TEST_F(Files, AWorkspaceChangedOnDiskIsTakenInAsTheUnionOfBoth) {
    SavedWorkspace(false);
    WriteFile(TempPath("C.hvp"), R"(<project name="C"><description/><history/></project>)");
    WriteFile(TempPath("broken.hvp"), "<project>");
    WriteFile(TempPath("work.hvw"),
              Record("A.hvp") + Record("C.hvp") + Record("broken.hvp") + Record("elsewhere/D.hvp"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Projects() == 2; }, 10000));
    EXPECT_EQ(window->ui.Tree->topLevelNode(1)->caption(), "C");
    EXPECT_TRUE(Status().contains("opened C.hvp; could not open " + TempPath("broken.hvp")))
        << Status().toStdString();
    EXPECT_FALSE(window->Workspace.WorkspaceModified);  // the file lists every open project

    WriteFile(TempPath("work.hvw"), Record("C.hvp"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Workspace.WorkspaceModified; }, 10000));
    EXPECT_EQ(Projects(), 2);

    const std::string junk(
        "\x7f"
        "ELF\0\0\x01",
        7);
    WriteFile(TempPath("work.hvw"), junk);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Status().contains("no longer reads"); }, 10000));
    EXPECT_EQ(Projects(), 2);
    EXPECT_EQ(ReadFile(TempPath("work.hvw")), junk);
}

TEST_F(Files, ClearingAsksFirstAndEveryCancelKeepsTheProjects) {
    const struct {
        MsgAnswer saveWorkspace, saveProjects;
        int projectsLeft;
    } cases[] = {
        {MsgAnswer::Cancel, MsgAnswer::OK, 1},
        {MsgAnswer::No, MsgAnswer::Cancel, 1},
        {MsgAnswer::No, MsgAnswer::No, 0},
        {MsgAnswer::No, MsgAnswer::Yes, 0},
    };
    for (const auto& c : cases) {
        AddProject("P");
        ExpectQuestion("Save Workspace first?", "Save Workspace", c.saveWorkspace);
        if (c.saveWorkspace != MsgAnswer::Cancel) {
            ExpectQuestion("Modified Projects: \r\nP\r\nSave Modified Projects First?", kTitle,
                           c.saveProjects);
        }
        if (c.saveProjects == MsgAnswer::Yes) {
            seams->fileDialog->ExpectSave(TempPath("P.hvp"));
        }
        Choose("mnuClearWS");
        EXPECT_EQ(Projects(), c.projectsLeft);
        window->Workspace.WorkspaceModified = false;
        while (Projects() > 0) {
            TreeNode* project = window->ui.Tree->topLevelNode(0);
            window->DeleteNode(project);
        }
    }
    EXPECT_NE(ReadFile(TempPath("P.hvp")), "<missing>");
}

}  // namespace
