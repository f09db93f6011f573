// Captions, icons and the detail pane: what the person sees and what their edits store.
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

class TreeBinding : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("Site");
        design = AddTask(project, "Design");
        Set(design, "@task_time", "0:10:00");
        Set(design, "@subtask_time", "1:00:05");
        logo = AddTask(design, "Logo");
        window->MarkUnmodified(project);
    }

    static void Set(TreeNode* node, std::string_view path, std::string_view text) {
        XML::ResolvePath(node->element, path).setText(text);
    }
    void Flags(bool showTime, bool showTotalTime, bool showSeconds) {
        window->TT_ShowTime = showTime;
        window->TT_ShowTotalTime = showTotalTime;
        window->TT_ShowSec = showSeconds;
    }
    // As a click on the node: the pane is filled even when it was selected already.
    void Select(TreeNode* node) {
        if (window->SelectedNode() == node) {
            window->Tree_NodeClick(node);
        }
        window->Tree->setCurrentItem(node);
    }
    bool Modified() const { return Text(project, "@modified") == "true"; }

    TreeNode* project = nullptr;
    TreeNode* design = nullptr;
    TreeNode* logo = nullptr;
};

TEST_F(TreeBinding, CaptionFollowsEachCombinationOfTheDisplayFlags) {
    struct Case {
        bool time, total, seconds;
        const char* design;
        const char* logo;
    };
    const Case cases[] = {
        {false, false, false, "Design", "Logo"},
        {false, false, true, "Design", "Logo"},
        {false, true, false, "Design", "Logo"},
        {false, true, true, "Design", "Logo"},
        {true, false, false, "Design (0:10)", "Logo (0:00)"},
        {true, false, true, "Design (0:10:00)", "Logo (0:00:00)"},
        {true, true, false, "Design (1:10)", "Logo (0:00)"},
        {true, true, true, "Design (1:10:05)", "Logo (0:00:00)"},
    };
    for (const Case& c : cases) {
        Flags(c.time, c.total, c.seconds);
        window->UpdateAllNodes();
        SCOPED_TRACE(testing::Message() << c.time << c.total << c.seconds);
        EXPECT_EQ(design->caption(), c.design);
        EXPECT_EQ(logo->caption(), c.logo);
        EXPECT_EQ(project->caption(),
                  c.time ? QString("Site (0:") + (c.seconds ? "00:00)" : "00)") : QString("Site"));
    }
    EXPECT_FALSE(Modified()) << "refreshing captions is no edit";
}

TEST_F(TreeBinding, EmptyNameLeavesTheTimeInParentheses) {
    Flags(true, true, false);
    Set(logo, "@name", "");
    window->UpdateNode(logo);
    EXPECT_EQ(logo->caption(), " (0:00)");
}

TEST_F(TreeBinding, PaneShowsSecondsWhateverTheFlags) {
    for (const bool seconds : {false, true}) {
        Flags(true, false, seconds);
        Select(design);
        EXPECT_EQ(window->txtTaskTime->text(), "0:10:00");
        EXPECT_EQ(window->txtSubTaskTime->text(), "1:00:05");
        EXPECT_EQ(window->txtTotalTime->text(), "1:10:05");
    }
    Select(logo);
    EXPECT_EQ(window->txtName->text(), "Logo");
    EXPECT_EQ(window->txtTaskTime->text(), "0:00:00");
    EXPECT_EQ(window->txtTotalTime->text(), "0:00:00");
    window->Tree_NodeClick(nullptr);
    EXPECT_EQ(window->txtName->text(), "");
    EXPECT_EQ(window->txtTotalTime->text(), "");
    EXPECT_FALSE(window->chkCompleted->isChecked());
}

TEST_F(TreeBinding, OnlyThePersonsEditsMarkTheProject) {
    struct Case {
        const char* what;
        std::function<void()> act;
        bool marks;
    };
    const Case cases[] = {
        {"selecting nodes",
         [&] {
             Select(logo);
             Select(design);
             Select(project);
         },
         false},
        {"adding a task", [&] { window->NewTask(logo); }, false},
        {"refreshing all nodes", [&] { window->UpdateAllNodes(); }, false},
        {"pop-up Completed",
         [&] {
             Select(logo);
             window->mnuCompleted_Click();
         },
         true},
        {"typing a name",
         [&] {
             Select(logo);
             window->txtName->setText("Logo 2");
         },
         true},
        {"typing a description",
         [&] {
             Select(logo);
             window->txtDescription->setPlainText("round");
         },
         true},
        {"ticking Completed",
         [&] {
             Select(logo);
             window->chkCompleted->click();
         },
         true},
        {"renaming in place to the same name",
         [&] {
             Select(design);
             QString label = "Design";
             bool cancel = false;
             window->Tree_AfterLabelEdit(cancel, label);
         },
         false},
        {"renaming in place",
         [&] {
             Select(design);
             QString label = "Drafts";
             bool cancel = false;
             window->Tree_AfterLabelEdit(cancel, label);
         },
         true},
    };
    for (const Case& c : cases) {
        window->MarkUnmodified(project);
        c.act();
        EXPECT_EQ(Modified(), c.marks) << c.what;
        EXPECT_EQ(project->image(),
                  c.marks ? TreeImage::ProjectModified : TreeImage::ProjectUnmodified)
            << c.what;
    }
}

