// What the window does when it opens and closes: the order of loading, the settings it
// reads and writes, and the questions on the way out.
#include <QFile>
#include <QScreen>
#include <QStatusBar>

#include "model/xml.h"
#include "shell/settings.h"
#include "shell/window_memory.h"
#include "support/window_fixture.h"

namespace {

class StartupShutdown : public WindowTest {
  protected:
    // A copy of the sample project in the temporary folder.
    QString SampleProject(const QString& name) {
        const QString path = TempPath(name);
        QFile::copy(QStringLiteral(HORAVEL_TEST_DATA "/site.hvp"), path);
        return path;
    }
    // A workspace file listing the projects.
    QString Workspace(const QString& name, const QStringList& projects) {
        const QString path = TempPath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (const QString& project : projects) {
            file.write(("\"" + project + "\"\r\n").toUtf8());
        }
        return path;
    }
    void Store(const QString& key, const QString& value) {
        seams->settings->SaveSetting(key, value);
    }
    QString Stored(const QString& key) { return seams->settings->GetSetting(key, "<absent>"); }
    int Projects() const { return window->Tree->topLevelItemCount(); }
};

TEST_F(StartupShutdown, FirstRunWithAnEmptyStore) {
    window->Form_Load({});
    EXPECT_FALSE(window->TT_ShowTime);
    EXPECT_TRUE(window->TT_ShowTotalTime);
    EXPECT_FALSE(window->TT_ShowSec);
    EXPECT_EQ(Projects(), 0);
    EXPECT_EQ(window->ResizeHandle1->offLeft, 3900);  // wide enough for three levels
    EXPECT_EQ(window->ResizeHandle1->MinX, 1815);
    EXPECT_TRUE(seams->tray->placed);
    EXPECT_EQ(seams->tray->toolTip, "Horavel");
}

TEST_F(StartupShutdown, ReadsTheDisplayFlagsAndTheTraySetting) {
    Store("TT_ShowTime", "1");
    Store("TT_ShowTotalTime", "FALSE");
    Store("TT_ShowSec", "True");
    Store("TrayIcon", "False");
    Store("frm_split", "junk");
    window->Form_Load({});
    EXPECT_TRUE(window->TT_ShowTime);
    EXPECT_FALSE(window->TT_ShowTotalTime);
    EXPECT_TRUE(window->TT_ShowSec);
    EXPECT_FALSE(seams->tray->placed);
    EXPECT_EQ(window->ResizeHandle1->offLeft, 0);  // the layout pass raises it to the minimum
}

TEST_F(StartupShutdown, ReloadsTheLastWorkspaceOnlyForTheExactTrue) {
    const QString workspace = Workspace(
        "last.hvw", {SampleProject("a.hvp"), TempPath("gone.hvp"), SampleProject("b.hvp")});
    Store("lastws", workspace);
    Store("AutoLoadWS", "true");
    window->Form_Load({});
    EXPECT_EQ(Projects(), 0) << "lower-case true does not reload";

    window.reset();
    seams = std::make_unique<TestPlatform>(TempPath("horavel.conf"));
    window = std::make_unique<frmMain>(seams->Take());
    Store("AutoLoadWS", "True");
    window->Form_Load({});
    EXPECT_EQ(Projects(), 2) << "the missing project is skipped silently";
    EXPECT_EQ(window->WorkspaceFile, workspace);
    EXPECT_FALSE(window->WorkspaceModified);
    EXPECT_EQ(window->SelectedNode(), window->Tree->topLevelNode(0));
    EXPECT_EQ(window->txtName->text(), "Site");
}

TEST_F(StartupShutdown, TheCommandLineProjectWinsOverTheWorkspace) {
    Store("lastws", Workspace("last.hvw", {SampleProject("a.hvp")}));
    const QString project = SampleProject("given.hvp");
    window->Form_Load({project});
    ASSERT_EQ(Projects(), 1);
    EXPECT_EQ(Text(window->Tree->topLevelNode(0), "@filename"), project.toStdString());
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());
    EXPECT_TRUE(window->WorkspaceModified);
}

TEST_F(StartupShutdown, AnOptionOnTheCommandLineLoadsNothing) {
    Store("lastws", Workspace("last.hvw", {SampleProject("a.hvp")}));
    window->Form_Load({"-geometry", SampleProject("b.hvp")});
    EXPECT_EQ(Projects(), 0);
}

TEST_F(StartupShutdown, AutoSaveAlwaysAsksForTheWorkspaceFileAndKeepsTheOldOnCancel) {
    Store("lastws", Workspace("last.hvw", {SampleProject("a.hvp")}));
    window->Form_Load({});
    ASSERT_FALSE(window->WorkspaceFile.isEmpty());
    const QString previous = window->WorkspaceFile;
    window->ResizeHandle1->offLeft = 2500;

    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);
    window->Form_Unload();
    ASSERT_EQ(seams->fileDialog->shown.size(), 1u);
    EXPECT_EQ(seams->fileDialog->shown[0].second.DialogTitle, "Save Workspace");
    EXPECT_EQ(seams->fileDialog->shown[0].second.FileName, "*.hvw");
    EXPECT_EQ(Stored("lastws"), previous);
    EXPECT_EQ(Stored("frm_split"), "2500");
    EXPECT_FALSE(seams->tray->placed);
}

