// Saving and loading projects through the main window, on scripted dialogs.
#include <QDir>
#include <QFile>
#include <QStatusBar>

#include <gtest/gtest.h>

#include <sstream>

#include "files/project_files.h"
#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

void WriteAll(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

// The element's start tag as it is held in memory, attributes in order.
std::string StartTag(TreeNode* node) {
    std::ostringstream out;
    node->element.print(out, "", pugi::format_raw);
    const std::string text = out.str();
    return text.substr(0, text.find('>') + 1);
}

class ProjectFiles : public WindowTest {
  protected:
    // A copy of a sample file in the temporary folder, loaded.
    TreeNode* LoadCopyOf(const char* sample, const QString& as) {
        const QString path = TempPath(as);
        QFile::copy(QStringLiteral(HORAVEL_TEST_DATA "/") + sample, path);
        QString name = path;
        window->LoadProjects(name);
        return window->Tree->topLevelNode(window->Tree->topLevelItemCount() - 1);
    }
    const FileDialogSetup& LastDialog() const { return seams->fileDialog->shown.back().second; }
    void ExpectMessage(const QString& text) {
        seams->prompter->Expect(text, MsgButtons::OK, kTitle, MsgAnswer::OK);
    }
};

TEST(ProjectFileNames, OnlyTheEightForbiddenCharactersAreReplaced) {
    EXPECT_EQ(SuggestedFileName(R"(a\b/c:d*e?f<g>h|i"j.k)").toStdString(),
              R"(a_b_c_d_e_f_g_h_i"j.k)");
    EXPECT_EQ(SuggestedFileName("//::").toStdString(), "____");
    EXPECT_EQ(SuggestedFileName("Plain name").toStdString(), "Plain name");
}

TEST_F(ProjectFiles, FirstSaveOffersTheNameAndWritesNoInMemoryAttribute) {
    TreeNode* project = AddProject(R"(Web/Shop: "2024")");
    TreeNode* task = AddTask(project, "Design");
    window->WorkspaceModified = false;
    const QString path = TempPath("shop.hvp");
    seams->fileDialog->ExpectSave(path);

    EXPECT_TRUE(window->SaveProject(task, false));  // any node stands for its project

    const FileDialogSetup& shown = LastDialog();
    EXPECT_EQ(shown.DialogTitle.toStdString(), R"(Save Project 'Web/Shop: "2024"')");
    EXPECT_EQ(shown.FileName.toStdString(), R"(Web_Shop_ "2024")");
    EXPECT_EQ(shown.Filter.toStdString(), kProjectFileFilter);
    EXPECT_EQ(shown.Flags, FileDialogFlag::Explorer | FileDialogFlag::PathMustExist |
                               FileDialogFlag::OverwritePrompt);
    EXPECT_EQ(shown.DefaultExt.toStdString(), ".hvp");
    EXPECT_EQ(
        ReadAll(path),
        R"(<?xml version="1.0"?><project name="Web/Shop: &quot;2024&quot;" completed="false" )"
        R"(task_time="" subtask_time=""><description/><history/><task name="Design" )"
        R"(completed="false" task_time="" subtask_time=""><description/><history/></task>)"
        R"(</project>)");
    EXPECT_EQ(Text(project, "@filename"), path.toStdString());
    EXPECT_EQ(Text(project, "@modified"), "false");
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
    EXPECT_TRUE(window->WorkspaceModified);

    // Saved again: no dialog, same file.
    window->MarkModified(project);
    EXPECT_TRUE(window->SaveProject(project, false));
    EXPECT_EQ(Text(project, "@modified"), "false");
}

TEST_F(ProjectFiles, SaveAsStartsFromTheFullPath) {
    TreeNode* project = LoadCopyOf("site.hvp", "site.hvp");
    const QString copy = TempPath("copy.hvp");
    seams->fileDialog->ExpectSave(copy);
    EXPECT_TRUE(window->SaveProject(project, true));
    EXPECT_EQ(LastDialog().FileName, TempPath("site.hvp"));
    EXPECT_EQ(LastDialog().DialogTitle.toStdString(), "Save Project 'Site'");
    EXPECT_EQ(Text(project, "@filename"), copy.toStdString());
}

TEST_F(ProjectFiles, CancelLeavesBothAttributesExactlyAsTheyWere) {
    TreeNode* fresh = AddProject("Fresh");
    TreeNode* loaded = LoadCopyOf("site.hvp", "site.hvp");
    TreeNode* saved = AddProject("Saved");
    seams->fileDialog->ExpectSave(TempPath("saved.hvp"));
    ASSERT_TRUE(window->SaveProject(saved, false));
    window->MarkModified(saved);
    window->WorkspaceModified = false;

    for (TreeNode* project : {fresh, loaded, saved}) {
        const std::string before = StartTag(project);
        const TreeImage image = project->image();
        seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);
        EXPECT_FALSE(window->SaveProject(project, true));
        EXPECT_EQ(StartTag(project), before);
        EXPECT_EQ(project->image(), image);
    }
    EXPECT_FALSE(window->WorkspaceModified);
    EXPECT_EQ(QDir(dir_.path()).entryList({"*.hvp"}), (QStringList{"saved.hvp", "site.hvp"}));
}

