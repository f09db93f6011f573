// Saving, loading and clearing the workspace through the main window, on scripted dialogs.
#include <QAction>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

using Kind = ScriptedFileDialog::Kind;

const QString kTitle = QStringLiteral("Horavel");
const QString kSaveFirst = QStringLiteral("Save Workspace first?");
const QString kWorkspaceFilter = QStringLiteral("Horavel Workspace File (*.hvw)|*.hvw");

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

void WriteAll(const QString& path, const QString& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

class WorkspaceFiles : public WindowTest {
  protected:
    // A new project saved to a file of the temporary folder, not modified.
    TreeNode* SavedProject(const QString& name, const QString& file) {
        TreeNode* project = AddProject(name);
        seams->fileDialog->ExpectSave(TempPath(file));
        EXPECT_TRUE(window->SaveProject(project, false));
        return project;
    }
    // A copy of the sample project in the temporary folder.
    QString SampleProject(const QString& name) {
        const QString path = TempPath(name);
        QFile::copy(QStringLiteral(HORAVEL_TEST_DATA "/site.hvp"), path);
        return path;
    }
    TreeNode* LoadSample(const QString& name) {
        QString path = SampleProject(name);
        window->LoadProjects(path);
        return window->Tree->topLevelNode(window->Tree->topLevelItemCount() - 1);
    }
    static QString Record(const QString& path) { return '"' + path + "\"\r\n"; }
    void ExpectSaveFirst(MsgAnswer answer) {
        seams->prompter->Expect(kSaveFirst, MsgButtons::YesNoCancel, "Save Workspace", answer);
    }
    void ExpectModifiedQuestion(const QStringList& captions, MsgAnswer answer) {
        QString text = QStringLiteral("Modified Projects: \r\n");
        for (const QString& caption : captions) {
            text += caption + "\r\n";
        }
        seams->prompter->Expect(text + "Save Modified Projects First?", MsgButtons::YesNoCancel,
                                kTitle, answer);
    }
    int Projects() const { return window->Tree->topLevelItemCount(); }
    const FileDialogSetup& Dialog(size_t index) const {
        return seams->fileDialog->shown.at(index).second;
    }
    // The workspace state as it stands, for checking that nothing changed.
    struct Snapshot {
        int projects;
        QString file;
        bool modified;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot State() const {
        return {Projects(), window->WorkspaceFile, window->WorkspaceModified};
    }
};

TEST_F(WorkspaceFiles, ThreeProjectsAreThreeRecordsInTreeOrder) {
    SavedProject("One", "one.hvp");
    SavedProject("Two", "two.hvp");
    TreeNode* three = SavedProject("Three", "three.hvp");
    window->Tree->setCurrentItem(three);
    window->MoveNodeUp();  // tree order: One, Three, Two
    seams->fileDialog->ExpectSave(TempPath("work.hvw"));

    QString path;
    EXPECT_TRUE(window->SaveWorkspace(path, false));

    const FileDialogSetup& shown = Dialog(3);
    EXPECT_EQ(shown.DialogTitle, "Save Workspace");
    EXPECT_EQ(shown.FileName, "*.hvw");
    EXPECT_EQ(shown.Filter, kWorkspaceFilter);
    EXPECT_EQ(shown.Flags, FileDialogFlag::Explorer | FileDialogFlag::PathMustExist |
                               FileDialogFlag::OverwritePrompt);
    EXPECT_EQ(
        ReadAll(TempPath("work.hvw")),
        (Record(TempPath("one.hvp")) + Record(TempPath("three.hvp")) + Record(TempPath("two.hvp")))
            .toStdString());
    EXPECT_EQ(path, TempPath("work.hvw"));
    EXPECT_EQ(window->WorkspaceFile, path);
    EXPECT_FALSE(window->WorkspaceModified);
}

TEST_F(WorkspaceFiles, AnEmptyWorkspaceIsAnEmptyFile) {
    WriteAll(TempPath("empty.hvw"), "left over from before");
    seams->fileDialog->ExpectSave(TempPath("empty.hvw"));
    QString path;
    EXPECT_TRUE(window->SaveWorkspace(path, false));
    EXPECT_EQ(ReadAll(TempPath("empty.hvw")), "");
    EXPECT_EQ(window->WorkspaceFile, TempPath("empty.hvw"));
}

TEST_F(WorkspaceFiles, AProjectWithoutAFileIsSavedBeforeTheWorkspaceDialog) {
    SavedProject("Saved", "saved.hvp");
    AddProject("Fresh");
    window->WorkspaceModified = true;
    seams->fileDialog->ExpectCancel(Kind::Save);
    QString path;
    EXPECT_FALSE(window->SaveWorkspace(path, false));
    EXPECT_EQ(Dialog(1).DialogTitle, "Save Project 'Fresh'");
    EXPECT_EQ(seams->fileDialog->shown.size(), 2u);  // no workspace dialog after the cancel
    EXPECT_EQ(QDir(dir_.path()).entryList({"*.hvw"}), QStringList());
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());
    EXPECT_TRUE(window->WorkspaceModified);

    seams->fileDialog->ExpectSave(TempPath("fresh.hvp"));
    seams->fileDialog->ExpectSave(TempPath("work.hvw"));
    EXPECT_TRUE(window->SaveWorkspace(path, false));
    EXPECT_EQ(Dialog(2).DialogTitle, "Save Project 'Fresh'");
    EXPECT_EQ(Dialog(3).DialogTitle, "Save Workspace");
    EXPECT_EQ(ReadAll(TempPath("work.hvw")),
              (Record(TempPath("saved.hvp")) + Record(TempPath("fresh.hvp"))).toStdString());
}

TEST_F(WorkspaceFiles, SaveWritesToTheKnownFileAndSaveAsAlwaysAsks) {
    TreeNode* project = SavedProject("One", "one.hvp");
    window->WorkspaceFile = TempPath("work.hvw");
    window->MarkModified(project);
    XML::ResolvePath(project->element, "@owner").setText("ann");

    QString path = window->WorkspaceFile;
    EXPECT_TRUE(window->SaveWorkspace(path, false));  // no dialog at all
    EXPECT_EQ(seams->fileDialog->shown.size(), 1u);
    EXPECT_EQ(ReadAll(TempPath("work.hvw")), Record(TempPath("one.hvp")).toStdString());
    EXPECT_NE(ReadAll(TempPath("one.hvp")).find("owner=\"ann\""), std::string::npos);
    EXPECT_EQ(Text(project, "@modified"), "false");

    seams->fileDialog->ExpectSave(TempPath("other.hvw"));
    EXPECT_TRUE(window->SaveWorkspace(path, true));
    EXPECT_EQ(Dialog(1).DialogTitle, "Save Workspace as");
    EXPECT_EQ(Dialog(1).FileName, TempPath("work.hvw"));
    EXPECT_EQ(window->WorkspaceFile, TempPath("other.hvw"));
    EXPECT_EQ(ReadAll(TempPath("other.hvw")), Record(TempPath("one.hvp")).toStdString());

    // A cancelled Save As keeps the workspace it had.
    seams->fileDialog->ExpectCancel(Kind::Save);
    path = window->WorkspaceFile;
    EXPECT_FALSE(window->SaveWorkspace(path, true));
    EXPECT_EQ(window->WorkspaceFile, TempPath("other.hvw"));
}

TEST_F(WorkspaceFiles, APathARecordCannotHoldIsRefusedAndNothingIsWritten) {
    for (const QString& name :
         {QStringLiteral("say \"hi\".hvp"), QStringLiteral("two\nlines.hvp")}) {
        WriteAll(TempPath("work.hvw"), Record(TempPath("before.hvp")));
        TreeNode* odd = SavedProject("Odd", name);
        window->WorkspaceFile = TempPath("work.hvw");
        seams->prompter->Expect(
            "The workspace cannot list the project file\r\n" + TempPath(name) +
                "\r\nbecause its name holds a double quote or a line break. Save the project "
                "under another name first.",
            MsgButtons::OK, kTitle, MsgAnswer::OK);
        QString path = window->WorkspaceFile;
        EXPECT_FALSE(window->SaveWorkspace(path, false)) << name.toStdString();
        EXPECT_EQ(ReadAll(TempPath("work.hvw")), Record(TempPath("before.hvp")).toStdString());
        EXPECT_TRUE(window->DeleteNode(odd));
    }
}

TEST_F(WorkspaceFiles, AFailedWriteIsReportedAndKeepsTheWorkspaceState) {
    SavedProject("One", "one.hvp");
    window->WorkspaceFile = TempPath("work.hvw");
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.hvw"));
    seams->fileDialog->ExpectSave(TempPath("folder.hvw"));
    seams->prompter->Expect("Unable to save the workspace file\r\n" + TempPath("folder.hvw") +
                                "\r\nFilename refers to a directory",
                            MsgButtons::OK, kTitle, MsgAnswer::OK);
    QString path = window->WorkspaceFile;
    EXPECT_FALSE(window->SaveWorkspace(path, true));
    EXPECT_EQ(window->WorkspaceFile, TempPath("work.hvw"));
    EXPECT_TRUE(window->WorkspaceModified);
    EXPECT_TRUE(QFileInfo(TempPath("folder.hvw")).isDir());
}

TEST_F(WorkspaceFiles, ClearingAnEmptyTreeAsksNothingAndForgetsTheFile) {
    window->WorkspaceFile = TempPath("work.hvw");
    window->WorkspaceModified = true;
    EXPECT_TRUE(window->ClearWorkspace());
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());
    EXPECT_FALSE(window->WorkspaceModified);
    EXPECT_TRUE(seams->prompter->asked.empty());
}