TEST_F(TreeBinding, TypingRenamesAtEveryKeystrokeAndTypingBackDoesNotUnmark) {
    Flags(true, true, false);
    Select(design);
    QTest::keyClicks(window->txtName, "X");
    EXPECT_EQ(Text(design, "@name"), "DesignX");
    EXPECT_EQ(design->caption(), "DesignX (1:10)");
    EXPECT_TRUE(Modified());
    QTest::keyClick(window->txtName, Qt::Key_Backspace);
    EXPECT_EQ(Text(design, "@name"), "Design");
    EXPECT_EQ(design->caption(), "Design (1:10)");
    EXPECT_TRUE(Modified());
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);

    QTest::keyClicks(window->txtDescription, "a");
    QTest::keyClick(window->txtDescription, Qt::Key_Return);
    QTest::keyClicks(window->txtDescription, "b");
    EXPECT_EQ(Text(design, "%description"), "a\nb");
}

TEST_F(TreeBinding, CompletedBoxStoresTheFlagAndTheIconFollows) {
    Select(logo);
    window->chkCompleted->click();
    EXPECT_EQ(Text(logo, "@completed"), "true");
    EXPECT_EQ(logo->image(), TreeImage::TaskCompleted);
    window->chkCompleted->click();
    EXPECT_EQ(Text(logo, "@completed"), "false");
    EXPECT_EQ(logo->image(), TreeImage::Task);

    // A greyed box stands for "not completed".
    window->chkCompleted->setChecked(true);
    window->chkCompleted->setTristate(true);
    window->chkCompleted->setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(Text(logo, "@completed"), "false");
}

TEST_F(TreeBinding, CompletedBoxOnAProjectMarksItAndKeepsTheDiamond) {
    Select(project);
    window->chkCompleted->click();
    EXPECT_EQ(Text(project, "@completed"), "true");
    EXPECT_TRUE(Modified());
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);
}

TEST_F(TreeBinding, TimedNodeKeepsItsClockWhenCompleted) {
    window->TimedNode = logo;
    logo->setImage(ClockFrame(3));
    Select(logo);
    window->chkCompleted->click();
    EXPECT_EQ(Text(logo, "@completed"), "true");
    EXPECT_EQ(logo->image(), ClockFrame(3));
    window->TimedNode = nullptr;
    window->UpdateNode(logo);
    EXPECT_EQ(logo->image(), TreeImage::TaskCompleted);
}

TEST_F(TreeBinding, ShowingACompletedTextInOtherLettersRewritesIt) {
    Set(logo, "@completed", "TRUE");
    Select(design);  // an open task: the box is clear before Logo is shown
    ASSERT_FALSE(window->chkCompleted->isChecked());
    window->UpdateNode(logo);
    EXPECT_EQ(logo->image(), TreeImage::TaskCompleted);
    EXPECT_FALSE(Modified());

    Select(logo);
    EXPECT_TRUE(window->chkCompleted->isChecked());
    EXPECT_EQ(Text(logo, "@completed"), "true");
    EXPECT_TRUE(Modified());
}

TEST_F(TreeBinding, HandlersDoNothingWithoutASelectedNode) {
    window->Tree->setCurrentItem(nullptr);
    window->txtName->setText("stray");
    window->txtDescription->setPlainText("stray");
    window->chkCompleted->click();
    window->mnuCompleted_Click();
    for (TreeNode* node : {project, design, logo}) {
        EXPECT_NE(Text(node, "@name"), "stray");
        EXPECT_NE(Text(node, "%description"), "stray");
        EXPECT_NE(Text(node, "@completed"), "true");
    }
    EXPECT_FALSE(Modified());
}

TEST_F(TreeBinding, TimesBeyondTheRangeAreShownAsStoredAndReportedOnce) {
    Flags(true, true, true);
    Set(logo, "@task_time", "40000:00:00");
    Set(logo, "@subtask_time", "0:10:00");
    Set(design, "@task_time", "32767:59:59");
    Set(design, "@subtask_time", "0:00:01");
    window->UpdateAllNodes();
    EXPECT_EQ(logo->caption(), "Logo (40000:00:00 + 0:10:00)");
    EXPECT_EQ(design->caption(), "Design (32767:59:59 + 0:00:01)");
    window->TT_ShowTotalTime = false;
    window->UpdateAllNodes();
    EXPECT_EQ(logo->caption(), "Logo (40000:00:00)");
    EXPECT_EQ(design->caption(), "Design (32767:59:59)");
    const QString notice = window->statusBar()->currentMessage();
    EXPECT_TRUE(notice.contains("40000:00:00") || notice.contains("32767")) << notice.toStdString();

    window->statusBar()->clearMessage();
    window->UpdateAllNodes();
    Select(logo);
    EXPECT_EQ(window->statusBar()->currentMessage(), "") << "told once per node";
    EXPECT_EQ(window->txtTaskTime->text(), "40000:00:00");
    EXPECT_EQ(window->txtSubTaskTime->text(), "0:10:00");
    EXPECT_EQ(window->txtTotalTime->text(), "40000:00:00 + 0:10:00");
    Select(design);
    EXPECT_EQ(window->txtTaskTime->text(), "32767:59:59");
    EXPECT_EQ(window->txtTotalTime->text(), "32767:59:59 + 0:00:01");
    EXPECT_EQ(Text(logo, "@task_time"), "40000:00:00");
    EXPECT_EQ(Text(design, "@task_time"), "32767:59:59");
    EXPECT_FALSE(Modified());

    // A node seen for the first time is told about.
    Set(project, "@subtask_time", "99999:00:00");
    Select(project);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("99999:00:00"));
}

}  // namespace