TEST_F(ProjectFiles, AFailedWriteIsReportedAndChangesNothing) {
    TreeNode* project = LoadCopyOf("site.hvp", "site.hvp");
    window->MarkModified(project);
    const std::string before = StartTag(project);
    QDir(dir_.path()).mkdir("taken.hvp");
    seams->fileDialog->ExpectSave(TempPath("taken.hvp"));
    ExpectMessage("Could not save the project to\r\n" + TempPath("taken.hvp") +
                  "\r\nThis is a folder, not a file");
    EXPECT_FALSE(window->SaveProject(project, true));
    EXPECT_EQ(StartTag(project), before);
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);

    // A folder that cannot hold files, even for root: the earlier file stays whole.
    XML::ResolvePath(project->element, "@filename")
        .setText(TempPath("site.hvp/inner.hvp").toStdString());
    ExpectMessage("Could not save the project to\r\n" + TempPath("site.hvp/inner.hvp") +
                  "\r\nNot a directory");
    EXPECT_FALSE(window->SaveProject(project, false));
    EXPECT_EQ(ReadAll(TempPath("site.hvp")), ReadAll(HORAVEL_TEST_DATA "/site.hvp"));
    EXPECT_EQ(Text(project, "@modified"), "true");
}

TEST_F(ProjectFiles, SaveAllStopsAtTheFirstCancel) {
    EXPECT_TRUE(window->SaveAllProjects());  // nothing to save, nothing asked
    TreeNode* first = LoadCopyOf("site.hvp", "first.hvp");
    window->MarkModified(first);
    TreeNode* second = AddProject("Second");
    TreeNode* third = AddProject("Third");
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);

    EXPECT_FALSE(window->SaveAllProjects());
    EXPECT_EQ(seams->fileDialog->shown.size(), 1u);
    EXPECT_EQ(LastDialog().DialogTitle.toStdString(), "Save Project 'Second'");
    EXPECT_EQ(Text(first, "@modified"), "false");
    EXPECT_EQ(Text(second, "@modified"), "true");
    EXPECT_EQ(Text(third, "@modified"), "true");
}

TEST_F(ProjectFiles, SaveAllSavesEveryProject) {
    TreeNode* first = AddProject("First");
    TreeNode* second = AddProject("Second");
    seams->fileDialog->ExpectSave(TempPath("1.hvp"));
    seams->fileDialog->ExpectSave(TempPath("2.hvp"));
    EXPECT_TRUE(window->SaveAllProjects());
    EXPECT_EQ(Text(first, "@filename"), TempPath("1.hvp").toStdString());
    EXPECT_EQ(Text(second, "@filename"), TempPath("2.hvp").toStdString());
}

TEST_F(ProjectFiles, AProjectLoadsAndSavesBackByteForByte) {
    TreeNode* project = LoadCopyOf("site.hvp", "site.hvp");
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->caption().toStdString(), "Site");
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
    EXPECT_EQ(Text(project, "@filename"), TempPath("site.hvp").toStdString());
    EXPECT_FALSE(project->element.attribute("modified"));
    ASSERT_EQ(project->childCount(), 3);
    EXPECT_EQ(project->childNode(0)->caption().toStdString(), "Design");
    EXPECT_EQ(project->childNode(0)->image(), TreeImage::TaskCompleted);
    EXPECT_EQ(project->childNode(0)->childNode(0)->caption().toStdString(), "Logo");
    EXPECT_EQ(project->childNode(1)->caption().toStdString(), R"(Copy "final")");
    EXPECT_EQ(project->childNode(2)->image(), TreeImage::TaskCompleted);  // "TRUE"
    EXPECT_TRUE(window->WorkspaceModified);

    EXPECT_TRUE(window->SaveProject(project, false));
    EXPECT_EQ(ReadAll(TempPath("site.hvp")), ReadAll(HORAVEL_TEST_DATA "/site.hvp"));
}