TEST_F(WorkspaceFiles, SaveWorkspaceFirstIsAskedOnlyWhenTheWorkspaceChanged) {
    LoadSample("a.hvp");
    LoadSample("b.hvp");
    window->WorkspaceFile = TempPath("work.hvw");
    window->WorkspaceModified = false;
    EXPECT_TRUE(window->ClearWorkspace());
    EXPECT_TRUE(seams->prompter->asked.empty());
    EXPECT_EQ(Projects(), 0);
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());

    LoadSample("a.hvp");  // a load changes the workspace
    ExpectSaveFirst(MsgAnswer::No);
    EXPECT_TRUE(window->ClearWorkspace());
    EXPECT_EQ(Projects(), 0);
    EXPECT_FALSE(window->WorkspaceModified);
    EXPECT_EQ(ReadAll(TempPath("work.hvw")), "<missing>");
}

TEST_F(WorkspaceFiles, OnlyProjectsMarkedTrueAreListedAsModified) {
    window->TT_ShowTime = true;  // listed as shown: with their times
    TreeNode* marked = SavedProject("Marked", "marked.hvp");
    LoadSample("absent.hvp");  // no modified attribute at all
    TreeNode* empty = SavedProject("Empty", "empty.hvp");
    SavedProject("Unmarked", "unmarked.hvp");
    TreeNode* capital = SavedProject("Capital", "capital.hvp");
    TreeNode* last = SavedProject("Last", "last.hvp");
    XML::ResolvePath(marked->element, "@owner").setText("ann");
    window->MarkModified(marked);
    XML::ResolvePath(empty->element, "@modified").setText("");
    XML::ResolvePath(capital->element, "@modified").setText("True");  // exact text only
    window->MarkModified(last);
    window->UpdateAllNodes();
    window->WorkspaceModified = false;
    ASSERT_EQ(marked->caption(), "Marked (0:00)");

    ExpectModifiedQuestion({marked->caption(), last->caption()}, MsgAnswer::No);
    EXPECT_TRUE(window->ClearWorkspace());
    EXPECT_EQ(Projects(), 0);
    EXPECT_EQ(ReadAll(TempPath("marked.hvp")).find("owner"), std::string::npos);  // No: unsaved
}

