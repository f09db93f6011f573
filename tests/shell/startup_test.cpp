// Opening and closing the window: the settings it reads and writes, and what it loads.

#include "model/xml.h"
#include "shell/settings.h"
#include "support/window_fixture.h"

namespace {

class Startup : public WindowTest {
  protected:
    void Store(const QString& key, const QString& value) {
        seams->settings->SaveSetting(key, value);
    }
    QString Stored(const QString& key) { return seams->settings->GetSetting(key, "<absent>"); }
    QString Project(const QString& name) {
        const QString path = TempPath(name + ".hvp");
        WriteFile(path, ("<project name=\"" + name + "\" task_time=\"\"/>").toStdString());
        return path;
    }
    QString Workspace(const QStringList& projects) {
        QString text;
        for (const QString& project : projects) {
            text += '"' + project + "\"\r\n";
        }
        WriteFile(TempPath("last.hvw"), text.toStdString());
        return TempPath("last.hvw");
    }
    void Exit() {
        seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);  // the workspace file
        Choose("mnuExit");
    }
    int Projects() const { return window->ui.Tree->topLevelItemCount(); }
};

TEST_F(Startup, FirstRunShowsNoTimesAndStoresTheSplitterAndWorkspaceAtExit) {
    window->Form_Load({});
    EXPECT_FALSE(window->Display.TT_ShowTime);
    EXPECT_TRUE(window->Display.TT_ShowTotalTime);
    EXPECT_FALSE(window->Display.TT_ShowSec);
    EXPECT_EQ(window->ui.ResizeHandle1->offLeft, 3900);  // wide enough for three levels of names
    EXPECT_TRUE(seams->tray->placed);
    seams->fileDialog->ExpectSave(TempPath("work.hvw"));
    Choose("mnuExit");
    EXPECT_EQ(Stored("frm_split"), "3900");
    EXPECT_EQ(Stored("lastws"), TempPath("work.hvw"));
    EXPECT_FALSE(seams->tray->placed);
}

TEST_F(Startup, StoredSettingsAreReadInTheirLooseForms) {
    Store("TT_ShowTime", "1");
    Store("TT_ShowTotalTime", "FALSE");
    Store("TT_ShowSec", " true ");
    Store("TrayIcon", "no");  // neither true, false nor a number: the default
    Store("frm_split", "2400.5abc");
    window->Form_Load({});
    EXPECT_TRUE(window->Display.TT_ShowTime);
    EXPECT_FALSE(window->Display.TT_ShowTotalTime);
    EXPECT_TRUE(window->Display.TT_ShowSec);
    EXPECT_TRUE(seams->tray->placed);
    EXPECT_EQ(window->ui.ResizeHandle1->offLeft, 2400.5);
}

TEST_F(Startup, TheLastWorkspaceReloadsOnlyForTheExactTrue) {
    const QString workspace = Workspace({Project("A"), TempPath("gone.hvp"), Project("B")});
    Store("lastws", workspace);
    Store("AutoLoadWS", "true");
    window->Form_Load({});
    EXPECT_EQ(Projects(), 0) << "lower-case true does not reload";
    Store("AutoLoadWS", "True");
    window->Form_Load({});
    EXPECT_EQ(Projects(), 2) << "the missing project is skipped silently";
    EXPECT_EQ(window->Workspace.WorkspaceFile, workspace);
    EXPECT_EQ(window->ui.txtName->text(), "A");
}

// "No Prompt Save Workspace on Exit": a workspace that has its file is saved there, with its
// projects, and nothing is asked (the file dialog shows only for one without a file).
TEST_F(Startup, NoPromptSavesAWorkspaceWithAFileAndItsProjectsWithoutADialog) {
    const QString workspace = Workspace({Project("A"), Project("B")});
    Store("lastws", workspace);
    Store("AutoLoadWS", "True");
    window->Form_Load({});
    ASSERT_EQ(Projects(), 2);
    window->ui.txtName->setText("Renamed");  // A, selected at start
    ClickTreeBar("down");
    Choose("mnuExit");  // any message box or file dialog would fail the test
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(ReadFile(TempPath("A.hvp")).find("name=\"Renamed\""), std::string::npos);
    EXPECT_EQ(ReadFile(workspace),
              ('"' + TempPath("B.hvp") + "\"\r\n\"" + TempPath("A.hvp") + "\"\r\n").toStdString());
    EXPECT_EQ(Stored("lastws"), workspace);
}

TEST_F(Startup, TheCommandLineProjectWinsAndARunningTimerIsBookedAtExit) {
    Store("lastws", Workspace({Project("A")}));
    const QString given = Project("Given");
    window->Form_Load({given});
    ASSERT_EQ(Projects(), 1);
    ClickToolbar("toggletimer");  // on the project, selected at start
    seams->clock->now += 4.2;     // no tick since the start
    Exit();
    EXPECT_NE(ReadFile(given).find("task_time=\"0:00:04\""), std::string::npos) << ReadFile(given);
}

}  // namespace
