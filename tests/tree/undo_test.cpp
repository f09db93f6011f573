// Undo as a person meets it: a project removed and brought back with its file, the timer's
// guard on a step that would remove the timed task, and a project saved between an edit and
// its undo.
#include <QApplication>
#include <QFileInfo>
#include <QStatusBar>
#include <QTest>

#include "files/file_hold.h"
#include "support/window_fixture.h"

namespace {

class Undo : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ShowActive();  // the keys reach a window's shortcuts only while it is active
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        window->ui.Tree->setFocus();
        QTest::keyClick(window->ui.Tree, key, modifiers);
    }
    TreeNode* Load(const QString& path) {
        seams->fileDialog->ExpectOpen(path);
        ClickToolbar("loadproject");
        return window->ui.Tree->topLevelNode(window->ui.Tree->topLevelItemCount() - 1);
    }
};

TEST_F(Undo, ARemovedProjectComesBackWithItsFileItsPlaceAndItsLockUnlessOpenedAgain) {
    AddProject("First");
    const QString path = TempPath("site.hvp");
    WriteFile(path, R"(<project name="Site" task_time="0:00:00" subtask_time="2:15:00">)"
                    R"(<task name="Logo" task_time="2:15:00" subtask_time="0:00:00"/></project>)");
    TreeNode* site = Load(path);
    AddProject("Last");
    ClickNode(site);
    ClickTreeBar("remove");  // unmodified: no question
    EXPECT_EQ(Status(), "Removed \"Site\" (2:15:00). Ctrl+Z brings it back.");
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 2);

    Key(Qt::Key_Z);
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 3);
    TreeNode* back = window->ui.Tree->topLevelNode(1);
    EXPECT_EQ(Text(back, "@name"), "Site");
    EXPECT_EQ(Text(back, "@filename"), QFileInfo(path).absoluteFilePath().toStdString());
    ASSERT_NE(back->fileHold, nullptr);
    EXPECT_NE(back->fileHold->lock, nullptr);
    EXPECT_EQ(Text(back, "@subtask_time"), "2:15:00");
    EXPECT_EQ(Text(back, "@modified"), "") << "unmodified, as it was";

    // Removed again, the same file loaded anew: bringing the old one back would open it twice.
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    Load(path);
    Key(Qt::Key_Y);  // nothing to redo: the load came after
    EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 3);
    seams->prompter->ExpectNotice(
        QString("\"Site\" (%1) is already open.").arg(QFileInfo(path).absoluteFilePath()));
    Key(Qt::Key_Z);
    EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 3);
}

TEST_F(Undo, AStepThatWouldRemoveTheTimedTaskIsRefusedWithTheGuardsWords) {
    TreeNode* project = AddProject("P");
    ClickNode(project);
    ClickTreeBar("newtask");
    TreeNode* task = window->SelectedNode();
    CloseLabelEdit(task);
    ClickToolbar("toggletimer");
    seams->prompter->ExpectNotice(
        "Unable to delete the current task, stop the timer the try again");
    Key(Qt::Key_Z);  // would take the new task away
    EXPECT_EQ(project->childCount(), 1);
    ClickToolbar("toggletimer");
    Key(Qt::Key_Z);
    EXPECT_EQ(project->childCount(), 0);
}

TEST_F(Undo, AnEditUndoneAfterASaveLeavesTheProjectModifiedAndOneUndoneBeforeItDoesNot) {
    const QString path = TempPath("p.hvp");
    WriteFile(path, R"(<project name="P"><task name="A"/><task name="B"/></project>)");
    TreeNode* project = Load(path);
    project->setExpanded(true);
    ClickNode(project->childNode(0));
    ClickTreeBar("down");
    EXPECT_EQ(Text(window->ui.Tree->topLevelNode(0), "@modified"), "true");
    Key(Qt::Key_Z);
    EXPECT_EQ(Text(window->ui.Tree->topLevelNode(0), "@modified"), "") << "as loaded";
    Key(Qt::Key_Y);
    ClickToolbar("saveproject");
    EXPECT_EQ(Text(window->ui.Tree->topLevelNode(0), "@modified"), "false");
    Key(Qt::Key_Z);
    EXPECT_EQ(Text(window->ui.Tree->topLevelNode(0), "@modified"), "true")
        << "the file holds the move; the window no longer does";
    EXPECT_EQ(Text(window->ui.Tree->topLevelNode(0)->childNode(0), "@name"), "A");
}

}  // namespace