TEST_F(ProjectFiles, ThreeChosenFilesLoadInTheOrderGiven) {
    AddProject("Already open");
    for (const char* name : {"a", "b", "c"}) {
        WriteAll(TempPath(QString::fromLatin1(name) + ".hvp"),
                 std::string("<project name=\"") + name + "\"/>");
    }
    const QString answer =
        dir_.path() + QChar(0) + "b.hvp" + QChar(0) + "c.hvp" + QChar(0) + "a.hvp" + QChar(0);
    seams->fileDialog->ExpectOpen(answer);
    window->WorkspaceModified = false;
    QString fileName;

    window->LoadProjects(fileName);

    const FileDialogSetup& shown = LastDialog();
    EXPECT_EQ(shown.DialogTitle.toStdString(), "Load Project");
    EXPECT_EQ(shown.FileName.toStdString(), "*.hvp");
    EXPECT_EQ(shown.Filter.toStdString(), kProjectFileFilter);
    EXPECT_EQ(shown.Flags, FileDialogFlag::Explorer | FileDialogFlag::AllowMultiSelect |
                               FileDialogFlag::CreatePrompt);
    EXPECT_EQ(shown.FilterIndex, 0);
    EXPECT_EQ(fileName, answer);
    ASSERT_EQ(window->Tree->topLevelItemCount(), 4);
    for (int i = 1; i < 4; ++i) {
        TreeNode* loaded = window->Tree->topLevelNode(i);
        const QString expected = QStringLiteral("bca").mid(i - 1, 1);
        EXPECT_EQ(loaded->caption(), expected);
        EXPECT_EQ(Text(loaded, "@filename"), TempPath(expected + ".hvp").toStdString());
    }
    EXPECT_TRUE(window->WorkspaceModified);
}

TEST_F(ProjectFiles, CancelledOpenDialogChangesNothing) {
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Open);
    QString fileName;
    window->LoadProjects(fileName);
    EXPECT_TRUE(fileName.isEmpty());
    EXPECT_FALSE(window->WorkspaceModified);
    EXPECT_EQ(window->Tree->topLevelItemCount(), 0);
}

TEST_F(ProjectFiles, BadFilesAreReportedOnceAndTheOthersStillLoad) {
    WriteAll(TempPath("capital.hvp"), "<Project name=\"x\"/>");
    WriteAll(TempPath("broken.hvp"), "<project>\n<task></project>");
    WriteAll(TempPath("good.hvp"), "<project name=\"Good\"/>");
    QDir(dir_.path()).mkdir("folder.hvp");
    ExpectMessage("File Missing Top Level 'project' node\r\nCan not load");
    ExpectMessage("Error Loading File\r\nStart-end tags mismatch at line 2, column 9\r\n" +
                  TempPath("broken.hvp"));
    ExpectMessage("Error Loading File\r\nThis is a folder, not a file\r\n" +
                  TempPath("folder.hvp"));
    QString selection = dir_.path() + QChar(0);
    for (const char* name :
         {"capital.hvp", "missing.hvp", "broken.hvp", "folder.hvp", "good.hvp"}) {
        selection += QString::fromLatin1(name) + QChar(0);
    }

    window->LoadProjects(selection);

    ASSERT_EQ(window->Tree->topLevelItemCount(), 1);  // the missing file is skipped silently
    EXPECT_EQ(window->Tree->topLevelNode(0)->caption().toStdString(), "Good");
    EXPECT_TRUE(window->WorkspaceModified);
}

TEST_F(ProjectFiles, TheSameFileLoadsTwiceAsTwoIndependentProjects) {
    TreeNode* one = LoadCopyOf("site.hvp", "site.hvp");
    QString path = TempPath("site.hvp");
    window->LoadProjects(path);
    TreeNode* two = window->Tree->topLevelNode(1);
    ASSERT_NE(one, two);
    EXPECT_NE(one->document(), two->document());
    EXPECT_EQ(StartTag(one), StartTag(two));
}

TEST_F(ProjectFiles, DeepNestingLoadsAndGoesAgainWithoutOverflow) {
    // Deep enough that recursive freeing of the elements or of the tree nodes overflows
    // the default stack; a million levels cost too long in a debug build.
    constexpr int kDepth = 250000;
    std::string deep = "<project name=\"Deep\">";
    deep.reserve(size_t(kDepth) * 13 + 64);
    for (int i = 0; i < kDepth; ++i) {
        deep += "<task>";
    }
    for (int i = 0; i < kDepth; ++i) {
        deep += "</task>";
    }
    deep += "</project>";
    WriteAll(TempPath("deep.hvp"), deep);
    QString path = TempPath("deep.hvp");
    window->LoadProjects(path);
    ASSERT_EQ(window->Tree->topLevelItemCount(), 1);
    TreeNode* project = window->Tree->topLevelNode(0);
    EXPECT_EQ(project->caption().toStdString(), "Deep");
    EXPECT_EQ(project->childCount(), 1);

    EXPECT_TRUE(window->DeleteNode(project));  // the element and the nodes, leaf first
    EXPECT_EQ(window->Tree->topLevelItemCount(), 0);
    window->LoadProjects(path);  // and once more, left for the window to free
    EXPECT_EQ(window->Tree->topLevelItemCount(), 1);
}

}  // namespace