TEST_F(WorkspaceFiles, YesToSaveWorkspaceFirstSavesEverySoNoSecondQuestion) {
    TreeNode* one = SavedProject("One", "one.hvp");
    TreeNode* fresh = AddProject("Fresh");  // modified, never saved
    window->MarkModified(one);
    ExpectSaveFirst(MsgAnswer::Yes);
    seams->fileDialog->ExpectSave(TempPath("fresh.hvp"));
    seams->fileDialog->ExpectSave(TempPath("work.hvw"));
    ASSERT_EQ(Text(fresh, "@modified"), "true");

    EXPECT_TRUE(window->ClearWorkspace());
    EXPECT_EQ(seams->prompter->asked.size(), 1u);
    EXPECT_EQ(Projects(), 0);
    EXPECT_EQ(ReadAll(TempPath("work.hvw")),
              (Record(TempPath("one.hvp")) + Record(TempPath("fresh.hvp"))).toStdString());
    EXPECT_NE(ReadAll(TempPath("fresh.hvp")).find("name=\"Fresh\""), std::string::npos);
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());  // cleared after it was saved
}

TEST_F(WorkspaceFiles, CancelInEitherQuestionClearsNothingAndLoadGoesNoFurther) {
    const struct {
        const char* what;
        std::function<void()> script;
    } cases[] = {
        {"Cancel to the first", [this] { ExpectSaveFirst(MsgAnswer::Cancel); }},
        {"Cancel to the second",
         [this] {
             ExpectSaveFirst(MsgAnswer::No);
             ExpectModifiedQuestion({"One"}, MsgAnswer::Cancel);
         }},
        {"Yes to the first, its project save cancelled",
         [this] {
             ExpectSaveFirst(MsgAnswer::Yes);
             seams->fileDialog->ExpectCancel(Kind::Save);
         }},
        {"Yes to the first, the workspace file cannot be written",
         [this] {
             QDir(dir_.path()).mkdir("kept.hvw");
             ExpectSaveFirst(MsgAnswer::Yes);
             seams->fileDialog->ExpectSave(TempPath("one.hvp"));
             seams->prompter->Expect("Unable to save the workspace file\r\n" +
                                         TempPath("kept.hvw") +
                                         "\r\nFilename refers to a directory",
                                     MsgButtons::OK, kTitle, MsgAnswer::OK);
         }},
    };
    for (const auto& c : cases) {
        for (const bool load : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (load ? " (load)" : " (clear)"));
            while (TreeNode* project = window->Tree->topLevelNode(0)) {
                window->DeleteNode(project);
            }
            AddProject("One");
            window->WorkspaceFile = TempPath("kept.hvw");
            window->WorkspaceModified = true;
            const Snapshot before = State();

            c.script();
            if (load) {
                QString path;
                window->LoadWorkspace(path);  // stops before its own dialog
            } else {
                EXPECT_FALSE(window->ClearWorkspace());
            }
            EXPECT_EQ(State(), before);
            EXPECT_TRUE(seams->prompter->allAnswered());
            EXPECT_TRUE(seams->fileDialog->allAnswered());
        }
    }
}