TEST_F(StartupShutdown, WithoutAutoSaveTheWorkspaceIsRememberedBeforeItIsCleared) {
    Store("AutoSaveWS", "False");
    Store("lastws", Workspace("last.hvw", {SampleProject("a.hvp")}));
    window->Form_Load({});
    const QString workspace = window->WorkspaceFile;
    // Unchanged workspace, every project saved: no question at all.
    window->Form_Unload();
    EXPECT_EQ(Stored("lastws"), workspace);
    EXPECT_EQ(Projects(), 0);
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());
}

TEST_F(StartupShutdown, CancelInTheClearQuestionsDoesNotStopTheShutdown) {
    Store("AutoSaveWS", "0");
    window->Form_Load({});
    AddProject("Unsaved");
    seams->prompter->Expect("Save Workspace first?", MsgButtons::YesNoCancel, "Save Workspace",
                            MsgAnswer::Cancel);
    window->Form_Unload();
    EXPECT_EQ(Stored("lastws"), "");
    EXPECT_FALSE(seams->tray->placed);
}

TEST_F(StartupShutdown, TheSecondsOfARunningTimerAreBookedBeforeTheSave) {
    const QString path = SampleProject("a.hvp");
    window->Form_Load({path});
    seams->clock->now = 36000;
    window->ToggleTimer();        // on the project, selected at start
    seams->clock->now = 36004.2;  // no tick since the start
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);  // the workspace file
    window->Form_Unload();
    pugi::xml_document saved;
    ASSERT_TRUE(saved.load_file(path.toStdString().c_str()));
    EXPECT_STREQ(saved.document_element().attribute("task_time").value(), "0:00:04");
}

TEST_F(StartupShutdown, ASplitterDragDuringTimingLosesNoSecond) {
    window->Form_Load({});
    TreeNode* project = AddProject("P");
    TreeNode* task = AddTask(project, "T");
    window->Tree->setCurrentItem(task);
    seams->clock->now = 36000;
    window->ToggleTimer();
    window->ResizeHandle1_StartMove();
    EXPECT_FALSE(window->Timer1.enabled());
    seams->clock->now = 36007.5;
    window->ResizeHandle1_Move(3000);
    EXPECT_TRUE(window->Timer1.enabled());
    EXPECT_EQ(Text(task, "@task_time"), "0:00:07");
    EXPECT_EQ(Text(project, "@subtask_time"), "0:00:07");
}

TEST_F(StartupShutdown, ADragWhileStoppedLeavesTheTimerStopped) {
    window->Form_Load({});
    window->show();  // lays the window out at its real size
    window->ResizeHandle1_StartMove();
    window->ResizeHandle1_Move(3000);
    EXPECT_FALSE(window->Timer1.enabled());
    EXPECT_EQ(window->ResizeHandle1->offLeft, 3000);
}

TEST_F(StartupShutdown, EveryFileOnTheCommandLineLoadsAndAMissingOneIsSaid) {
    const QString gone = TempPath("gone.hvp");
    window->Form_Load({SampleProject("a.hvp"), gone, SampleProject("b.hvp")});
    EXPECT_EQ(Projects(), 2);
    EXPECT_EQ(window->statusBar()->currentMessage(), "File not found: " + gone);
}

TEST_F(StartupShutdown, TheWindowReopensWhereItWasInsideTheScreen) {
    Store("AutoSaveWS", "False");
    window->Form_Load({});
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_GE(window->width(), std::min(860, screen.width())) << "room for three levels";
    EXPECT_LE(window->height(), screen.height());
    window->show();
    window->setGeometry(40, 50, 700, 500);
    window->close();
    window.reset();
    seams = std::make_unique<TestPlatform>(TempPath("horavel.conf"));
    window = std::make_unique<frmMain>(seams->Take());
    window->Form_Load({});
    EXPECT_EQ(window->geometry(), QRect(40, 50, 700, 500));
}

TEST(WindowMemory, StoredGeometryIsBroughtOntoTheScreen) {
    const QRect screen(0, 0, 1280, 1024);
    struct Row {
        const char* stored;
        std::optional<QRect> placed;
    };
    const Row rows[] = {
        {"10,20,800,600", QRect(10, 20, 800, 600)},
        {"3000,-50,800,600", QRect(480, 0, 800, 600)},  // off to the right and above
        {"-10,0,4000,3000", QRect(0, 0, 1280, 1024)},   // larger than the screen
        {"1,2,3", std::nullopt},
        {"0,0,0,600", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FitWindowGeometry(row.stored, screen), row.placed) << row.stored;
    }
}

}  // namespace
