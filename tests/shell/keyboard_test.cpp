// The window-level shortcuts and the commands that say why they cannot act, through the
// keys and clicks a person uses on the shown window.
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "history/history_frame.h"
#include "history/reports_window.h"
#include "shell/frm_options.h"
#include "support/window_fixture.h"

namespace {

class Keyboard : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ShowActive();
        window->ui.Tree->setFocus();
    }
    void Press(const QKeySequence& keys) {
        QTest::keySequence(QApplication::focusWidget(), keys);
        QTest::qWait(20);  // a new node's label editor opens a moment later
    }
    // Ends the label edit a new node opens with, by Enter in its editor.
    void Commit() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        window->ui.Timer2.setEnabled(false);
        window->ui.Tree->setFocus();
    }
    QString Caption(int index) const { return window->ui.Tree->topLevelItem(index)->text(0); }
};

TEST_F(Keyboard, NodesAreMadeMovedAndRemovedFromTheKeyboard) {
    // The empty tree's hint, painted, is read out through the accessibility bus too.
    const auto description = [this] {
        return QAccessible::queryAccessibleInterface(window->ui.Tree)
            ->text(QAccessible::Description);
    };
    EXPECT_TRUE(description().contains("New Project (Ctrl+Shift+N)"))
        << description().toStdString();
    Press(QKeySequence("Ctrl+Shift+N"));
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    EXPECT_EQ(description(), "");
    Press(QKeySequence("Ctrl+Shift+N"));
    EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 1) << "the label editor keeps its keys";
    QTest::keyClicks(QApplication::focusWidget(), "Alpha");
    Commit();
    Press(QKeySequence("Ctrl+N"));
    QTest::keyClicks(QApplication::focusWidget(), "Task");
    Commit();
    EXPECT_EQ(window->ui.Tree->topLevelItem(0)->childCount(), 1);
    window->ui.Tree->setCurrentItem(window->ui.Tree->topLevelItem(0));
    Press(QKeySequence("Ctrl+Shift+N"));
    QTest::keyClicks(QApplication::focusWidget(), "Beta");
    Commit();
    Press(QKeySequence("Ctrl+Up"));
    EXPECT_EQ(Caption(0), "Beta");
    Press(QKeySequence("Ctrl+Down"));
    EXPECT_EQ(Caption(1), "Beta");
    // Delete asks what the Remove Item button asks of a changed project.
    seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo, "Horavel",
                            MsgAnswer::No);
    Press(QKeySequence(Qt::Key_Delete));
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    EXPECT_EQ(Caption(0), "Alpha");
}

TEST_F(Keyboard, FileTimerAndOptionsKeys) {
    Press(QKeySequence("Ctrl+Shift+N"));
    Commit();
    Press(QKeySequence("Ctrl+T"));
    EXPECT_TRUE(window->Timing.TimerRunning);
    Press(QKeySequence("Ctrl+T"));
    EXPECT_FALSE(window->Timing.TimerRunning);
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);
    Press(QKeySequence("Ctrl+S"));
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);
    Press(QKeySequence("Ctrl+Shift+S"));
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Open);
    Press(QKeySequence("Ctrl+O"));
    EXPECT_EQ(seams->fileDialog->shown.size(), 3u);
    Press(QKeySequence("Ctrl+,"));
    auto* options = window->findChild<frmOptions*>();
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(options->isVisible());
    options->reject();
    ShowActive();
    window->ui.Tree->setFocus();
    seams->settings->SaveSetting("AutoSaveWS", "False");
    seams->prompter->Expect("Save Workspace first?", MsgButtons::YesNoCancel, "Save Workspace",
                            MsgAnswer::No);
    seams->prompter->Expect("Modified Projects: \r\nNew Project\r\nSave Modified Projects First?",
                            MsgButtons::YesNoCancel, "Horavel", MsgAnswer::No);
    Press(QKeySequence("Ctrl+Q"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Keyboard, CommandsThatCannotActSayWhy) {
    struct Row {
        const char* button;
        bool treeBar;
        const char* said;
    };
    const Row rows[] = {
        {"newtask", false, "New Task: there is no project yet; start with New Project"},
        {"toggletimer", false, "Start Timer: there is nothing to time yet; start with New Project"},
        {"saveproject", false, "Save Project: there is no project to save"},
        {"up", true, "Move Item: there is nothing to move"},
    };
    for (const Row& row : rows) {
        QAction* action =
            row.treeBar ? window->TreeBarButton(row.button) : window->ToolbarButton(row.button);
        QToolBar* bar = row.treeBar ? window->ui.TreeBar : window->ui.Toolbar1;
        QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
        EXPECT_EQ(Status(), row.said) << row.button;
    }
    Press(QKeySequence("Ctrl+Shift+N"));
    Commit();
    window->ui.Tree->setCurrentItem(nullptr);
    QTest::mouseClick(window->ui.Toolbar1->widgetForAction(window->ToolbarButton("newtask")),
                      Qt::LeftButton);
    EXPECT_EQ(Status(), "New Task: select the project or task to add it under");
    EXPECT_EQ(window->ui.Tree->topLevelItem(0)->childCount(), 0);
}

TEST_F(Keyboard, NoPopUpHidesTheToolbar) {
    // Were a menu to open, it would wait for a choice: note and close whatever pops up.
    bool popped = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&popped] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popped = true;
            popup->close();
        }
    });
    closer.start(100);
    for (QWidget* bar :
         {static_cast<QWidget*>(window->menuBar()), static_cast<QWidget*>(window->ui.Toolbar1)}) {
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                bar->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(bar, &click);
    }
    EXPECT_FALSE(popped);
    EXPECT_TRUE(window->ui.Toolbar1->isVisible());
}

TEST_F(Keyboard, TabWalksTheFieldsAndTheOptionsInTheOrderTheyAreSeen) {
    Press(QKeySequence("Ctrl+Shift+N"));
    Commit();
    window->ui.txtDescription->setFocus();
    QTest::keyClicks(window->ui.txtDescription, "Notes");
    QTest::keyClick(window->ui.txtDescription, Qt::Key_Tab);
    EXPECT_EQ(window->ui.txtDescription->toPlainText(), "Notes") << "no tab typed";
    EXPECT_NE(QApplication::focusWidget(), window->ui.txtDescription) << "focus moved on";

    window->ShowOptions(false);
    auto* options = window->findChild<frmOptions*>();
    ASSERT_NE(options, nullptr);
    options->tt_none->setFocus();
    QStringList walked;
    for (int i = 0; i < 11; ++i) {
        walked << options->focusWidget()->objectName();
        QTest::keyClick(options->focusWidget(), Qt::Key_Tab);
    }
    // The left column down, then the right one, the buttons last.
    EXPECT_EQ(walked, QStringList({"tt_none", "tt_tasktime", "tt_totaltime", "tt_hmm", "tt_hmmss",
                                   "chkAutoSaveWS", "chkAutoLoadWS", "chkTrayIcon",
                                   "spnIdleMinutes", "cmdOK", "Command1"}))
        << walked.join(' ').toStdString();
    options->reject();
}

// A dialog of its own, not the "filler" a plain top-level widget is.
TEST_F(Keyboard, TheReportsWindowIsAWindowToAScreenReader) {
    ClickNode(AddProject("Site"));
    QTest::mouseClick(window->History->cmdReports, Qt::LeftButton);
    QWidget* reports = window->History->reports;
    ASSERT_NE(reports, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(reports)->role(), QAccessible::Dialog);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window.get())->role(), QAccessible::Window);
    reports->close();
}

}  // namespace