// Yes asks for the work to be kept: a save dialog cancelled on the way must not drop it.
TEST_F(WorkspaceFiles, YesToTheModifiedQuestionThenACancelledSaveClearsNothing) {
    TreeNode* one = SavedProject("One", "one.hvp");
    TreeNode* fresh = AddProject("Fresh");
    TreeNode* last = SavedProject("Last", "last.hvp");
    window->MarkModified(one);
    window->MarkModified(last);
    window->WorkspaceModified = false;
    ExpectModifiedQuestion({"One", "Fresh", "Last"}, MsgAnswer::Yes);
    seams->fileDialog->ExpectCancel(Kind::Save);

    EXPECT_FALSE(window->ClearWorkspace());
    EXPECT_EQ(Projects(), 3);
    EXPECT_EQ(Text(one, "@modified"), "false");  // saved before the cancel
    EXPECT_EQ(Text(fresh, "@modified"), "true");
    EXPECT_EQ(Text(last, "@modified"), "true");
}

TEST_F(WorkspaceFiles, ClearingStopsTheRunningTimerFirstWhateverIsSelected) {
    const struct {
        const char* what;
        bool selectOther;
    } cases[] = {{"nothing selected", false}, {"another project selected", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TreeNode* project = SavedProject("Timed", "timed.hvp");
        TreeNode* task = AddTask(project, "Task");
        TreeNode* other = SavedProject("Other", "other.hvp");
        window->MarkUnmodified(project);
        window->WorkspaceModified = false;
        window->Tree->setCurrentItem(task);
        seams->clock->now = 36000;
        window->ToggleTimer();
        ASSERT_TRUE(window->TimerRunning);
        window->Tree->setCurrentItem(c.selectOther ? other : nullptr);
        seams->clock->now = 36003;

        EXPECT_TRUE(window->ClearWorkspace());  // no refusal, no endless loop
        EXPECT_EQ(Projects(), 0);
        EXPECT_FALSE(window->TimerRunning);
        EXPECT_FALSE(window->Timer1.enabled());
        EXPECT_EQ(window->TimedNode, nullptr);
        EXPECT_EQ(window->ToolbarButton("toggletimer")->text(), "Start Timer");
        EXPECT_TRUE(seams->prompter->asked.empty());
    }
}

TEST_F(WorkspaceFiles, AMissingEntryIsSkippedSilently) {
    const QString first = SampleProject("first.hvp");
    const QString third = SampleProject("third.hvp");
    WriteAll(TempPath("work.hvw"), Record(first) + Record(TempPath("gone.hvp")) + Record(third));
    QString path = TempPath("work.hvw");
    window->LoadWorkspace(path);
    ASSERT_EQ(Projects(), 2);
    EXPECT_EQ(Text(window->Tree->topLevelNode(0), "@filename"), first.toStdString());
    EXPECT_EQ(Text(window->Tree->topLevelNode(1), "@filename"), third.toStdString());
    EXPECT_EQ(window->WorkspaceFile, path);
    EXPECT_FALSE(window->WorkspaceModified);
    EXPECT_TRUE(seams->prompter->asked.empty());
}

TEST_F(WorkspaceFiles, WhatIsSavedLoadsBackInOrder) {
    SavedProject("One", "one.hvp");
    LoadSample("site.hvp");
    SavedProject("Büro \"x\"", "büro.hvp");
    QString path = TempPath("work.hvw");
    ASSERT_TRUE(window->SaveWorkspace(path, false));

    path.clear();
    seams->fileDialog->ExpectOpen(TempPath("work.hvw"));
    window->LoadWorkspace(path);
    const FileDialogSetup& shown = seams->fileDialog->shown.back().second;
    EXPECT_EQ(shown.DialogTitle, "Load Workspace");
    EXPECT_EQ(shown.FileName, "*.hvw");
    EXPECT_EQ(shown.Filter, kWorkspaceFilter);
    EXPECT_EQ(shown.Flags, FileDialogFlag::Explorer | FileDialogFlag::PathMustExist);
    ASSERT_EQ(Projects(), 3);
    const char* files[] = {"one.hvp", "site.hvp", "büro.hvp"};
    const char* names[] = {"One", "Site", "Büro \"x\""};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Text(window->Tree->topLevelNode(i), "@filename"),
                  TempPath(files[i]).toStdString());
        EXPECT_EQ(Text(window->Tree->topLevelNode(i), "@name"), names[i]);
    }
    EXPECT_EQ(window->WorkspaceFile, TempPath("work.hvw"));
    EXPECT_FALSE(window->WorkspaceModified);
}

TEST_F(WorkspaceFiles, TheOldWorkspaceIsGoneBeforeTheLoadDialogOpens) {
    LoadSample("a.hvp");
    window->WorkspaceFile = TempPath("old.hvw");
    window->WorkspaceModified = false;
    seams->fileDialog->ExpectCancel(Kind::Open);
    QString path;
    window->LoadWorkspace(path);
    EXPECT_EQ(Projects(), 0);
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());

    // A workspace file that is not there leaves the workspace empty, without a word.
    LoadSample("b.hvp");
    window->WorkspaceModified = false;
    path = TempPath("missing.hvw");
    window->LoadWorkspace(path);
    EXPECT_EQ(Projects(), 0);
    EXPECT_TRUE(window->WorkspaceFile.isEmpty());
}
}  // namespace
