// The pane and the label editor keep text as typed and as the file held it: showing a node
// writes nothing, line ends survive edits, and characters no file can hold become spaces.
#include <QApplication>
#include <QClipboard>
#include <QStatusBar>
#include <QTest>

#include "support/window_fixture.h"

namespace {

class PaneText : public WindowTest {
  protected:
    // The project in the file, loaded, its first task selected.
    TreeNode* LoadAndSelectTask(const std::string& task) {
        window->ui.Tree->clear();
        LoadFile("p.hvp", "<project name=\"P\">" + task + "</project>");
        ShowOnScreen();
        window->ui.Tree->setCurrentItem(window->ui.Tree->topLevelNode(0)->child(0));
        return window->SelectedNode();
    }
    static void Paste(QWidget* field, const QString& text) {
        QApplication::clipboard()->setText(text);
        QTest::keySequence(field, QKeySequence::Paste);
    }
    const QString path_ = TempPath(QStringLiteral("p.hvp"));
};

TEST_F(PaneText, ShowingANodeWritesNothingAndEditsKeepTheLineEndsItHad) {
    for (const auto& [stored, edited] :
         {std::pair{"a&#13;\nb&#13;\nc", "a\r\nb\r\nc!"}, std::pair{"a&#13;b", "a\rb!"},
          std::pair{"a&#13;\nb\nc", "a\nb\nc!"}}) {
        TreeNode* task = LoadAndSelectTask(std::string("<task completed=\"TRUE\"><description>") +
                                           stored + "</description></task>");
        EXPECT_EQ(Text(task->parentNode(), "@modified"), "") << stored;
        EXPECT_EQ(Text(task, "@completed"), "TRUE");
        window->ui.txtDescription->moveCursor(QTextCursor::End);
        QTest::keyClicks(window->ui.txtDescription, "!");
        EXPECT_EQ(Text(task, "%description"), edited);
    }
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_NE(ReadFile(path_).find("<description>a\nb\nc!</description>"), std::string::npos);
}

TEST_F(PaneText, ControlCharactersTypedOrPastedBecomeSpaces) {
    TreeNode* task = LoadAndSelectTask("<task name=\"T\"/>");
    window->ui.txtName->selectAll();
    Paste(window->ui.txtName, QStringLiteral("a\vb\x01"
                                             "c\td"));
    EXPECT_EQ(Text(task, "@name"), "a b c\td");
    Paste(window->ui.txtDescription, QStringLiteral("x\fy\x1Fz"));
    EXPECT_EQ(Text(task, "%description"), "x y z");
    window->ui.txtDescription->undo();  // the paste and its mending undo as one
    EXPECT_EQ(Text(task, "%description"), "");

    window->ui.Tree->StartLabelEdit();
    QLineEdit* editor = LabelEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    Paste(editor, QStringLiteral("new\vname"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(task, "@name"), "new name");
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_EQ(ReadFile(path_).find("&#"), std::string::npos) << ReadFile(path_);
}

// Selecting a node and timing it show its times the same way: two times that fit on their
// own but not together keep their total as stored, and it is said once in the status bar.
TEST_F(PaneText, TimesTooLargeToAddUpLookTheSameSelectedAndWhileTimed) {
    TreeNode* task = LoadAndSelectTask(
        R"(<task name="Long" task_time="20000:00:00" subtask_time="20000:00:00"/>)");
    EXPECT_EQ(window->ui.txtTotalTime->text(), "20000:00:00 + 20000:00:00");
    EXPECT_TRUE(Status().contains("task_time plus subtask_time"));
    window->statusBar()->clearMessage();
    ClickToolbar("toggletimer");
    TickAfter(2);
    EXPECT_EQ(Text(task, "@task_time"), "20000:00:02");
    EXPECT_EQ(window->ui.txtTaskTime->text(), "20000:00:02");
    EXPECT_EQ(window->ui.txtTotalTime->text(), "20000:00:02 + 20000:00:00");
    EXPECT_EQ(Status(), "");  // told once for the element
    ClickToolbar("toggletimer");
}

}  // namespace
