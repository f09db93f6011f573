// The pane and the label editor keep text as it was typed and as the file held it: showing
// a node writes nothing, line ends survive edits, and characters a file cannot hold become
// spaces on the way in.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include "support/window_fixture.h"

namespace {

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

class PaneText : public WindowTest {
  protected:
    // The project in the file, loaded, its first task selected.
    TreeNode* LoadAndSelectTask(const std::string& bytes) {
        QFile file(path());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qint64(bytes.size()));
        file.close();
        QString name = path();
        window->LoadProjects(name);
        window->show();
        TreeNode* task = window->Tree->topLevelNode(0)->childNode(0);
        window->Tree->setCurrentItem(task);
        return task;
    }
    QString path() const { return TempPath(QStringLiteral("p.hvp")); }
    bool Modified() const { return Text(window->Tree->topLevelNode(0), "@modified") == "true"; }
    static void Paste(QWidget* field, const QString& text) {
        QApplication::clipboard()->setText(text);
        QTest::keySequence(field, QKeySequence::Paste);
    }
};

TEST_F(PaneText, ShowingANodeWritesNothingAndEditsKeepTheLineEndsItHad) {
    struct Case {
        const char* stored;  // as the file holds it
        const char* edited;  // after "!" is typed at the end
    };
    for (const Case& c : {Case{"a&#13;\nb&#13;\nc", "a\r\nb\r\nc!"}, Case{"a&#13;b", "a\rb!"},
                          Case{"a&#13;\nb\nc", "a\nb\nc!"}}) {
        SCOPED_TRACE(c.stored);
        window->Tree->clear();
        TreeNode* task = LoadAndSelectTask(
            std::string("<project name=\"P\"><task name=\"T\" completed=\"TRUE\"><description>") +
            c.stored + "</description></task></project>");
        EXPECT_FALSE(Modified());
        EXPECT_EQ(Text(task, "@completed"), "TRUE");

        window->txtDescription->moveCursor(QTextCursor::End);
        QTest::keyClicks(window->txtDescription, "!");
        EXPECT_EQ(Text(task, "%description"), c.edited);
        EXPECT_TRUE(Modified());
    }
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_NE(ReadAll(path()).find("<description>a\nb\nc!</description>"), std::string::npos);
}

TEST_F(PaneText, ControlCharactersTypedOrPastedBecomeSpaces) {
    TreeNode* task = LoadAndSelectTask("<project name=\"P\"><task name=\"T\"/></project>");
    window->txtName->selectAll();
    Paste(window->txtName, QStringLiteral("a\vb\x01"
                                          "c\td"));
    EXPECT_EQ(Text(task, "@name"), "a b c\td");

    Paste(window->txtDescription, QStringLiteral("x\fy\x1Fz"));
    EXPECT_EQ(Text(task, "%description"), "x y z");
    window->txtDescription->undo();  // the paste and its mending undo as one
    EXPECT_EQ(Text(task, "%description"), "");

    window->Tree->StartLabelEdit();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->Tree->indexWidget(window->Tree->currentIndex()); }));
    auto* editor =
        qobject_cast<QLineEdit*>(window->Tree->indexWidget(window->Tree->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    Paste(editor, QStringLiteral("new\vname"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(task, "@name"), "new name");

    window->ToolbarButton("saveproject")->trigger();
    EXPECT_EQ(ReadAll(path()).find("&#"), std::string::npos) << ReadAll(path());
}

}  // namespace
