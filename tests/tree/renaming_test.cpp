// Renaming a node in place: the edit box holds the bare name, the node its full caption.
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

class Renaming : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->TT_ShowTime = true;
        window->TT_ShowTotalTime = true;
        project = AddProject("Site");
        design = AddTask(project, "Design");
        XML::ResolvePath(design->element, "@task_time").setText("1:05:00");
        window->UpdateAllNodes();
        window->MarkUnmodified(project);
        window->show();
    }

    QLineEdit* Editor() const {
        return qobject_cast<QLineEdit*>(window->Tree->indexWidget(window->Tree->currentIndex()));
    }
    // Asks for an edit of the selected node's label as a gesture or a menu would, and lets
    // Timer2 open it.
    QLineEdit* OpenEditor() {
        window->Tree->StartLabelEdit();
        if (!QTest::qWaitFor([this] { return Editor() != nullptr; }, 2000)) {
            ADD_FAILURE() << "no label editor opened";
        }
        return Editor();
    }
    // Enter commits the edit through a queued call.
    static void Commit(QLineEdit* editor) {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    bool Modified() const { return Text(project, "@modified") == "true"; }

    TreeNode* project = nullptr;
    TreeNode* design = nullptr;
};

TEST_F(Renaming, OpensWithTheBareNameAndEndsWithTheFullCaption) {
    window->Tree->setCurrentItem(design);
    window->Tree->StartLabelEdit();
    // First turned down: the node shows its bare name until Timer2 restarts the edit.
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_TRUE(window->Timer2.enabled());
    EXPECT_EQ(design->caption(), "Design");

    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Design");
    EXPECT_EQ(design->caption(), "Design (1:05)") << "the node behind the box";
    EXPECT_FALSE(window->Timer2.enabled());
    EXPECT_EQ(window->Timer2.Tag, "");

    editor->setText("Logo");
    Commit(editor);
    EXPECT_EQ(Text(design, "@name"), "Logo");
    EXPECT_EQ(design->caption(), "Logo (1:05)");
    EXPECT_EQ(window->txtName->text(), "Logo");
    EXPECT_TRUE(Modified());
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);
}

TEST_F(Renaming, CancelledEditLeavesEverythingAsItWas) {
    window->Tree->setCurrentItem(design);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("Logo");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Text(design, "@name"), "Design");
    EXPECT_EQ(design->caption(), "Design (1:05)");
    EXPECT_EQ(window->txtName->text(), "Design");
    EXPECT_FALSE(Modified());
}

TEST_F(Renaming, SameNameCommittedDoesNotMark) {
    window->Tree->setCurrentItem(design);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    Commit(editor);
    EXPECT_EQ(design->caption(), "Design (1:05)");
    EXPECT_FALSE(Modified());
}

TEST_F(Renaming, NewProjectAndTaskOpenTheirLabelsWithTheFullCaptionBehind) {
    window->NewProject();
    TreeNode* second = window->SelectedNode();
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "New Project");
    EXPECT_EQ(second->caption(), "New Project (0:00)");
    QTest::keyClick(editor, Qt::Key_Escape);

    window->NewTask(second);
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "New Task");
    EXPECT_EQ(window->SelectedNode()->caption(), "New Task (0:00)");
}

// An open editor is committed when the selection moves on (here: a new task from the
// toolbar while the person is still typing); the typed name belongs to the edited node.
TEST_F(Renaming, EditCommittedByAMovingSelectionRenamesTheEditedNode) {
    window->Tree->setCurrentItem(design);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("Logo");
    window->ToolbarButton("newtask")->trigger();
    TreeNode* added = window->SelectedNode();
    ASSERT_NE(added, design);
    EXPECT_EQ(Text(design, "@name"), "Logo");
    EXPECT_EQ(design->caption(), "Logo (1:05)");
    EXPECT_EQ(Text(added, "@name"), "New Task");
    EXPECT_EQ(window->txtName->text(), "New Task");
}

TEST_F(Renaming, LongNamesAreNeverCutShort) {
    const QString longName(40000, QChar(u'n'));
    XML::ResolvePath(design->element, "@name").setText(longName.toStdString());
    window->Tree_NodeClick(design);
    EXPECT_EQ(window->txtName->text(), longName);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), longName);
    Commit(editor);
    EXPECT_EQ(Text(design, "@name"), longName.toStdString());
    EXPECT_FALSE(Modified());
}

}  // namespace
